// The locator on a list over a real table, driven by typed keys: stepping through the records
// that begin with a letter, case-blind and exact, descending orders, keys that type nothing,
// an empty list, the locator's entry control, and order changes.

#include "tests/framework/browse/BrowseFixture.h"

#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

class BrowseLocator : public BrowseTest {
 protected:
  // Types `c` on the list; answers the highlighted code.
  std::string Type(BrowseSession& s, char c) {
    const int key =
        c >= 'a' && c <= 'z' ? c - 'a' + 'A' : (c >= 'A' && c <= 'Z' ? (c | kShift) : c);
    EXPECT_EQ(PressKey(s.Win().Id(), kList, key), InputStatus::kOk);
    EXPECT_TRUE(Settled());
    const int choice = s.Choice();
    const std::vector<std::string> codes = s.Codes();
    return choice >= 1 && choice <= int(codes.size()) ? codes[std::size_t(choice - 1)] : "";
  }
};

std::vector<Item> Lettered() {
  return {{"A1", "n", 1}, {"A2", "n", 1}, {"B1", "n", 1}, {"B2", "n", 1},
          {"C1", "n", 1}, {"a3", "n", 1}, {"c4", "n", 1}};
}

TEST_P(BrowseLocator, TypedLettersStepThroughTheRecordsThatBeginWithThem) {
  Load(Lettered());
  BrowseSetup setup;
  setup.visibleRows = 4;
  BrowseSession s(D(), errors, backend, setup);
  // Case-blind: "a" and "A" are the same letter. Codes in small letters sort after capitals.
  EXPECT_EQ(Type(s, 'a'), "A2");
  EXPECT_EQ(Type(s, 'a'), "A1");
  EXPECT_EQ(Type(s, 'c'), "C1");
  EXPECT_EQ(Type(s, 'c'), "C1") << "the next row, a3, does not begin with C";
  EXPECT_EQ(Type(s, 'z'), "a3") << "the first code at or after Z";
  EXPECT_EQ(Type(s, 'B'), "B1");
  EXPECT_EQ(Type(s, 'b'), "B2");
}

TEST_P(BrowseLocator, ExactLocatorKeepsTheLetterCase) {
  Load(Lettered());
  BrowseSetup setup;
  setup.visibleRows = 4;
  setup.noCase = false;
  BrowseSession s(D(), errors, backend, setup);
  EXPECT_EQ(Type(s, 'a'), "a3");
  EXPECT_EQ(Type(s, 'A'), "A1");
  EXPECT_EQ(Type(s, 'c'), "c4");
  EXPECT_EQ(Type(s, 'z'), "c4") << "past the end: the last page, its last record";
  EXPECT_EQ(Join(s.Codes()), "B2 C1 a3 c4");
}

TEST_P(BrowseLocator, DescendingOrderLandsOnTheFirstRecordOfTheLetter) {
  Load({{"K1", "Alpha", 1},
        {"K2", "Bravo1", 1},
        {"K3", "Bravo2", 1},
        {"K4", "Charlie", 1},
        {"K5", "Delta", 1}});
  BrowseSetup setup;
  setup.visibleRows = 3;
  setup.key = kKeyNameDown;
  BrowseSession s(D(), errors, backend, setup);
  ASSERT_EQ(Join(s.Codes()), "K5 K4 K3");
  std::string value;
  s.Do([&](ItemsBrowse& b) {
    value = Locator::SearchValue('b', true, b.browse.FieldAscending(VarRef(b.file.Rec().NAME)));
  });
  EXPECT_EQ(value, "B\xC3\xBE") << "the letter and the character of code 254";
  EXPECT_EQ(Type(s, 'b'), "K3") << "Bravo2 comes first in descending order";
  EXPECT_EQ(Type(s, 'b'), "K2");
  EXPECT_EQ(Type(s, 'a'), "K1");
}

TEST_P(BrowseLocator, KeysThatTypeNothingNeverSearch) {
  Load(Lettered());
  BrowseSession s(D(), errors, backend, {});
  std::uint8_t answer = 9;
  std::string code;
  int choice = 0;
  s.Do([&](ItemsBrowse& b) {
    for (int key : {int(kKeyF1), int(kKeyDown), kCtrl | 'A', int(kMouseLeft)}) {
      SetKeyCode(key);
      answer = b.locator.TakeKey();
      if (answer != 0) break;
    }
    code = std::string(b.file.Rec().CODE.Clipped());
    choice = b.browse.CURRENTCHOICE;
  });
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(code, "A1") << "the free element keeps its value";
  EXPECT_EQ(choice, 1) << "and the highlight stays";
}

TEST_P(BrowseLocator, EmptyListReadsAgainFromTheLetterAndTheEntryFollowsTheRows) {
  BrowseSetup setup;
  setup.configure = [](BrowseManager& b) {
    static_cast<ItemsBrowse*>(b.WINDOW)->locator.CONTROL = kSelect;  // an entry control
  };
  BrowseSession s(D(), errors, backend, setup);
  EXPECT_TRUE(s.Win().Disabled(kSelect)) << "the locator's control with no rows";
  EXPECT_EQ(Type(s, 'q'), "");
  EXPECT_TRUE(s.Codes().empty());
  Insert({"Q1", "n", 1});
  Insert({"R1", "n", 1});
  EXPECT_EQ(Type(s, 'r'), "R1") << "read again from R";
  EXPECT_EQ(Join(s.Codes()), "Q1 R1");
  EXPECT_FALSE(s.Win().Disabled(kSelect));
}

// A locator that counts how often it is told Clear.
class CountingLocator : public Locator {
 public:
  void Clear() override { ++clears; }
  int clears = 0;
};

TEST_P(BrowseLocator, ChangingToAnotherOrderClearsItsLocator) {
  Load(Lettered());
  CountingLocator first, second;
  BrowseSetup setup;
  setup.locator = false;
  setup.configure = [&](BrowseManager& b) {
    first.Init(0, b.CurrentSort()->FREEELEMENT, 1, b);
    b.AddLocator(&first);
    b.AddSortOrder(nullptr, kKeyName);
    second.Init(0, b.CurrentSort()->FREEELEMENT, 1, b);
    b.AddLocator(&second);
    b.SetSort(1);
  };
  BrowseSession s(D(), errors, backend, setup);
  std::uint8_t same = 9, other = 9;
  int firstBefore = 0, firstAfter = 0, secondAfter = 0;
  s.Do([&](ItemsBrowse& b) {
    firstBefore = first.clears;
    same = b.browse.SelectSort(1, 0);
    firstAfter = first.clears;
    other = b.browse.SelectSort(2, 0);
    secondAfter = second.clears;
  });
  EXPECT_EQ(same, 0) << "nothing changed: no reload";
  EXPECT_EQ(firstAfter, firstBefore) << "the current order's locator is not cleared";
  EXPECT_EQ(other, 1);
  EXPECT_GE(secondAfter, 1);
  first.Kill();
  second.Kill();
}

INSTANTIATE_TEST_SUITE_P(Db, BrowseLocator, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
