// Filling and scrolling a list over a real table: empty and short results, page moves, the
// highlighted line kept across reloads, a list made shorter, prefetching, and a read that
// fails in the middle of a page.

#include "tests/framework/browse/BrowseFixture.h"

#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

using Codes = std::vector<std::string>;

class BrowsePaging : public BrowseTest {};

Codes Slice(const Codes& all, std::size_t from, std::size_t n) {
  return Codes(all.begin() + long(from), all.begin() + long(std::min(all.size(), from + n)));
}

TEST_P(BrowsePaging, EmptyResultDisablesRecordButtonsAndIgnoresScrolling) {
  BrowseSession s(D(), errors, backend, {});
  EXPECT_TRUE(s.Codes().empty());
  int choice = -1;
  s.Do([&](ItemsBrowse& b) { choice = b.browse.CURRENTCHOICE; });
  EXPECT_EQ(choice, 0);
  for (int c : {kChange, kDelete, kViewButton}) EXPECT_TRUE(s.Win().Disabled(c)) << c;
  EXPECT_FALSE(s.Win().Disabled(kInsert)) << "the insert button keeps its state";
  for (int key : {int(kKeyDown), int(kKeyPageDown), kKeyEnd | kCtrl}) {
    ASSERT_EQ(PressKey(s.Win().Id(), kList, key), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  EXPECT_TRUE(s.Codes().empty());
  std::string code = "?";
  s.Do([&](ItemsBrowse& b) { code = std::string(b.file.Rec().CODE.Clipped()); });
  EXPECT_EQ(code, "") << "the record buffer is cleared";
}

TEST_P(BrowsePaging, ShortResultShowsEverythingAndPageDownGoesToTheLastRow) {
  Load(Numbered(3));
  BrowseSession s(D(), errors, backend, {});
  EXPECT_EQ(s.Codes(), Sorted());
  EXPECT_EQ(s.Choice(), 1);
  ASSERT_EQ(PressKey(s.Win().Id(), kList, kKeyPageDown), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(s.Codes(), Sorted());
  EXPECT_EQ(s.Choice(), 3);
  EXPECT_FALSE(s.Win().Disabled(kChange));
}

TEST_P(BrowsePaging, PageMovesKeepTheHighlightedLine) {
  Load(Numbered(23));
  const Codes all = Sorted();
  BrowseSession s(D(), errors, backend, {});
  ASSERT_EQ(ClickRow(s.Win().Id(), kList, 2, kMouseLeft), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  struct Step {
    int key;
    std::size_t first;
    int choice;
  } steps[] = {
      {kKeyPageDown, 5, 2},  {kKeyPageDown, 10, 2},    {kKeyPageDown, 15, 2},
      {kKeyPageDown, 18, 4},  // a short read at the end moves the highlight by the rows missing
      {kKeyPageUp, 13, 4},   {kKeyEnd | kCtrl, 18, 5}, {kKeyHome | kCtrl, 0, 1},
      {kKeyUp, 0, 1},        {kKeyDown, 0, 2},         {kKeyPageUp, 0, 1},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(KeyName(st.key));
    ASSERT_EQ(PressKey(s.Win().Id(), kList, st.key), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(Join(s.Codes()), Join(Slice(all, st.first, 5)));
    EXPECT_EQ(s.Choice(), st.choice);
  }
}

TEST_P(BrowsePaging, ReloadKeepsTheHighlightedRecordOnItsLine) {
  Load(Numbered(40));
  BrowseSetup setup;
  setup.visibleRows = 8;
  BrowseSession s(D(), errors, backend, setup);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(PressKey(s.Win().Id(), kList, kKeyPageDown), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  ASSERT_EQ(ClickRow(s.Win().Id(), kList, 5, kMouseLeft), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(s.Codes().at(4), "K00021");
  // Another station adds two records above the highlighted one and removes one below it.
  Insert({"K00018A", "Extra", 1});
  Insert({"K00020A", "Extra", 1});
  Remove("K00023");
  s.Do([](ItemsBrowse& b) { b.browse.Refresh(1); });
  Codes all = Sorted();
  std::size_t at = std::find(all.begin(), all.end(), "K00021") - all.begin();
  EXPECT_EQ(Join(s.Codes()), Join(Slice(all, at - 4, 8)));
  EXPECT_EQ(s.Choice(), 5);

  // With fewer records before it than lines above it, the record moves up.
  ASSERT_EQ(PressKey(s.Win().Id(), kList, kKeyHome | kCtrl), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(ClickRow(s.Win().Id(), kList, 5, kMouseLeft), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(s.Codes().at(4), "K00005");
  for (const char* code : {"K00001", "K00002", "K00003"}) Remove(code);
  s.Do([](ItemsBrowse& b) { b.browse.Refresh(1); });
  EXPECT_EQ(Join(s.Codes()), Join(Slice(Sorted(), 0, 8)));
  EXPECT_EQ(s.Choice(), 2);
}

TEST_P(BrowsePaging, ShorterListDropsRowsFromTheTop) {
  Load(Numbered(20));
  BrowseSetup setup;
  setup.visibleRows = 8;
  BrowseSession s(D(), errors, backend, setup);
  ASSERT_EQ(ClickRow(s.Win().Id(), kList, 7, kMouseLeft), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  // The list is made four rows high (as a smaller window would); the window then resets.
  s.Do([](ItemsBrowse& b) { b.MYWINDOW.SetVisibleRows(kList, 4); });
  EXPECT_EQ(Join(s.Codes()), "K00005 K00006 K00007 K00008");
  EXPECT_EQ(s.Choice(), 3);
  EXPECT_EQ(s.Codes().at(2), "K00007") << "the highlighted record stays highlighted";
}

TEST_P(BrowsePaging, PrefetchIsTheRowsAboutToBeReadAtMostSixty) {
  Load(Numbered(200));
  BrowseSession s(D(), errors, backend, {});
  struct Case {
    int before;
    int toFill;
    int after;
  } cases[] = {{0, 100, 60}, {0, 61, 60}, {0, 20, 20}, {7, 20, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.before) + "/" + std::to_string(c.toFill));
    int prefetch = -1;
    Codes rows;
    s.Do([&](ItemsBrowse& b) {
      b.browse.ScrollToEnd(kEventScrollTop);
      b.view->SetPrefetch(c.before);
      b.browse.ITEMSTOFILL = c.toFill;
      b.browse.FetchRows(FillDown);
      prefetch = b.view->Prefetch();
      for (int i = 1; i <= b.queue->Records(); ++i) {
        (void)b.queue->Get(i);
        rows.push_back(std::string(b.row.CODE.Clipped()));
      }
    });
    EXPECT_EQ(prefetch, c.after);
    EXPECT_EQ(Join(rows), Join(Slice(Sorted(), std::size_t(c.toFill), 5)))
        << "the queue keeps the last five rows read";
  }
}

TEST_P(BrowsePaging, FailedReadInThePageKeepsTheRowsAndClosesTheWindow) {
  Load(Numbered(10));
  BrowseSetup setup;
  setup.visibleRows = 8;
  const Db db = D();
  int reads = 0;
  setup.configure = [&](BrowseManager& bm) {
    auto& b = static_cast<TestBrowse&>(bm);
    // Two rows per statement: the table vanishes after the third record, so the statement for
    // the fifth one fails.
    b.USEMRP = 0;
    b.PAGESIZE = 2;
    b.onRecord = [&reads, db] {
      if (++reads == 3) {
        EXPECT_EQ(ExecOn(db, "DROP TABLE " + ItemsName()), "");
      }
      return 0;
    };
  };
  BrowseSession s(D(), errors, backend, setup);
  EXPECT_EQ(Pending(), "Record Retrieval Error");
  ASSERT_TRUE(Answer(1));
  s.Finish();
  EXPECT_EQ(Join(s.final), "K00001 K00002 K00003 K00004");
  EXPECT_EQ(Captions(), std::vector<std::string>{"Record Retrieval Error"}) << "reported once";
  EXPECT_EQ(s.response.load(), RequestCancelled);
}

INSTANTIATE_TEST_SUITE_P(Db, BrowsePaging, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
