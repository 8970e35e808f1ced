#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/window/WindowManager.h"
#include "platform/window/Window.h"
#include "platform/window/WindowDefinition.h"

namespace kv {

class ErrorManager;
class HistoryListSource;

// The procedure that shows the error window (ErrorWindow.h): an icon, the list of the error
// history and up to eight buttons; it returns the value of the button pressed. The error
// manager runs one for each ShowHistoryWindow call:
//
//   MessageWindow window(ErrorWindow(), errors, "Errors History", 0, kButtonOk + kButtonHelp,
//                        kButtonOk, 0);
//   HistoryListSource list(errors, records, window.WIN);
//   window.HISTORYHANDLER = &list;
//   window.Run();                      // Init, the event loop, Kill
//   int pressed = window.MSGRVAL;      // the button pressed, or the default
//
// Buttons. Init shows one button for each value of BUTTONTYPES (OK 1, Yes 2, No 4, Abort 8,
// Retry 16, Ignore 32, Cancel 64, Help 128), taking them from 128 down to 1 and giving them
// the controls 100, 101, ... in turn, so the highest value stands at the right edge and the
// others follow leftwards: Yes + No shows "&Yes" (101) left of "&No" (100). The button of the
// default value is the window's default button and has the focus. Pressing a shown button sets
// MSGRVAL to its value and ends the event loop; closing the window any other way leaves
// MSGRVAL at the default value.
//
// Thread: the logical thread that runs it (which needs an event queue), like every window
// manager. Nothing here is shared.
class MessageWindow : public WindowManager {
 public:
  // Copies `caption` (empty keeps the definition's title "Error") and stores the rest;
  // MSGRVAL := `defaultButton`. `window` and `errors` must outlive the object.
  MessageWindow(const WindowDefinition& window, ErrorManager& errors, std::string_view caption,
                std::int32_t iconNumber, std::int32_t buttons, std::int32_t defaultButton,
                std::int32_t style);
  ~MessageWindow() override;

  // ---- Fields, after the window manager's, in declaration order.
  std::int32_t BUTTONTYPES = 0;  // the sum of the button values to show
  std::string CAPTION;           // the window title; empty keeps "Error"
  ErrorManager& ERR;
  std::int32_t ICON = 0;                        // stock icon number; 0 the information icon
  HistoryListSource* HISTORYHANDLER = nullptr;  // registered by Init when set; not owned
  std::int32_t MSGBUTTONS = 0;                  // number of buttons shown
  std::array<std::int32_t, 8> MSGBUTTONID{};    // value of the button on control 100 + i
  std::int32_t MSGRVAL = 0;  // the default value on entry, the pressed button's on exit
  std::int32_t STYLE = 0;    // a style value; nothing reads it
  Window WIN;                // the error window while it is open

  // Slot 1. The window manager's Init (a non-Benign answer is returned as it is); then
  // registers HISTORYHANDLER when set, opens the window over the calling thread's active window
  // (OPENED := 1, WIN), sets the title from CAPTION when it is not empty, shows the buttons
  // (above; control 99 + n gets the text "&Help", "&Cancel", "&Ignore", "&Retry", "&Abort",
  // "&No", "&Yes" or "O&k" of the n-th value) and calls ShowIcon. Benign.
  ResultLevel Init() override;
  // Slot 2. The window manager's Kill (a non-Benign answer is returned at once); then releases
  // the caption, closes the window and clears OPENED. Benign.
  ResultLevel Kill() override;
  // Slot 13. The window manager's TakeAccepted first (a non-Benign answer is returned as it
  // is). A shown button (controls 100 to 99 + MSGBUTTONS) sets MSGRVAL to its value and answers
  // Fatal, which ends the event loop; any other control answers Benign.
  ResultLevel TakeAccepted() override;
  // Slot 30. The image shows the stock icon numbered ICON, or the information icon when ICON
  // is 0.
  virtual void ShowIcon();

 private:
  const WindowDefinition& definition_;
};

}  // namespace kv
