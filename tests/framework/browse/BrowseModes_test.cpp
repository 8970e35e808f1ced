// A list opened to select a record (the buffer saved at the start, then dropped or put back),
// and a list that holds the whole result (file-loaded).

#include "tests/framework/browse/BrowseFixture.h"

#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

class BrowseModes : public BrowseTest {};

TEST_P(BrowseModes, SelectingStartsAtTheRecordAndLeavesTheChosenOneInTheBuffer) {
  Load(Numbered(20));
  for (bool wholeRecord : {false, true}) {
    SCOPED_TRACE(wholeRecord ? "whole record" : "row fields");
    BrowseSetup setup;
    setup.request = SelectRecord;
    setup.load = {"K00010", "", 0};
    setup.configure = [wholeRecord](BrowseManager& b) { b.SELECTWHOLERECORD = wholeRecord; };
    BrowseSession s(D(), errors, backend, setup);
    EXPECT_EQ(Join(s.Codes()), "K00010 K00011 K00012 K00013 K00014") << "starts at the record";
    EXPECT_FALSE(s.Win().Disabled(kSelect));
    EXPECT_TRUE(s.Win().IsDefaultButton(kSelect));
    Rename("K00011", "Renamed meanwhile");  // the row still shows the old name
    ASSERT_EQ(ClickRow(s.Win().Id(), kList, 2, kMouseLeft2), InputStatus::kOk);
    s.Finish();  // the selection closes the window
    EXPECT_EQ(s.response.load(), RequestCompleted);
    EXPECT_EQ(s.buffer.code, "K00011");
    EXPECT_EQ(s.buffer.name, wholeRecord ? "Renamed meanwhile" : "Name00011");
    Rename("K00011", "Name00011");
  }
}

TEST_P(BrowseModes, CancelledSelectionPutsTheBufferBack) {
  Load(Numbered(20));
  BrowseSetup setup;
  setup.request = SelectRecord;
  setup.load = {"K00004", "", 0};
  BrowseSession s(D(), errors, backend, setup);
  ASSERT_EQ(PressKey(s.Win().Id(), kList, kKeyPageDown), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Press(s.Win().Id(), kClose), InputStatus::kOk);
  s.Finish();
  EXPECT_EQ(s.response.load(), RequestCancelled);
  EXPECT_EQ(s.buffer, (Item{"K00004", "Name00004", 17}));
}

TEST_P(BrowseModes, SelectButtonOutsideSelectionIsHiddenWithHideSelect) {
  Load(Numbered(3));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) { b.HIDESELECT = 1; };
  BrowseSession s(D(), errors, backend, setup);
  EXPECT_TRUE(s.Win().Hidden(kSelect));
  EXPECT_TRUE(s.Win().Disabled(kSelect));
}

TEST_P(BrowseModes, FileLoadedListHoldsEverythingAndOnlyMovesTheHighlight) {
  Load(Numbered(12));
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) { b.FILELOADED = 1; };
  BrowseSession s(D(), errors, backend, setup);
  EXPECT_EQ(s.Codes(), Sorted()) << "the whole result";
  int before = 0;
  s.Do([&](ItemsBrowse& b) { before = b.view->Statements(); });
  const struct {
    int key;
    int choice;
  } steps[] = {{kKeyPageDown, 6}, {kKeyPageDown, 11},    {kKeyPageDown, 12}, {kKeyDown, 12},
               {kKeyPageUp, 7},   {kKeyHome | kCtrl, 1}, {kKeyUp, 1},        {kKeyEnd | kCtrl, 12}};
  for (const auto& st : steps) {
    ASSERT_EQ(PressKey(s.Win().Id(), kList, st.key), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(s.Choice(), st.choice) << KeyName(st.key);
    EXPECT_EQ(s.Codes().size(), 12u);
  }
  int after = 0;
  s.Do([&](ItemsBrowse& b) { after = b.view->Statements(); });
  EXPECT_EQ(after, before) << "nothing is read again";
}

INSTANTIATE_TEST_SUITE_P(Db, BrowseModes, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
