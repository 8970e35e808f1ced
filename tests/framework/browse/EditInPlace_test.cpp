// Lists without an update procedure edit their rows where they stand: the entry editors over
// the cells, moves between columns, the ways a row ends, and what is written to the table.

#include <memory>

#include "framework/browse/ColumnEditor.h"
#include "framework/browse/EditInPlaceManager.h"
#include "tests/framework/browse/BrowseFixture.h"

#include "platform/window/KeyCode.h"
#include "platform/window/ModalServices.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

constexpr int kColumns = 4;

class EditInPlace : public BrowseTest {
 protected:
  // The column whose edit slot holds an editor, 0 when no row is being edited.
  static int EditedColumn(const Window& w) {
    for (int c = 1; c <= kColumns; ++c)
      if (w.ColumnEditControl(kList, c) != 0) return c;
    return 0;
  }
  static int Editor(const Window& w) {
    const int c = EditedColumn(w);
    return c != 0 ? w.ColumnEditControl(kList, c) : 0;
  }
  static void Key(BrowseSession& s, int key) {
    ASSERT_NE(Editor(s.Win()), 0) << "no row is being edited";
    ASSERT_EQ(PressKey(s.Win().Id(), Editor(s.Win()), key), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  static void Type(BrowseSession& s, const std::string& text) {
    ASSERT_NE(Editor(s.Win()), 0) << "no row is being edited";
    ASSERT_EQ(TypeText(s.Win().Id(), Editor(s.Win()), text), InputStatus::kOk);
  }
  static void Click(BrowseSession& s, int control) {
    ASSERT_EQ(FocusTo(s.Win().Id(), control), InputStatus::kOk);
    ASSERT_EQ(Press(s.Win().Id(), control), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  static void ClickCell(BrowseSession& s, int row, int column, int key = kMouseLeft) {
    ASSERT_EQ(ClickRow(s.Win().Id(), kList, row, key, column), InputStatus::kOk);
    ASSERT_TRUE(Settled());
  }
  static std::string Cell(BrowseSession& s, int row, int column) {
    std::vector<std::string> cells = s.Win().Row(kList, row);
    if (column > static_cast<int>(cells.size())) return "<none>";
    std::string text = cells[static_cast<std::size_t>(column - 1)];
    while (!text.empty() && (text.back() == ' ' || text.front() == ' '))
      text = text.back() == ' ' ? text.substr(0, text.size() - 1) : text.substr(1);
    return text;
  }
  std::string Column(const std::string& column, const std::string& code) {
    std::vector<std::string> r = SelectOn(
        D(), "SELECT \"" + column + "\" FROM " + ItemsName() + " WHERE \"Code\" = '" + code + "'");
    return r.empty() ? "<none>" : r[0];
  }
  std::string Count() { return SelectOn(D(), "SELECT COUNT(*) FROM " + ItemsName()).at(0); }
};

// The whole way through one row, on both databases: a double-click opens the editor on the
// cell clicked, Shift+Tab and Tab move, a column without an editor is grey and skipped, and
// Tab past the last column saves.
class EditInPlaceBoth : public EditInPlace {};

TEST_P(EditInPlaceBoth, DoubleClickEditsTheCellAndTabOffTheLastColumnSaves) {
  Load(Numbered(8));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) { b.EDITLIST->Add({3, 0, nullptr, 0}); };
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  ClickCell(s, 2, 2, kMouseLeft2);
  ASSERT_EQ(EditedColumn(w), 2) << "the editor stands on the cell double-clicked";
  const int nameEditor = Editor(w);
  EXPECT_EQ(w.Focus(), nameEditor);
  EXPECT_EQ(w.Text(nameEditor), "Name00002");
  EXPECT_EQ(w.EntryPicture(nameEditor), "s40") << "the column's picture";
  EXPECT_EQ(w.Columns(kList).at(2).textColor, kColorGrayText) << "price has no editor";
  EXPECT_EQ(w.Columns(kList).at(0).textColor, -1);

  Type(s, "Renamed two");
  Key(s, kShift | kKeyTab);
  EXPECT_EQ(EditedColumn(w), 1);
  EXPECT_EQ(Cell(s, 2, 2), "Renamed two") << "the row holds what was typed";
  EXPECT_EQ(Column("Name", "K00002"), "Name00002") << "nothing is written before the row ends";
  Key(s, kKeyTab);
  Key(s, kKeyTab);
  EXPECT_EQ(EditedColumn(w), 4) << "the column without an editor is skipped";
  Type(s, "77");
  Key(s, kKeyTab);

  EXPECT_EQ(EditedColumn(w), 0) << "Tab off the last column ends the row";
  EXPECT_EQ(Column("Name", "K00002"), "Renamed two");
  EXPECT_EQ(Column("Qty", "K00002"), "77");
  EXPECT_EQ(Cell(s, 2, 2), "Renamed two");
  EXPECT_EQ(s.Choice(), 2);
  EXPECT_EQ(w.Columns(kList).at(2).textColor, -1) << "the grey column is restored";
  EXPECT_FALSE(w.HasControl(nameEditor)) << "the editors are gone";
  EXPECT_EQ(w.Focus(), kList);
  EXPECT_TRUE(Captions().empty());
}

INSTANTIATE_TEST_SUITE_P(Db, EditInPlaceBoth, ::testing::ValuesIn(Dbs()), DbName);

TEST_P(EditInPlace, GoingOnWithTheNextRowsByTabAndArrows) {
  Load(Numbered(8));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) {
    b.TABACTION = kEditGoOn;                          // save, then the next row
    b.ARROWACTION = 3 | kEditGoOn | kEditKeepColumn;  // ask, go on, same column
  };
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  Click(s, kChange);
  ASSERT_EQ(EditedColumn(w), 1);
  Key(s, kKeyTab);
  Key(s, kKeyTab);
  Key(s, kKeyTab);
  Type(s, "5");
  Key(s, kKeyTab);
  EXPECT_EQ(Column("Qty", "K00001"), "5") << "saved";
  EXPECT_EQ(s.Choice(), 2) << "and on to the next row";
  EXPECT_EQ(EditedColumn(w), 1);

  Key(s, kKeyTab);
  Key(s, kKeyDown);  // nothing changed: no question, even in ask mode
  EXPECT_TRUE(Captions().empty());
  EXPECT_EQ(s.Choice(), 3);
  EXPECT_EQ(EditedColumn(w), 2) << "the arrow keeps the column";

  Type(s, "Third");
  Key(s, kKeyUp);
  EXPECT_EQ(Pending(), "Save Record");
  ASSERT_TRUE(Answer(kButtonYes));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Column("Name", "K00003"), "Third");
  EXPECT_EQ(s.Choice(), 2) << "up goes to the previous row";
  EXPECT_EQ(EditedColumn(w), 2);

  // A row that continues after a save writes against what it was read as.
  Type(s, "Second");
  Key(s, kKeyTab);
  Key(s, kKeyTab);
  Key(s, kKeyTab);
  EXPECT_EQ(Column("Name", "K00002"), "Second");
  EXPECT_EQ(s.Choice(), 3);
  Key(s, kKeyEsc);
  EXPECT_EQ(EditedColumn(w), 0);
  EXPECT_EQ(Captions(), std::vector<std::string>{"Save Record"});
}

// Where a new row goes in a full page (5 rows shown of 20), and Esc taking it out again.
TEST_P(EditInPlace, InsertingIntoAFullPageAndEscRemovingTheRow) {
  Load(Numbered(20));
  const struct Case {
    std::uint8_t insert;
    int highlighted;
    std::string shown;  // the page with the new row ("-")
    int choice;
  } cases[] = {
      {0, 2, "K00001 K00002 - K00003 K00004", 3},   // after the row; the last row drops
      {9, 2, "K00001 - K00002 K00003 K00004", 2},   // before the row
      {0, 5, "K00002 K00003 K00004 K00005 -", 5},   // after the last row: the page moves up
      {10, 2, "K00017 K00018 K00019 K00020 -", 5},  // at the end of the data
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("INSERT " + std::to_string(c.insert) + " on row " + std::to_string(c.highlighted));
    BrowseSetup setup;
    setup.configure = [&c](BrowseManager& b) {
      b.EIP = std::make_shared<EditInPlaceManager>();
      b.FREEEIP = 1;
      b.EIP->INSERT = c.insert;
    };
    BrowseSession s(D(), errors, backend, setup);
    ClickCell(s, c.highlighted, 1);
    Click(s, kInsert);
    std::vector<std::string> codes = s.Codes();
    for (std::string& code : codes)
      if (code.empty()) code = "-";
    EXPECT_EQ(Join(codes), c.shown);
    EXPECT_EQ(s.Choice(), c.choice);
    EXPECT_EQ(EditedColumn(s.Win()), 1);
    EXPECT_EQ(Editor(s.Win()), s.Win().Focus());
    Key(s, kKeyEsc);
    EXPECT_EQ(EditedColumn(s.Win()), 0);
    codes = s.Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), ""), 0) << "the new row is gone";
    EXPECT_EQ(codes.size(), 5u);
    EXPECT_EQ(Count(), "20");
    EXPECT_TRUE(Captions().empty()) << "an untouched new row ends without a question";
  }
}

TEST_P(EditInPlace, InsertedRowIsSavedAtItsPlaceAndABlankRequiredColumnStopsTheSave) {
  Load(Numbered(6));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) {
    auto name = std::make_shared<ColumnEditor>();
    name->REQ = 1;
    b.EDITLIST->Add({2, 0, name, 0});
  };
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  Click(s, kInsert);
  ASSERT_EQ(EditedColumn(w), 1);
  Type(s, "K00003A");
  Key(s, kKeyEnter);
  EXPECT_EQ(EditedColumn(w), 2) << "the blank required column stops the save";
  EXPECT_EQ(Column("Code", "K00003A"), "<none>");
  Type(s, "Between three and four");
  Key(s, kKeyTab);
  Key(s, kKeyTab);
  Type(s, "12");
  Key(s, kKeyEnter);
  EXPECT_EQ(EditedColumn(w), 0);
  EXPECT_EQ(Column("Name", "K00003A"), "Between three and four");
  EXPECT_EQ(Column("Qty", "K00003A"), "12");
  // The new record is highlighted at its place in the order, on the line it was typed on.
  EXPECT_EQ(Join(s.Codes()), "K00003 K00003A K00004 K00005 K00006");
  EXPECT_EQ(s.Choice(), 2);
  EXPECT_TRUE(Captions().empty());
}

TEST_P(EditInPlace, FailedSaveKeepsTheTypedRowAndTheRecordBufferAsItWas) {
  Load(Numbered(6));
  ItemsFile* file = nullptr;
  BrowseSetup setup;
  setup.configure = [&file](BrowseManager& b) {
    file = static_cast<ItemsFile*>(b.PrimaryFileManager());
  };
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  ClickCell(s, 2, 1);
  Click(s, kChange);
  Type(s, "K00001");  // the code of another record
  Key(s, kKeyTab);
  Type(s, "Duplicate");
  Key(s, kKeyEnter);
  EXPECT_FALSE(Pending().empty()) << "the failure is reported";
  ASSERT_TRUE(Answer(backend.Pending()->message.defaultButton));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(EditedColumn(w), 1) << "editing goes on from the first column";
  EXPECT_EQ(w.Text(Editor(w)), "K00001");
  EXPECT_EQ(Cell(s, 2, 1), "K00001");
  EXPECT_EQ(Cell(s, 2, 2), "Duplicate");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(std::string(file->Rec().CODE.Clipped()), "K00002") << "the buffer as before the save";
  EXPECT_EQ(std::string(file->Rec().NAME.Clipped()), "Name00002");
  EXPECT_EQ(Column("Name", "K00002"), "Name00002");

  Type(s, "K00002");
  Key(s, kKeyEnter);  // now it can be written
  EXPECT_EQ(EditedColumn(w), 0);
  EXPECT_EQ(Column("Name", "K00002"), "Duplicate");
  EXPECT_EQ(Column("Name", "K00001"), "Name00001");
}

TEST_P(EditInPlace, AskModeCancelGoesBackToTheFirstColumnAndNoAbandons) {
  Load(Numbered(6));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) { b.ENTERACTION = 3; };
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  Click(s, kChange);
  Key(s, kKeyTab);
  Type(s, "Asked");
  Key(s, kKeyEnter);
  ASSERT_EQ(Pending(), "Save Record");
  EXPECT_EQ(backend.Pending()->message.defaultButton, kButtonYes);
  ASSERT_TRUE(Answer(kButtonCancel));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(EditedColumn(w), 1) << "Cancel: editing resumes at column 1";
  EXPECT_EQ(Cell(s, 1, 2), "Asked");
  EXPECT_EQ(Column("Name", "K00001"), "Name00001");

  Key(s, kKeyEnter);
  ASSERT_TRUE(Answer(kButtonNo));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(EditedColumn(w), 0);
  EXPECT_EQ(Cell(s, 1, 2), "Name00001") << "No: the row shows the record again";
  EXPECT_EQ(Column("Name", "K00001"), "Name00001");

  Click(s, kChange);
  Key(s, kKeyTab);
  Type(s, "Asked again");
  Key(s, kKeyEnter);
  ASSERT_TRUE(Answer(kButtonYes));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Column("Name", "K00001"), "Asked again");
}

// A click elsewhere completes the row as on focus loss; the click still does what it does.
TEST_P(EditInPlace, ClickElsewhereCompletesTheRowAndStillTakesEffect) {
  Load(Numbered(6));
  BrowseSetup setup;
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  Click(s, kChange);
  ClickCell(s, 1, 2);
  EXPECT_EQ(EditedColumn(w), 2) << "a click on the edited row moves to that column";
  Type(s, "Left by a click");
  ClickCell(s, 4, 1);
  EXPECT_EQ(EditedColumn(w), 0);
  EXPECT_EQ(Column("Name", "K00001"), "Left by a click");
  EXPECT_EQ(s.Choice(), 4) << "the row clicked is highlighted";

  Click(s, kChange);
  EXPECT_EQ(s.Choice(), 4);
  Key(s, kKeyTab);
  Type(s, "Closed over");
  // Focus arriving on the button is ignored; its press ends the row, then closes the list.
  ASSERT_EQ(FocusTo(w.Id(), kClose), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(EditedColumn(w), 2) << "focus on a button alone does not end the row";
  ASSERT_EQ(Press(w.Id(), kClose), InputStatus::kOk);
  s.Finish();
  EXPECT_EQ(Column("Name", "K00004"), "Closed over");
  EXPECT_EQ(s.response.load(), RequestCompleted) << "the close button's answer, not a close box";
}

TEST_P(EditInPlace, DeleteRequestsByDeleteAction) {
  const struct Case {
    std::uint8_t action;
    std::string question;  // "" none
    bool deleted;
  } cases[] = {{0, "", true}, {4, "Confirm Delete", true}, {2, "", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE("DELETEACTION " + std::to_string(c.action));
    Load(Numbered(6));
    BrowseSetup setup;
    setup.configure = [&c](BrowseManager& b) { b.DELETEACTION = c.action; };
    BrowseSession s(D(), errors, backend, setup);
    ClickCell(s, 2, 1);
    Click(s, kDelete);
    EXPECT_EQ(Pending(), c.question);
    if (!c.question.empty()) {
      ASSERT_TRUE(Answer(kButtonYes));
      ASSERT_TRUE(Settled());
    }
    EXPECT_EQ(Column("Code", "K00002") == "<none>", c.deleted);
    EXPECT_EQ(Join(s.Codes()), c.deleted ? "K00001 K00003 K00004 K00005 K00006"
                                         : "K00001 K00002 K00003 K00004 K00005");
    EXPECT_EQ(EditedColumn(s.Win()), 0) << "a delete never edits";
  }
}

// With no column that can be edited the request ends at once, and the list works on.
TEST_P(EditInPlace, NoEditableColumnEndsTheRequestAtOnce) {
  Load(Numbered(6));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) {
    for (int field = 1; field <= kColumns; ++field) b.EDITLIST->Add({field, 0, nullptr, 0});
  };
  BrowseSession s(D(), errors, backend, setup);
  const Window w = s.Win();
  const int beeps = backend.BeepCount();
  Click(s, kChange);
  EXPECT_EQ(EditedColumn(w), 0);
  EXPECT_EQ(backend.BeepCount(), beeps + 1);
  for (int c = 1; c <= kColumns; ++c)
    EXPECT_EQ(w.Columns(kList).at(static_cast<std::size_t>(c - 1)).textColor, -1);
  Click(s, kInsert);
  EXPECT_EQ(Join(s.Codes()), "K00001 K00002 K00003 K00004 K00005") << "no row was added";
  ASSERT_EQ(PressKey(w.Id(), kList, kKeyDown), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(s.Choice(), 2) << "the list still answers";
  EXPECT_EQ(Count(), "6");
}

INSTANTIATE_TEST_SUITE_P(Db, EditInPlace, ::testing::Values(Db{"sqlite", true}), DbName);

}  // namespace
}  // namespace kv::test
