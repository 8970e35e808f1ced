// The relation manager on a parent-child-grandchild schema: integrity on delete and update in
// every mode over three levels, transactions and their rollback, open/close walks over cycles,
// SetQuickScan propagation.

#include <gtest/gtest.h>

#include <algorithm>

#include "FamilyFixture.h"
#include "platform/storage/Transaction.h"

namespace kv::testing {
namespace {

using Rows = std::vector<std::string>;

class RelationManagerSuite : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    if (!ready) return;
    for (const std::string& t : Family::Tables())
      (void)ExecDirect(B(), "DROP TABLE IF EXISTS \"" + t + "\"");
  }

  // P1 has children C1 and C2, P2 has C3; C2 has grandchildren G1 and G2, C3 has G3.
  std::unique_ptr<Family> Sample(bool transactions) {
    auto f = std::make_unique<Family>(owner, errors, transactions);
    for (TestFileManager* fm : {f->parent.get(), f->child.get(), f->grand.get()})
      EXPECT_EQ(fm->Open(), Benign);
    EXPECT_EQ(f->AddParent(1, "P1", "first"), Benign);
    EXPECT_EQ(f->AddParent(2, "P2", "second"), Benign);
    EXPECT_EQ(f->AddChild(1, "P1", "C1"), Benign);
    EXPECT_EQ(f->AddChild(2, "P1", "C2"), Benign);
    EXPECT_EQ(f->AddChild(3, "P2", "C3"), Benign);
    EXPECT_EQ(f->AddGrand(1, "C2", "g1"), Benign);
    EXPECT_EQ(f->AddGrand(2, "C2", "g2"), Benign);
    EXPECT_EQ(f->AddGrand(3, "C3", "g3"), Benign);
    return f;
  }
  static const Rows& AllParents() {
    static const Rows r{"1:P1", "2:P2"};
    return r;
  }
  static const Rows& AllChildren() {
    static const Rows r{"1:P1", "2:P1", "3:P2"};
    return r;
  }
  static const Rows& AllGrand() {
    static const Rows r{"1:C2", "2:C2", "3:C3"};
    return r;
  }
};

TEST_P(RelationManagerSuite, DeleteKeepsIntegrityOverThreeLevelsAndRollsBackRefusals) {
  if (!ready) return;
  struct Case {
    const char* name;
    std::uint8_t childDelete, grandDelete;
    Rows parents, children, grand;
    const char* message;  // caption of the refusal, or null
  } cases[] = {
      {"cascade, cascade", RelationCascade, RelationCascade, {"2:P2"}, {"3:P2"}, {"3:C3"}, nullptr},
      {"cascade, clear",
       RelationCascade,
       RelationClear,
       {"2:P2"},
       {"3:P2"},
       {"1:", "2:", "3:C3"},
       nullptr},
      {"clear, cascade",
       RelationClear,
       RelationCascade,
       {"2:P2"},
       {"1:", "2:", "3:P2"},
       AllGrand(),
       nullptr},
      {"restrict", RelationRestrict, RelationCascade, AllParents(), AllChildren(), AllGrand(),
       "Referential Integrity Delete Error"},
      // C1 (no grandchildren) is deleted before C2's grandchildren refuse: the rollback brings
      // it back.
      {"cascade, restrict", RelationCascade, RelationRestrict, AllParents(), AllChildren(),
       AllGrand(), "Referential Integrity Delete Error"},
      {"none", RelationNone, RelationCascade, {"2:P2"}, AllChildren(), AllGrand(), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& t : Family::Tables())
      (void)ExecDirect(B(), "DROP TABLE IF EXISTS \"" + t + "\"");
    auto f = Sample(true);
    f->Relate(RelationNone, c.childDelete, RelationNone, c.grandDelete);
    const size_t shown = modal.Shown().size();
    ASSERT_TRUE(f->Load(*f->parent, 1));
    ResultLevel r = f->parentRel.Delete(false);
    EXPECT_EQ(r, c.message ? Notify : Benign);
    EXPECT_FALSE(InTransaction());
    EXPECT_EQ(f->Rows(*f->parent), c.parents);
    EXPECT_EQ(f->Rows(*f->child), c.children);
    EXPECT_EQ(f->Rows(*f->grand), c.grand);
    if (c.message) {
      ASSERT_GT(modal.Shown().size(), shown);
      EXPECT_EQ(Captions().back(), c.message);
    } else {
      EXPECT_EQ(modal.Shown().size(), shown) << LastText();
    }
  }
}

TEST_P(RelationManagerSuite, CascadeDeleteRemovesGrandchildrenBeforeChildrenBeforeTheParent) {
  if (!ready) return;
  auto f = Sample(false);
  f->Relate(RelationNone, RelationCascade, RelationNone, RelationCascade);
  std::vector<std::string> order;
  f->parent->onDelete = [&] { order.push_back("parent"); };
  f->child->onDelete = [&] { order.push_back("child"); };
  f->grand->onDelete = [&] { order.push_back("grand"); };
  ASSERT_TRUE(f->Load(*f->parent, 1));
  ASSERT_EQ(f->parentRel.Delete(false), Benign);
  EXPECT_EQ(order, (Rows{"child", "grand", "grand", "child", "parent"}));
}

TEST_P(RelationManagerSuite, ConfirmDeleteAnsweredNoTouchesNothing) {
  if (!ready) return;
  auto f = Sample(true);
  f->Relate(RelationNone, RelationCascade, RelationNone, RelationCascade);
  ASSERT_TRUE(f->Load(*f->parent, 1));
  modal.Answer({kButtonNo});
  EXPECT_EQ(f->parentRel.Delete(true), Cancel);
  EXPECT_EQ(Captions().back(), "Confirm Delete");
  EXPECT_EQ(f->Rows(*f->parent), AllParents());
  EXPECT_EQ(f->Rows(*f->grand), AllGrand());
  modal.Answer({kButtonYes});
  EXPECT_EQ(f->parentRel.Delete(true), Benign);
  EXPECT_EQ(f->Rows(*f->child), Rows{"3:P2"});
}

TEST_P(RelationManagerSuite, UpdateCarriesChangedLinkingFieldsDownOrPutsThemBack) {
  if (!ready) return;
  struct Case {
    const char* name;
    std::uint8_t childUpdate;
    Rows children;
    const char* parentCodeAfter;  // in the buffer and stored
    ResultLevel result;
  } cases[] = {
      {"cascade", RelationCascade, {"1:PX", "2:PX", "3:P2"}, "PX", Benign},
      {"clear", RelationClear, {"1:", "2:", "3:P2"}, "PX", Benign},
      {"restrict", RelationRestrict, AllChildren(), "P1", Notify},
      {"none", RelationNone, AllChildren(), "PX", Benign},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& t : Family::Tables())
      (void)ExecDirect(B(), "DROP TABLE IF EXISTS \"" + t + "\"");
    auto f = Sample(true);
    f->Relate(c.childUpdate, RelationNone, RelationCascade, RelationNone);
    ASSERT_TRUE(f->Load(*f->parent, 1));
    f->parentRel.SaveLinkValues();
    f->parent->Rec<ParentRec>().CODE = "PX";
    EXPECT_EQ(f->parentRel.Update(), c.result);
    EXPECT_EQ(f->parent->Rec<ParentRec>().CODE.Clipped(), c.parentCodeAfter);
    EXPECT_EQ(f->Rows(*f->child), c.children);
    Rows parents = f->Rows(*f->parent);
    EXPECT_EQ(parents.front(), std::string("1:") + c.parentCodeAfter);
    if (c.result != Benign) {
      EXPECT_EQ(Captions().back(), "Referential Integrity Update Error");
    }
  }
}

TEST_P(RelationManagerSuite, ChildUpdateCascadesToGrandchildrenAndAFailedCascadeRollsBack) {
  if (!ready) return;
  auto f = Sample(true);
  f->Relate(RelationCascade, RelationNone, RelationCascade, RelationNone);
  ASSERT_TRUE(f->Load(*f->child, 2));
  f->childRel.SaveLinkValues();
  f->child->Rec<ChildRec>().CODE = "CX";
  ASSERT_EQ(f->childRel.Update(), Benign);
  EXPECT_EQ(f->Rows(*f->grand), (Rows{"1:CX", "2:CX", "3:C3"}));

  // A grandchild that refuses its write makes the whole change go back: the child keeps its
  // code, the first grandchild (already rewritten) its old link.
  f->grand->vetoChanges = 2;  // the second grandchild write is refused
  ASSERT_TRUE(f->Load(*f->child, 2));
  f->childRel.SaveLinkValues();
  f->child->Rec<ChildRec>().CODE = "CY";
  EXPECT_EQ(f->childRel.Update(), Notify);
  EXPECT_EQ(f->child->Rec<ChildRec>().CODE.Clipped(), "CX");
  EXPECT_EQ(f->Rows(*f->grand), (Rows{"1:CX", "2:CX", "3:C3"}));
  Rows children = f->Rows(*f->child);
  EXPECT_EQ(children[1], "2:P1");
  ASSERT_TRUE(f->Load(*f->child, 2));
  EXPECT_EQ(f->child->Rec<ChildRec>().CODE.Clipped(), "CX");
}

TEST_P(RelationManagerSuite, WalksOpenEachManagerOnceAlsoAroundACycle) {
  if (!ready) return;
  Family f(owner, errors, false);
  f.Relate(RelationCascade, RelationCascade, RelationNone, RelationNone);
  // The child also relates back to its parent, and the grandchild to the child: a cycle.
  f.childRel.define = [&f](TestRelations& r) {
    r.AddRelation(f.grandRel,
                  {{VarRef(f.child->Rec<ChildRec>().CODE), VarRef(f.grand->Rec<GrandRec>().CCODE)}},
                  2, RelationNone, RelationNone);
    r.AddRelation(
        f.parentRel,
        {{VarRef(f.child->Rec<ChildRec>().PCODE), VarRef(f.parent->Rec<ParentRec>().CODE)}}, 3,
        RelationNone, RelationNone);
  };
  f.grandRel.define = [&f](TestRelations& r) {
    r.AddRelation(f.childRel,
                  {{VarRef(f.grand->Rec<GrandRec>().CCODE), VarRef(f.child->Rec<ChildRec>().CODE)}},
                  0, RelationNone, RelationNone);
  };
  EXPECT_FALSE(f.parentRel.AddRelation(f.childRel, {}, 2, 0, 0)) << "only inside DefineRelations";
  const std::int32_t before = RelationManager::WalkCounter();
  // A lazy walk opens the file and its direct relations only.
  ASSERT_EQ(f.parentRel.Open(), Benign);
  EXPECT_EQ(RelationManager::WalkCounter(), before + 1);
  EXPECT_EQ(f.parent->OPENED, 1);
  EXPECT_EQ(f.child->OPENED, 1);
  EXPECT_EQ(f.grand->OPENED, 0);
  EXPECT_TRUE(f.parent->FILE->IsOpen()) << "the top file is really opened";
  ASSERT_EQ(f.parentRel.Close(), Benign);
  EXPECT_EQ(f.child->OPENED, 0);
  // A forced walk goes down the whole tree, each manager once although the tree is a cycle.
  ASSERT_EQ(f.parentRel.ForceOpen(), Benign);
  EXPECT_EQ(f.parent->OPENED, 1);
  EXPECT_EQ(f.child->OPENED, 1);
  EXPECT_EQ(f.grand->OPENED, 1);
  ASSERT_EQ(f.childRel.RELATIONS.size(), 2u);
  EXPECT_EQ(f.parentRel.RELATIONS[0].OPENED, 1);
  EXPECT_EQ(f.childRel.RELATIONS[0].OPENED, 1);
  EXPECT_EQ(f.childRel.RELATIONS[1].OPENED, 0) << "the parent was already visited";
  EXPECT_EQ(f.grandRel.RELATIONS[0].OPENED, 0) << "the child was already visited";
  EXPECT_FALSE(f.parentRel.FORCINGOPEN);

  // Calls are counted as they arrive; one reaching a manager already visited in the same walk
  // goes no further, so the walk ends.
  f.parentRel.SetQuickScan(1, 3);
  EXPECT_EQ(f.parentRel.quickScans, 2);  // the call, and the child's back link
  EXPECT_EQ(f.childRel.quickScans, 2);   // from the parent, and the grandchild's back link
  EXPECT_EQ(f.grandRel.quickScans, 1);
  f.parentRel.SetQuickScan(0, 1);  // kind 1: relations without a key, of which it has none
  EXPECT_EQ(f.parentRel.quickScans, 3);
  EXPECT_EQ(f.childRel.quickScans, 2);
  f.childRel.SetQuickScan(0, 2);  // kind 2: keyed relations only (not the grandchild's back link)
  EXPECT_EQ(f.childRel.quickScans, 4);
  EXPECT_EQ(f.grandRel.quickScans, 2);
  EXPECT_EQ(f.parentRel.quickScans, 4);
  f.parentRel.SetQuickScan(1, 0);  // no propagation
  EXPECT_EQ(f.childRel.quickScans, 4);

  ASSERT_EQ(f.parentRel.Close(), Benign);
  EXPECT_EQ(f.parent->OPENED, 0);
  EXPECT_EQ(f.child->OPENED, 0);
  EXPECT_EQ(f.grand->OPENED, 0);
  EXPECT_EQ(f.parentRel.RELATIONS[0].OPENED, 0);
  EXPECT_EQ(f.parentRel.defines, 1) << "relations are defined once";
}

TEST_P(RelationManagerSuite, KillLeavesTheRegistryAndIsSafeTwice) {
  if (!ready) return;
  Family f(owner, errors, false);
  ManagerRegistry& reg = ManagerRegistry::ThisThread();
  EXPECT_EQ(reg.GetRelationManager(f.parent->FILE->InstanceId()), &f.parentRel);
  f.parentRel.Kill();
  f.parentRel.Kill();
  EXPECT_EQ(reg.GetRelationManager(f.parent->FILE->InstanceId()), nullptr);
}

struct LineRecord {
  String<40> TEXT;
};

TEST_P(RelationManagerSuite, ADriverWithoutTransactionsSwitchesThemOffForGood) {
  if (!ready) return;
  static const FieldTable fields =
      FieldTable::For<LineRecord>({KV_FIELD(LineRecord, TEXT, "LOG:TEXT", "@s40", "Text")});
  static const FieldTableLayout layout(fields);
  TableDecl decl("Log", UniqueName("relation-log") + ".txt", kTextDriver, layout);
  TestFileManager fm(decl, errors, {}, "Log");
  fm.Init();
  TestRelations rel;
  rel.Init(fm, true);
  ASSERT_EQ(fm.Open(), Benign);
  fm.Rec<LineRecord>().TEXT = "one line";
  ASSERT_EQ(fm.Insert(), Benign);
  ASSERT_EQ(fm.FILE->SetKey(0), kNoError);
  ASSERT_EQ(fm.TryNext(), Benign);
  // The text driver cannot delete: the delete fails, but enrolment's "not supported" is no
  // failure; it switches transactions off, with no "Transaction cancelled" and none begun.
  modal.Answer({kButtonOk, kButtonNo});
  EXPECT_EQ(rel.Delete(false), Notify);
  EXPECT_FALSE(rel.USELOGOUT);
  EXPECT_FALSE(InTransaction());
  for (const std::string& caption : Captions()) EXPECT_NE(caption, "Transaction cancelled");
  EXPECT_EQ(Captions().back(), "Record Delete Error");
  EXPECT_EQ(fm.OPENED, 1) << "the file is closed again down to the caller's open";
  rel.Kill();
  fm.Kill();
}

INSTANTIATE_TEST_SUITE_P(Db, RelationManagerSuite, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
