#include "tools/script/SampleProcedure.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/values/FixedText.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/ModalServices.h"
#include "platform/window/VariableBinding.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

class Names : public ListSource {
 public:
  int RowCount() const override { return static_cast<int>(names.size()); }
  std::string Cell(int row, int) const override { return names[row - 1]; }
  std::vector<std::string> names;
};

WindowDefinition SampleWindow() {
  WindowDefinition def("Sample Items");
  def.Size(200, 140).Resizable();
  def.Prompt("?NAME:PROMPT", "Name:").At(4, 4, 30, 10);
  def.Entry("?NAME", "@s20").At(40, 4, 90, 10);
  def.Button("?ADD", "&Add").At(140, 4, 50, 14).Default();
  def.List("?ITEMS", "120L(2)|M~Name~L(2)@s20@").At(4, 24, 186, 90).Immediate(false);
  def.Button("?CLOSE", "&Close").At(140, 120, 50, 14);
  return def;
}

}  // namespace

void SampleItemsProcedure() {
  String<20> name;
  auto names = std::make_shared<Names>();
  Window w = Window::Open(SampleWindow());
  const int kName = w.Find("?NAME"), kAdd = w.Find("?ADD"), kItems = w.Find("?ITEMS"),
            kClose = w.Find("?CLOSE");
  (void)BindControl(w, kName, name);
  w.SetListSource(kItems, names);
  w.SetAlert(kItems, 254, kKeyDelete);
  w.SetAlert(kItems, 249, kMouseRightUp);

  auto add = [&] {
    if (name.Clipped().empty()) {
      MessageBoxRequest box;
      box.text = "Type a name first";
      box.caption = "Sample Items";
      box.icon = kIconExclamation;
      (void)Modal().ShowMessageBox(box);
      w.Select(kName);
      return;
    }
    names->names.emplace_back(name.Clipped());
    name = "";
    w.Display();
    w.SetChoice(kItems, names->RowCount());
  };
  auto remove = [&] {
    int row = w.Choice(kItems);
    if (row < 1 || row > names->RowCount()) return;
    MessageBoxRequest box;
    box.text = "Delete " + names->names[row - 1] + "?";
    box.caption = "Confirm";
    box.buttons = kButtonYes | kButtonNo;
    box.defaultButton = kButtonNo;
    if (Modal().ShowMessageBox(box) != kButtonYes) return;
    names->names.erase(names->names.begin() + (row - 1));
    w.Display(kItems);
  };

  RunEventLoop(w, [&](const Event& e) {
    if (e.code == kEventAccepted && e.control == kAdd) add();
    if (e.code == kEventAccepted && e.control == kClose) w.Post(kEventCloseWindow);
    if (e.code == kEventAlertKey && e.control == kItems) {
      if (e.keyCode == kKeyDelete) remove();
      if (e.keyCode == kMouseRightUp) {
        int row = w.LastClickRow(kItems);
        if (row > 0) w.SetChoice(kItems, row);
        switch (Modal().ShowPopupMenu(PopupMenuRequest{"&Add|&Delete|-|&Close", -1, -1})) {
          case 1:
            add();
            break;
          case 2:
            remove();
            break;
          case 3:
            w.Post(kEventCloseWindow);
            break;
          default:
            break;
        }
      }
      return LoopAnswer::kConsumed;
    }
    return LoopAnswer::kDefault;
  });
}

}  // namespace kv
