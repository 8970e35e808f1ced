#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// Button values of message boxes; a set of buttons is their sum.
enum Button : int {
  kButtonOk = 1,
  kButtonYes = 2,
  kButtonNo = 4,
  kButtonAbort = 8,
  kButtonRetry = 16,
  kButtonIgnore = 32,
  kButtonCancel = 64,
  kButtonHelp = 128,
};

// Icon references: bytes 0xFF, 0x01, then the 16-bit little-endian number of a stock icon,
// read as one little-endian 32-bit value.
constexpr std::uint32_t StockIcon(std::uint16_t number) {
  return 0x01FFu | (static_cast<std::uint32_t>(number) << 16);
}
constexpr std::uint32_t kIconExclamation = StockIcon(32515);
constexpr std::uint32_t kIconInformation = StockIcon(32516);

// Image controls and buttons name their icons by text (Control::icon). A stock icon is named
// "STOCK:" followed by its number ("STOCK:32516", the information icon), so a window can show
// the icons message boxes use. Thread: any.
std::string StockIconName(std::uint16_t number);
// The stock icon number that `name` stands for; 0 when it names no stock icon.
std::uint16_t StockIconNumber(std::string_view name);

// What a message box shows. A "|" in `text` starts a new line.
struct MessageBoxRequest {
  std::string text;
  std::string caption;
  std::uint32_t icon = 0;  // a stock icon reference, or 0 for none
  int buttons = kButtonOk;
  int defaultButton = kButtonOk;
  int style = 0;  // passed through unchanged; 0 is the ordinary box
};

// What a pop-up menu shows: a menu-definition string ("item|-|~disabled|+checked|{sub|...}",
// MenuDefinition.h), and where. A positive coordinate is a place in the asking thread's active
// window, in dialog units from the top-left corner of its client area; a coordinate of 0 or
// less takes the runtime's default place: where the mouse was last clicked, or, when the
// context-menu key was pressed on a list since, just below that list's highlighted row.
struct PopupMenuRequest {
  std::string definition;
  int x = 0;
  int y = 0;
};

// The modal services that the backend answers: each call blocks the calling logical thread
// until the user (or a script) has answered. Callers must hold no lock while calling.
class ModalServices {
 public:
  virtual ~ModalServices() = default;
  // Returns the value of the button pressed (one of `request.buttons`).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
  // Returns the number of the selectable item chosen (counted from 1 over the items that can
  // be chosen), or 0 when the menu was dismissed.
  virtual int ShowPopupMenu(const PopupMenuRequest& request) = 0;
};

// Installs the backend's modal services (not owned); nullptr restores the console fallback,
// which prints a message box to standard error and answers its default button, and dismisses
// every pop-up menu. Thread: any; the installed object must outlive its use.
void SetModalServices(ModalServices* services);
ModalServices& Modal();

}  // namespace kv
