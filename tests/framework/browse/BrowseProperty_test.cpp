// Random sequences of scrolling, typing, thumb drops, clicks and reloads on a list whose table
// another station changes between the actions. After every action the list shows exactly what
// a model of the browse predicts from the rows it showed before and the table as it is now:
// rows it keeps stay as they were read, and every row it reads is the right neighbour in the
// current table. The list never holds more rows than it shows.

#include <algorithm>
#include <random>
#include <set>

#include "tests/framework/browse/BrowseFixture.h"

#include "platform/window/KeyCode.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

using Codes = std::vector<std::string>;

class BrowseProperty : public BrowseTest {};

// What the browse should show: the rows, the highlighted row, and the thumb step's limits as
// they were read at the last reload.
struct Model {
  int visible = 6;
  Codes rows;
  int choice = 1;
  TextThumbStep step;

  void SetLimits(const Codes& table) {
    String<20> lo, hi;
    lo = table.front();
    hi = table.back();
    step.SetLimits(lo, hi);
  }
  // The list reloaded around `h` (a code of `table`), which lands on `line` when enough rows
  // precede and follow it.
  void Reposition(const Codes& table, const std::string& h, int line) {
    const int rank = int(std::find(table.begin(), table.end(), h) - table.begin());
    const int top = std::clamp(rank - (line - 1), 0, std::max(0, int(table.size()) - visible));
    rows.assign(table.begin() + top,
                table.begin() + std::min<int>(int(table.size()), top + visible));
    choice = rank - top + 1;
  }
  // The first code of `table` at or after `key`; the last code when there is none.
  static std::string AtOrAfter(const Codes& table, const std::string& key) {
    auto it = std::lower_bound(table.begin(), table.end(), key);
    return it == table.end() ? table.back() : *it;
  }
  static std::vector<std::string> After(const Codes& table, const std::string& code, int n) {
    auto it = std::upper_bound(table.begin(), table.end(), code);
    return Codes(it, std::min(table.end(), it + n));
  }
  static std::vector<std::string> Before(const Codes& table, const std::string& code, int n) {
    auto it = std::lower_bound(table.begin(), table.end(), code);
    return Codes(std::max(table.begin(), it - n), it);
  }
  void Down(const Codes& table) {
    if (choice < int(rows.size())) {
      ++choice;
      return;
    }
    for (const std::string& n : After(table, rows.back(), 1)) {
      rows.push_back(n);
      if (int(rows.size()) > visible) rows.erase(rows.begin());
    }
  }
  void Up(const Codes& table) {
    if (choice > 1) {
      --choice;
      return;
    }
    for (const std::string& p : Before(table, rows.front(), 1)) {
      rows.insert(rows.begin(), p);
      if (int(rows.size()) > visible) rows.pop_back();
    }
  }
  void PageDown(const Codes& table) {
    const Codes read = After(table, rows.back(), visible);
    rows.insert(rows.end(), read.begin(), read.end());
    if (int(rows.size()) > visible) rows.erase(rows.begin(), rows.end() - visible);
    choice = std::min(choice + visible - int(read.size()), int(rows.size()));
  }
  void PageUp(const Codes& table) {
    const Codes read = Before(table, rows.front(), visible);
    rows.insert(rows.begin(), read.begin(), read.end());
    if (int(rows.size()) > visible) rows.resize(std::size_t(visible));
    choice = std::max(choice - (visible - int(read.size())), 1);
  }
  void Top(const Codes& table) {
    rows.assign(table.begin(), table.begin() + std::min<int>(visible, int(table.size())));
    choice = 1;
  }
  void Bottom(const Codes& table) {
    rows.assign(table.end() - std::min<int>(visible, int(table.size())), table.end());
    choice = int(rows.size());
  }
};

TEST_P(BrowseProperty, ShownRowsAreTheModelsWindowOfTheChangingTable) {
  const int seeds = D().name == "sqlite" ? 3 : 1;
  for (int seed = 1; seed <= seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random{static_cast<unsigned>(seed)};
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    auto randomCode = [&] {
      char code[8];
      std::snprintf(code, sizeof code, "%c%03d", 'A' + pick(6), pick(1000));
      return std::string(code);
    };
    std::vector<Item> start;
    std::set<std::string> used;
    while (start.size() < 80) {
      std::string c = randomCode();
      if (used.insert(c).second) start.push_back({c, "Item " + c, 1});
    }
    Load(start);

    Model model;
    BrowseSetup setup;
    setup.visibleRows = model.visible;
    setup.step = Step::kText;
    BrowseSession s(D(), errors, backend, setup);
    model.Top(Sorted());
    model.SetLimits(Sorted());
    ASSERT_EQ(s.Codes(), model.rows);

    std::string log;
    for (int step = 0; step < 40; ++step) {
      // Another station changes the table, often a row the list shows.
      if (pick(2) == 0) {
        const Codes now = Sorted();
        if (pick(2) == 0 && now.size() > 50) {
          Remove(pick(2) == 0 ? model.rows[std::size_t(pick(int(model.rows.size())))]
                              : now[std::size_t(pick(int(now.size())))]);
          log += "[delete] ";
        } else {
          std::string c = randomCode();
          if (!items.count(c)) Insert({c, "New " + c, 1});
          log += "[insert " + c + "] ";
        }
      }
      const Codes table = Sorted();
      const WindowId w = s.Win().Id();
      const int action = pick(10);
      switch (action) {
        case 0:
          log += "Down ";
          ASSERT_EQ(PressKey(w, kList, kKeyDown), InputStatus::kOk);
          model.Down(table);
          break;
        case 1:
          log += "Up ";
          ASSERT_EQ(PressKey(w, kList, kKeyUp), InputStatus::kOk);
          model.Up(table);
          break;
        case 2:
          log += "PageDown ";
          ASSERT_EQ(PressKey(w, kList, kKeyPageDown), InputStatus::kOk);
          model.PageDown(table);
          break;
        case 3:
          log += "PageUp ";
          ASSERT_EQ(PressKey(w, kList, kKeyPageUp), InputStatus::kOk);
          model.PageUp(table);
          break;
        case 4:
          log += "Top ";
          ASSERT_EQ(PressKey(w, kList, kKeyHome | kCtrl), InputStatus::kOk);
          model.Top(table);
          break;
        case 5:
          log += "Bottom ";
          ASSERT_EQ(PressKey(w, kList, kKeyEnd | kCtrl), InputStatus::kOk);
          model.Bottom(table);
          break;
        case 6: {
          const char letter = char('A' + pick(7));  // G: after every code
          log += std::string("Type ") + letter + " ";
          ASSERT_EQ(PressKey(w, kList, letter), InputStatus::kOk);
          model.Down(table);  // the locator first moves one row down
          const std::string moved = model.rows[std::size_t(model.choice - 1)];
          const std::string key = moved[0] == letter ? moved : std::string(1, letter);
          model.Reposition(table, Model::AtOrAfter(table, key), model.choice);
          break;
        }
        case 7: {
          const int p = pick(101);
          log += "Drop " + std::to_string(p) + " ";
          ASSERT_EQ(DragThumb(w, kList, p), InputStatus::kOk);
          if (p <= 1) {
            model.Top(table);
          } else if (p >= 100) {
            model.Bottom(table);
          } else {
            const std::string key = model.step.ValueAt(std::int16_t(p)).Ref().ToClippedText();
            model.Reposition(table, Model::AtOrAfter(table, key), model.choice);
          }
          break;
        }
        case 8: {
          log += "Refresh ";
          const std::string h = model.rows[std::size_t(model.choice - 1)];
          s.Do([](ItemsBrowse& b) { b.browse.Refresh(1); });
          // A highlighted row that vanished gives its line to the row after it.
          const Codes next = Model::After(table, h, 1);
          const std::string target = items.count(h) ? h : next.empty() ? table.back() : next[0];
          model.Reposition(table, target, model.choice);
          model.SetLimits(table);
          break;
        }
        default: {
          const int row = 1 + pick(int(model.rows.size()));
          log += "Click " + std::to_string(row) + " ";
          ASSERT_EQ(ClickRow(w, kList, row, kMouseLeft), InputStatus::kOk);
          model.choice = row;
          break;
        }
      }
      ASSERT_TRUE(Settled());
      const Codes shown = s.Codes();
      ASSERT_LE(int(shown.size()), model.visible);
      ASSERT_EQ(Join(shown), Join(model.rows)) << log;
      ASSERT_EQ(s.Choice(), model.choice) << log;
    }
    s.Finish();
    EXPECT_TRUE(Captions().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Db, BrowseProperty, ::testing::ValuesIn(Dbs()), DbName);

}  // namespace
}  // namespace kv::test
