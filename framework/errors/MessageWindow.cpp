#include "framework/errors/MessageWindow.h"

#include "framework/errors/ErrorWindow.h"
#include "framework/errors/HistoryListSource.h"
#include "platform/window/EventLoop.h"
#include "platform/window/ModalServices.h"

namespace kv {
namespace {

struct ButtonText {
  std::int32_t value;
  const char* text;
};

// From the highest value down: the order in which buttons take the controls from the right.
constexpr ButtonText kButtonTexts[] = {
    {kButtonHelp, "&Help"},   {kButtonCancel, "&Cancel"}, {kButtonIgnore, "&Ignore"},
    {kButtonRetry, "&Retry"}, {kButtonAbort, "&Abort"},   {kButtonNo, "&No"},
    {kButtonYes, "&Yes"},     {kButtonOk, "O&k"},
};

}  // namespace

MessageWindow::MessageWindow(const WindowDefinition& window, ErrorManager& errors,
                             std::string_view caption, std::int32_t iconNumber,
                             std::int32_t buttons, std::int32_t defaultButton, std::int32_t style)
    : BUTTONTYPES(buttons),
      CAPTION(caption),
      ERR(errors),
      ICON(iconNumber),
      MSGRVAL(defaultButton),
      STYLE(style),
      definition_(window) {}

MessageWindow::~MessageWindow() = default;

ResultLevel MessageWindow::Init() {
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  if (HISTORYHANDLER != nullptr) AddItem(*HISTORYHANDLER);
  // Over whatever window the thread shows now: the message belongs to it.
  Open(definition_, Window::Active());
  WIN = MYWINDOW;
  if (!CAPTION.empty()) WIN.SetCaption(CAPTION);
  MSGBUTTONS = 0;
  for (const ButtonText& b : kButtonTexts) {
    if ((BUTTONTYPES & b.value) == 0 || MSGBUTTONS == kErrorWindowButtons) continue;
    ++MSGBUTTONS;
    MSGBUTTONID[MSGBUTTONS - 1] = b.value;
    int control = kErrorWindowFirstButton - 1 + MSGBUTTONS;
    WIN.SetText(control, b.text);
    if (b.value == MSGRVAL) {
      WIN.SetDefaultButton(control, true);
      WIN.Select(control);
    }
    WIN.SetHidden(control, false);
  }
  ShowIcon();
  return Benign;
}

ResultLevel MessageWindow::Kill() {
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  CAPTION.clear();
  CAPTION.shrink_to_fit();
  WIN.Close();
  OPENED = 0;
  return Benign;
}

ResultLevel MessageWindow::TakeAccepted() {
  if (ResultLevel r = WindowManager::TakeAccepted(); r != Benign) return r;
  int control = CurrentEvent().control;
  int index = control - kErrorWindowFirstButton;
  if (index >= 0 && index < MSGBUTTONS) {
    MSGRVAL = MSGBUTTONID[index];
    return Fatal;
  }
  return Benign;
}

void MessageWindow::ShowIcon() {
  constexpr auto kInformation = static_cast<std::uint16_t>(kIconInformation >> 16);
  std::uint16_t number = ICON != 0 ? static_cast<std::uint16_t>(ICON) : kInformation;
  WIN.SetControlIcon(kErrorWindowImage, StockIconName(number));
}

}  // namespace kv
