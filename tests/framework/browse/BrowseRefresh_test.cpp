// The scroll bar and thumb (without a step, with a numeric and with a text step), re-reading
// the selected record when another station changed or deleted it (also without driver
// re-reads), and the reload after the update procedure: changes, a changed record leaving the
// filter (also one holding SQL calls), deletes, inserts, a cancelled form and the request to go
// on to the next record.

#include "tests/framework/browse/BrowseFixture.h"

#include "framework/window/ToolbarTarget.h"
#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

using Codes = std::vector<std::string>;

class BrowseRefresh : public BrowseTest {
 protected:
  void Key(BrowseSession& s, int key) {
    ASSERT_EQ(PressKey(s.Win().Id(), kList, key), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  void Drop(BrowseSession& s, int position) {
    ASSERT_EQ(DragThumb(s.Win().Id(), kList, position), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  void Click(BrowseSession& s, int row) {
    ASSERT_EQ(ClickRow(s.Win().Id(), kList, row, kMouseLeft), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  void PressButton(BrowseSession& s, int control) {
    ASSERT_EQ(Press(s.Win().Id(), control), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  static std::string Highlighted(const BrowseSession& s) {
    const Codes codes = s.Codes();
    const int c = s.Choice();
    return c >= 1 && c <= int(codes.size()) ? codes[std::size_t(c - 1)] : "";
  }
};

TEST_P(BrowseRefresh, ThumbWithoutStepShowsTheEndsOfAShortResult) {
  Load(Numbered(3));
  BrowseSession s(D(), errors, backend, {});
  EXPECT_FALSE(s.Win().ScrollBar(kList)) << "a list shorter than its rows has no scroll bar";
  const struct {
    int key;
    int thumb;
  } steps[] = {{kKeyDown, 50}, {kKeyDown, 100}, {kKeyUp, 50}, {kKeyUp, 0}};
  for (const auto& st : steps) {
    Key(s, st.key);
    EXPECT_EQ(s.Win().Thumb(kList), st.thumb) << KeyName(st.key) << " to row " << s.Choice();
  }

  BrowseSetup unfilled;
  unfilled.configure = [](BrowseManager& b) { b.ALLOWUNFILLED = 1; };
  s.Finish();
  BrowseSession u(D(), errors, backend, unfilled);
  EXPECT_TRUE(u.Win().ScrollBar(kList)) << "ALLOWUNFILLED shows it for a short list";
}

TEST_P(BrowseRefresh, ThumbDropWithoutStepGoesToTheEndsOrPages) {
  Load(Numbered(30));
  const Codes all = Sorted();
  BrowseSession s(D(), errors, backend, {});
  EXPECT_TRUE(s.Win().ScrollBar(kList));
  const struct {
    int drop;
    const char* first;
  } steps[] = {{100, "K00026"}, {30, "K00021"}, {1, "K00001"}, {60, "K00006"}, {0, "K00001"}};
  for (const auto& st : steps) {
    Drop(s, st.drop);
    EXPECT_EQ(s.Codes().at(0), st.first) << "dropped at " << st.drop;
    EXPECT_EQ(s.Codes().size(), 5u);
  }
}

TEST_P(BrowseRefresh, NumericStepPlacesAndDropsTheThumbByValue) {
  // Quantities 101 (K00001) down to 1 (K00101) in a descending order.
  Load(Numbered(101));
  BrowseSetup setup;
  setup.key = kKeyQty;
  setup.step = Step::kNumeric;
  BrowseSession s(D(), errors, backend, setup);
  EXPECT_EQ(s.Win().Thumb(kList), 0);
  Drop(s, 50);
  EXPECT_EQ(Highlighted(s), "K00051") << "quantity 51, half way";
  EXPECT_EQ(s.Win().Thumb(kList), 50);
  // The second key component keeps the highlighted row's code, so the drop lands on the first
  // record at or after (76, "K00051"): near quantity 76.
  Drop(s, 25);
  const int qty = 102 - std::stoi(Highlighted(s).substr(1));
  EXPECT_NEAR(qty, 76, 1);
  EXPECT_NEAR(s.Win().Thumb(kList), 25, 1);
  // In a full list the second record (percentile 1) and the last but one (99) show the ends.
  Key(s, kKeyHome | kCtrl);
  Key(s, kKeyDown);
  EXPECT_EQ(Highlighted(s), "K00002");
  EXPECT_EQ(s.Win().Thumb(kList), 0);
  Key(s, kKeyEnd | kCtrl);
  EXPECT_EQ(s.Win().Thumb(kList), 100);
  Key(s, kKeyUp);
  EXPECT_EQ(Highlighted(s), "K00100");
  EXPECT_EQ(s.Win().Thumb(kList), 100);
  Key(s, kKeyPageUp);
  EXPECT_EQ(Highlighted(s), "K00095");
  EXPECT_EQ(s.Win().Thumb(kList), 94);
}

TEST_P(BrowseRefresh, TextStepDropsTheListNearThePosition) {
  Load(Numbered(1000));
  BrowseSetup setup;
  setup.step = Step::kText;
  BrowseSession s(D(), errors, backend, setup);
  const struct {
    int drop;
    const char* highlighted;
  } steps[] = {{30, "K00301"}, {75, "K00751"}, {2, "K00021"}, {99, "K00991"}};
  for (const auto& st : steps) {
    Drop(s, st.drop);
    EXPECT_EQ(Highlighted(s), st.highlighted) << "dropped at " << st.drop;
    // In a full list a percentile of 99 shows at the end.
    EXPECT_EQ(s.Win().Thumb(kList), st.drop == 99 ? 100 : st.drop);
  }
}

TEST_P(BrowseRefresh, RecordChangedOrDeletedElsewhereIsFoundBeforeTheAction) {
  for (bool noReget : {false, true}) {
    SCOPED_TRACE(noReget ? "without re-reads" : "with re-reads");
    Load(Numbered(12));
    Item seen;
    BrowseSetup setup;
    setup.form = [&](RequestCode, ItemsBrowse& b) {
      seen = {std::string(b.file.Rec().CODE.Clipped()), std::string(b.file.Rec().NAME.Clipped()),
              b.file.Rec().QTY};
      return RequestCancelled;
    };
    setup.configure = [noReget](BrowseManager& b) {
      static_cast<TestBrowse&>(b).noReget = noReget;
    };
    BrowseSession s(D(), errors, backend, setup);
    Click(s, 3);
    Rename("K00003", "Changed elsewhere");
    PressButton(s, kChange);
    EXPECT_EQ(seen.name, "Changed elsewhere") << "the form gets the record as it is now";
    EXPECT_EQ(Pending(), "");

    Remove("K00003");
    PressButton(s, kChange);
    EXPECT_EQ(Pending(), "Record Retrieval Error");
    ASSERT_TRUE(Answer(1));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(Join(s.Codes()), "K00001 K00002 K00004 K00005 K00006")
        << "the vanished row leaves the list at the end of the event";
    EXPECT_EQ(Highlighted(s), "K00004") << "the next record takes its line";
    s.Finish();
  }
}

TEST_P(BrowseRefresh, ChangedRecordThatLeavesTheFilterLeavesTheList) {
  struct Case {
    const char* filter;
    const char* newName;
    int newQty;
    bool stays;
  } cases[] = {
      {"BRI:QTY > 5", "Renamed", 9, true},
      {"BRI:QTY > 5", "Renamed", 2, false},
      {"SQL(1=1) AND BRI:QTY > 5", "Renamed", 9, true},
      {"BRI:QTY > 5 AND (sql(1 = 1))", "Renamed", 9, true},
      {"BRI:QTY > 5 AND SQL (1=1)", "Renamed", 2, false},
      {"BRI:QTY > 5 AND BRI:NAME <> 'x SQL(' AND SQL(1=1)", "x SQL(", 9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    Load(Numbered(12));
    BrowseSetup setup;
    setup.configure = [&](BrowseManager& b) { b.SetFilter(c.filter); };
    setup.form = [&](RequestCode request, ItemsBrowse& b) {
      EXPECT_EQ(request, ChangeRecord);
      b.file.Rec().NAME = c.newName;
      b.file.Rec().QTY = c.newQty;
      return b.relations.Update() == Benign ? RequestCompleted : RequestCancelled;
    };
    BrowseSession s(D(), errors, backend, setup);
    ASSERT_EQ(Join(s.Codes()), "K00001 K00002 K00003 K00004 K00005");
    Click(s, 2);
    PressButton(s, kChange);
    if (c.stays) {
      EXPECT_EQ(Join(s.Codes()), "K00001 K00002 K00003 K00004 K00005");
      EXPECT_EQ(Highlighted(s), "K00002");
    } else {
      EXPECT_EQ(Join(s.Codes()), "K00001 K00003 K00004 K00005 K00006");
      EXPECT_EQ(Highlighted(s), "K00003");
    }
    EXPECT_TRUE(Captions().empty());
  }
}

TEST_P(BrowseRefresh, UpdateProcedureResultsReloadTheList) {
  Load(Numbered(20));
  std::string insertCode = "K00007A";
  int nextRuns = 0;
  BrowseSetup setup;
  setup.form = [&](RequestCode request, ItemsBrowse& b) -> ResponseCode {
    ItemRec& r = b.file.Rec();
    switch (request) {
      case InsertRecord:
        r.CODE = insertCode;
        r.NAME = "Inserted";
        r.QTY = 1;
        return b.file.Insert() == Benign ? RequestCompleted : RequestCancelled;
      case DeleteRecord:
        return b.relations.Delete(false) == Benign ? RequestCompleted : RequestCancelled;
      case ViewRecord:
        // The form asks to go on to the next record twice, then stops.
        if (++nextRuns <= 2) b.vcr = kToolbarDown;
        return RequestCancelled;
      default:
        return RequestCancelled;
    }
  };
  BrowseSession s(D(), errors, backend, setup);
  Key(s, kKeyPageDown);
  Click(s, 3);
  ASSERT_EQ(Highlighted(s), "K00008");

  PressButton(s, kInsert);
  EXPECT_EQ(Join(s.Codes()), "K00006 K00007 K00007A K00008 K00009");
  EXPECT_EQ(Highlighted(s), "K00007A") << "the new record highlighted at its place";

  PressButton(s, kDelete);
  EXPECT_EQ(Join(s.Codes()), "K00006 K00007 K00008 K00009 K00010") << "reloaded in place";
  EXPECT_EQ(Highlighted(s), "K00008");

  PressButton(s, kChange);  // the form is cancelled
  EXPECT_EQ(Join(s.Codes()), "K00006 K00007 K00008 K00009 K00010");
  EXPECT_EQ(Highlighted(s), "K00008");

  PressButton(s, kViewButton);
  EXPECT_EQ(nextRuns, 3) << "the form ran again for each request to go on";
  EXPECT_EQ(Highlighted(s), "K00010");
  std::vector<RequestCode> requests;
  s.Do([&](ItemsBrowse& b) { requests = b.requests; });
  EXPECT_EQ(requests, (std::vector<RequestCode>{InsertRecord, DeleteRecord, ChangeRecord,
                                                ViewRecord, ViewRecord, ViewRecord}));
  EXPECT_TRUE(Captions().empty());
}

INSTANTIATE_TEST_SUITE_P(Db, BrowseRefresh, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
