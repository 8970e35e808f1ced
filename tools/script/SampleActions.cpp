#include "tools/script/SampleActions.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/browse/PopupManager.h"
#include "platform/values/Utf8Text.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

constexpr int kEventSortByName = 1001;
constexpr int kEventSortByLength = 1002;

class Rows : public ListSource {
 public:
  int RowCount() const override { return static_cast<int>(rows.size()); }
  std::string Cell(int row, int) const override { return rows[row - 1]; }
  std::vector<std::string> rows{"apples", "pears", "plums"};
};

WindowDefinition ActionsWindow() {
  WindowDefinition def("Sample Actions");
  def.Size(220, 130);
  def.List("?ITEMS", "120L(2)|M~Name~L(2)@s30@").At(4, 4, 150, 122).Immediate(false);
  def.Button("?INSERT", "&Insert").At(160, 4, 56, 16).ControlIcon("INSERT.ICO");
  def.Button("?CHANGE", "&Change").At(160, 24, 56, 16).ControlIcon("CHANGE.ICO");
  def.Button("?DELETE", "&Delete").At(160, 44, 56, 16).ControlIcon("DELETE.ICO");
  def.Button("?TOOLBOX", "&Toolbox").At(160, 74, 56, 14);
  def.Button("?CLOSE", "&Close").At(160, 112, 56, 14);
  return def;
}

}  // namespace

void SampleActionsProcedure() {
  auto rows = std::make_shared<Rows>();
  Window w = Window::Open(ActionsWindow());
  const int kItems = w.Find("?ITEMS"), kInsert = w.Find("?INSERT"), kChange = w.Find("?CHANGE"),
            kDelete = w.Find("?DELETE"), kToolbox = w.Find("?TOOLBOX"), kClose = w.Find("?CLOSE");
  w.SetListSource(kItems, rows);
  w.SetAlert(kItems, 249, kMouseRightUp);
  w.SetAlert(kItems, 248, kKeyApps);
  w.Display(kItems);
  w.SetChoice(kItems, 1);

  PopupManager popup;
  popup.Init();
  popup.AddItemMimic("!&Insert", "Insert", kInsert);
  popup.AddItemMimic("!&Change", "Change", kChange);
  popup.AddItemMimic("!&Delete", "Delete", kDelete);
  popup.AddItem("-");
  popup.AddSubMenu("&Sort", "By &Name|By &Length");
  popup.AddItemEvent("ByName", kEventSortByName, kItems);
  popup.AddItemEvent("ByLength", kEventSortByLength, kItems);
  popup.AddItem("ByLength", "ToolSeparator", "-", 1);
  popup.AddItemMimic("!&Toolbox", "Toolbox", kToolbox);
  popup.SetToolbox("Toolbox", false);

  auto show = [&](int choice) {
    w.Display(kItems);
    int count = rows->RowCount();
    w.SetChoice(kItems, std::clamp(choice, count > 0 ? 1 : 0, count));
    w.SetDisabled(kChange, count == 0);
    w.SetDisabled(kDelete, count == 0);
  };
  auto selected = [&] {
    int row = w.Choice(kItems);
    return row >= 1 && row <= rows->RowCount() ? row : 0;
  };
  int inserted = 0;
  RunEventLoop(w, [&](const Event& e) {
    if (e.code == kEventAccepted) {
      if (e.control == kInsert) {
        rows->rows.push_back("item " + std::to_string(++inserted));
        show(rows->RowCount());
      } else if (e.control == kChange && selected() != 0) {
        std::string& row = rows->rows[selected() - 1];
        row = UpperText(row);
        show(selected());
      } else if (e.control == kDelete && selected() != 0) {
        int row = selected();
        rows->rows.erase(rows->rows.begin() + (row - 1));
        show(row);
      } else if (e.control == kToolbox) {
        popup.Toolbox("Sample Tools");
      } else if (e.control == kClose) {
        w.Post(kEventCloseWindow);
      }
      return LoopAnswer::kConsumed;
    }
    if (e.code == kEventSortByName || e.code == kEventSortByLength) {
      std::stable_sort(rows->rows.begin(), rows->rows.end(), [&](const auto& a, const auto& b) {
        return e.code == kEventSortByName ? a < b : Utf8Length(a) < Utf8Length(b);
      });
      show(1);
      return LoopAnswer::kConsumed;
    }
    if (e.code == kEventAlertKey && e.control == kItems) {
      if (e.keyCode == kMouseRightUp) {
        int row = w.LastClickRow(kItems);
        if (row > 0) w.SetChoice(kItems, row);
      }
      (void)popup.Ask();
      return LoopAnswer::kConsumed;
    }
    return LoopAnswer::kDefault;
  });
  popup.Kill();
}

}  // namespace kv
