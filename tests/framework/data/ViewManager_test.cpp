// The view manager over a view of children joined with their parents: order texts, filter
// composition with range limits and named filters, reading through ValidateRecord, range
// refresh, priming, buffers, free elements and field directions.

#include <gtest/gtest.h>

#include <functional>

#include "FamilyFixture.h"
#include "framework/data/ViewManager.h"
#include "platform/storage/View.h"

namespace kv::testing {
namespace {

using Rows = std::vector<std::string>;

class TestViewManager : public ViewManager {
 public:
  std::function<int()> validate;
  int ValidateRecord() override { return validate ? validate() : ViewManager::ValidateRecord(); }
};

class ViewManagerSuite : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    if (!ready) return;
    for (const std::string& t : Family::Tables())
      (void)ExecDirect(B(), "DROP TABLE IF EXISTS \"" + t + "\"");
    f = std::make_unique<Family>(owner, errors, false);
    for (TestFileManager* fm : {f->parent.get(), f->child.get(), f->grand.get()})
      ASSERT_EQ(fm->Open(), Benign);
    ASSERT_EQ(f->AddParent(1, "P1", "12' pipe"), Benign);
    ASSERT_EQ(f->AddParent(2, "P2", "Bolt"), Benign);
    ASSERT_EQ(f->AddChild(1, "P1", "C1", "5"), Benign);
    ASSERT_EQ(f->AddChild(2, "P1", "C2", "1.5"), Benign);
    ASSERT_EQ(f->AddChild(3, "P2", "C3", "9"), Benign);
    ASSERT_EQ(f->AddChild(4, "P2", "C4", "0.5"), Benign);
    view = std::make_unique<View>(*f->child->FILE);
    ASSERT_EQ(view->AddJoin(*f->parent->FILE, 3, {1}), 1);
    vm.Init(*view, f->childRel);
  }
  void TearDown() override {
    vm.Destroy();
    view.reset();
    f.reset();
    DataTest::TearDown();
  }
  ChildRec& C() { return f->child->Rec<ChildRec>(); }
  Rows ReadAll(bool forward = true) {
    Rows out;
    while ((forward ? vm.Next() : vm.Previous()) == Benign)
      out.push_back(std::string(C().CODE.Clipped()) + "/" +
                    std::string(f->parent->Rec<ParentRec>().NAME.Clipped()));
    return out;
  }

  std::unique_ptr<Family> f;
  std::unique_ptr<View> view;
  TestViewManager vm;
};

TEST_P(ViewManagerSuite, FiltersComposeRangeFirstThenNamedFiltersByIdDescending) {
  if (!ready) return;
  String<10> parentCode;
  parentCode = "P1";
  Long low, high;
  low = 1;
  high = 3;
  ASSERT_EQ(vm.AddSortOrder(2), 1);  // CHI:ByLink: PCODE, ID
  EXPECT_EQ(vm.ComposeFilter(), "") << "no limit and no filter: the empty filter";
  vm.Open();
  EXPECT_EQ(view->Filter(), "");

  vm.SetFilter("CHI:AMOUNT > 1");                  // "5 Standard"
  vm.SetFilter("CHI:CODE <> 'C2'", kQueryFilter);  // "9 - QBE"
  vm.SetFilter("CHI:ID < 100", "1 Extra");
  EXPECT_EQ(vm.ComposeFilter(), "(CHI:CODE <> 'C2') AND (CHI:AMOUNT > 1) AND (CHI:ID < 100)");
  vm.SetFilter("  ", "1 Extra");
  EXPECT_EQ(vm.ComposeFilter(), "(CHI:CODE <> 'C2') AND (CHI:AMOUNT > 1)")
      << "a blank text removes that filter only";

  struct Case {
    std::uint8_t kind;
    std::vector<std::pair<VarRef, VarRef>> pairs;
    const char* filter;
  } cases[] = {
      {RangeFixed,
       {{VarRef(parentCode), VarRef(parentCode)}},
       "CHI:PCODE = 'P1' AND (CHI:CODE <> 'C2') AND (CHI:AMOUNT > 1)"},
      {RangeBounds,
       {{VarRef(parentCode), VarRef(parentCode)},
        {VarRef(low), VarRef(low)},
        {VarRef(high), VarRef(high)}},
       "CHI:PCODE = 'P1' AND CHI:ID >= 1 AND CHI:ID <= 3 AND (CHI:CODE <> 'C2') AND "
       "(CHI:AMOUNT > 1)"},
      {RangeBounds,
       {{VarRef(parentCode), VarRef(parentCode)}, {VarRef(parentCode), VarRef(parentCode)}},
       "CHI:PCODE >= 'P1' AND CHI:PCODE <= 'P1' AND (CHI:CODE <> 'C2') AND (CHI:AMOUNT > 1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    ASSERT_TRUE(vm.SetRangeLimit(c.kind, c.pairs));
    EXPECT_EQ(vm.ComposeFilter(), c.filter);
  }
  vm.ApplyFilter();
  EXPECT_EQ(vm.ComposeFilter(), view->Filter());
  ASSERT_TRUE(vm.SetRangeLimit(RangeFixed, {{VarRef(parentCode), VarRef(parentCode)}}));
  vm.ResetTo(0);
  EXPECT_EQ(ReadAll(), Rows{"C1/12' pipe"});
  EXPECT_FALSE(vm.SetRangeLimit(RangeBounds, {{VarRef(low), VarRef(low)}}));
  EXPECT_FALSE(vm.SetRangeLimit(
      RangeFixed,
      {{VarRef(low), VarRef(low)}, {VarRef(low), VarRef(low)}, {VarRef(low), VarRef(low)}}))
      << "more limited components than the key has";
}

TEST_P(ViewManagerSuite, ValuesAreQuotedForTheirComponent) {
  if (!ready) return;
  String<20> text;
  text = "12' Pipe";
  Long number;
  number = -42;
  Decimal<9, 2> amount;
  ASSERT_EQ(amount.SetText("3.5"), ValueStatus::kOk);
  struct Case {
    VarRef value;
    const char* component;
    const char* quoted;
  } cases[] = {
      {VarRef(text), "UPPER(PAR:NAME)", "UPPER('12'' Pipe')"},
      {VarRef(text), "LOWER(PAR:NAME)", "LOWER('12'' Pipe')"},
      {VarRef(text), "PAR:NAME", "'12'' Pipe'"},
      {VarRef(number), "UPPER(X)", "-42"},
      {VarRef(amount), "CHI:AMOUNT", "3.5"},
  };
  for (const Case& c : cases) EXPECT_EQ(ViewManager::QuoteValue(c.value, c.component), c.quoted);

  // On a case-blind key the composed condition finds the record whatever the case.
  View parents(*f->parent->FILE);
  TestViewManager pm;
  pm.Init(parents, f->parentRel);
  ASSERT_EQ(pm.AddSortOrder(4), 1);  // PAR:ByName, ignores case
  ASSERT_TRUE(pm.SetRangeLimit(RangeFixed, {{VarRef(text), VarRef(text)}}));
  EXPECT_EQ(pm.ComposeFilter(), "UPPER(PAR:NAME) = UPPER('12'' Pipe')");
  pm.Reset();
  ASSERT_EQ(pm.Next(), Benign);
  EXPECT_EQ(f->parent->Rec<ParentRec>().CODE.Clipped(), "P1");
  EXPECT_EQ(pm.Next(), Notify);
  pm.Kill();
}

TEST_P(ViewManagerSuite, OrderTextsAreSetAppendedAndApplied) {
  if (!ready) return;
  ASSERT_EQ(vm.AddSortOrder(2), 1);
  ASSERT_EQ(vm.AddSortOrder(3), 2);
  EXPECT_EQ(*vm.ORDER->Current()->ORDER, "CHI:CODE");
  EXPECT_FALSE(vm.SetSort(2)) << "already current";
  EXPECT_TRUE(vm.SetSort(0)) << "0 means the first order";
  EXPECT_EQ(*vm.ORDER->Current()->ORDER, "CHI:PCODE,CHI:ID");
  EXPECT_FALSE(vm.SetSort(7));

  vm.SetOrder("+CHI:CODE");
  vm.AppendOrder("CHI:AMOUNT");
  EXPECT_EQ(*vm.ORDER->Current()->ORDER, "+CHI:CODE,CHI:AMOUNT");
  vm.AppendOrder("*-CHI:AMOUNT");
  EXPECT_EQ(*vm.ORDER->Current()->ORDER, "-CHI:AMOUNT");
  vm.Reset();
  EXPECT_EQ(ReadAll(), (Rows{"C3/Bolt", "C1/12' pipe", "C2/12' pipe", "C4/Bolt"}));
  vm.SetOrder("  ");
  EXPECT_EQ(vm.ORDER->Current()->ORDER, nullptr) << "a blank order is no order";
  vm.AppendOrder("-PAR:NAME");
  EXPECT_EQ(*vm.ORDER->Current()->ORDER, "-PAR:NAME");
  vm.Reset();
  // Descending names (ties in the primary's order), read from the end.
  EXPECT_EQ(ReadAll(false), (Rows{"C2/12' pipe", "C1/12' pipe", "C4/Bolt", "C3/Bolt"}));
  EXPECT_TRUE(modal.Shown().empty()) << LastText();

  vm.SetOrder("+NOSUCH:FIELD");
  vm.ApplyOrder();
  EXPECT_EQ(Captions().back(), "View Open Error");
}

TEST_P(ViewManagerSuite, ValidateRecordAcceptsStopsOrSkips) {
  if (!ready) return;
  ASSERT_EQ(vm.AddSortOrder(1), 1);
  struct Case {
    const char* name;
    std::function<int()> verdict;
    Rows rows;
  } cases[] = {
      {"accept", [] { return 0; }, {"C1/12' pipe", "C2/12' pipe", "C3/Bolt", "C4/Bolt"}},
      {"skip all", [] { return 2; }, {}},
      {"skip P1", [this] { return C().PCODE.Clipped() == "P1" ? 7 : 0; }, {"C3/Bolt", "C4/Bolt"}},
      {"stop at C3",
       [this] { return C().CODE.Clipped() == "C3" ? 1 : 0; },
       {"C1/12' pipe", "C2/12' pipe"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vm.validate = c.verdict;
    vm.Reset();
    EXPECT_EQ(ReadAll(), c.rows);
  }
  vm.validate = [] { return 2; };
  vm.Reset();
  EXPECT_EQ(vm.Next(), Notify) << "skipping every record runs to the end";
  EXPECT_EQ(vm.Previous(), Notify);
  EXPECT_TRUE(modal.Shown().empty());
}

TEST_P(ViewManagerSuite, RangeValuesFollowTheirSourceAndPrimeNewRecords) {
  if (!ready) return;
  String<10> current, applied;
  current = "P1";
  ASSERT_EQ(vm.AddSortOrder(2), 1);
  ASSERT_TRUE(vm.SetRangeLimit(RangeFollow, {{VarRef(current), VarRef(applied)}}));
  EXPECT_EQ(vm.FreeElementPosition(), 2);
  EXPECT_EQ(vm.FreeElementName(), "CHI:ID");
  EXPECT_EQ(vm.FreeElementAscending(), 1);
  vm.Reset();
  EXPECT_TRUE(vm.ApplyRange()) << "the applied value was blank";
  EXPECT_FALSE(vm.ApplyRange()) << "nothing changed since";
  vm.Reset();
  EXPECT_EQ(ReadAll(), (Rows{"C1/12' pipe", "C2/12' pipe"}));
  current = "P2";
  EXPECT_TRUE(vm.ApplyRange());
  EXPECT_EQ(applied.Clipped(), "P2");
  vm.Reset();
  EXPECT_EQ(ReadAll(), (Rows{"C3/Bolt", "C4/Bolt"}));

  C().CODE = "junk";
  ASSERT_EQ(vm.PrimeRecord(), Benign);
  EXPECT_EQ(C().PCODE.Clipped(), "P2") << "a new record gets the range values";
  EXPECT_EQ(C().CODE.Clipped(), "") << "and is cleared otherwise";

  // Live values: the filter is applied again when RIGHT differs from what was last applied.
  String<10> live;
  live = "P1";
  ASSERT_TRUE(vm.SetRangeLimit(RangeLive, {{VarRef(live), VarRef(live)}}));
  EXPECT_TRUE(vm.ApplyRange());
  EXPECT_FALSE(vm.ApplyRange());
  live = "p1";
  EXPECT_FALSE(vm.ApplyRange()) << "compared ignoring case";

  ASSERT_TRUE(vm.SetRangeLimit(RangeNone, {}));
  EXPECT_EQ(vm.FreeElementPosition(), 1);
  EXPECT_EQ(vm.FreeElementName(), "CHI:PCODE");
}

TEST_P(ViewManagerSuite, FieldDirectionsBuffersAndLife) {
  if (!ready) return;
  ASSERT_EQ(vm.AddSortOrder(1), 1);
  vm.SetOrder("+CHI:CODE,-CHI:AMOUNT,-UPPER(PAR:NAME)");
  vm.Open();
  EXPECT_TRUE(vm.FieldAscending(VarRef(C().CODE)));
  EXPECT_FALSE(vm.FieldAscending(VarRef(C().AMOUNT)));
  EXPECT_TRUE(vm.FieldAscending(VarRef(C().ID))) << "not in the order";
  EXPECT_FALSE(vm.FieldAscending(VarRef(f->parent->Rec<ParentRec>().NAME)));
  Long stranger;
  EXPECT_TRUE(vm.FieldAscending(VarRef(stranger))) << "not a field of the view";
  vm.SetOrder("+chi:code,-chi:amount,-upper(par:name)");
  vm.Open();
  EXPECT_TRUE(vm.FieldAscending(VarRef(C().CODE)));
  EXPECT_FALSE(vm.FieldAscending(VarRef(C().AMOUNT))) << "labels in any letter case";
  EXPECT_FALSE(vm.FieldAscending(VarRef(f->parent->Rec<ParentRec>().NAME)));

  vm.SetOrder("+CHI:ID");
  vm.Reset();
  ASSERT_EQ(vm.Next(), Benign);
  vm.SaveBuffers();
  EXPECT_EQ(vm.SAVEDBUFFERS.size(), 2u);
  vm.ClearBuffers();
  EXPECT_EQ(C().CODE.Clipped(), "");
  EXPECT_EQ(f->parent->Rec<ParentRec>().CODE.Clipped(), "");
  vm.RestoreBuffers();
  EXPECT_EQ(C().CODE.Clipped(), "C1");
  EXPECT_EQ(f->parent->Rec<ParentRec>().NAME.Clipped(), "12' pipe");
  EXPECT_TRUE(vm.SAVEDBUFFERS.empty());

  EXPECT_TRUE(vm.USED);
  const int childOpens = f->child->OPENED;
  vm.Kill();
  EXPECT_TRUE(vm.KILLED);
  EXPECT_FALSE(vm.OPENED);
  EXPECT_FALSE(view->IsOpen());
  EXPECT_FALSE(vm.USED);
  EXPECT_EQ(f->child->OPENED, childOpens - 1) << "the files opened by Init are closed again";
  vm.Destroy();  // after Kill: nothing more
}

INSTANTIATE_TEST_SUITE_P(Db, ViewManagerSuite, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
