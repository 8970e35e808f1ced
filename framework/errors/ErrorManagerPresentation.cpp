// How the error manager presents a message: the log and history steps, the message box and
// the caller-chosen question.
#include <cstdio>
#include <string>

#include "framework/errors/ErrorManager.h"
#include "framework/errors/MessageText.h"
#include "platform/RuntimeError.h"
#include "platform/values/Calendar.h"
#include "platform/window/ModalServices.h"

namespace kv {

std::int32_t ErrorManager::IconNumber(std::uint32_t icon) {
  // A stock icon reference (0xFF, 0x01, number) does not convert to a number: 0.
  if ((icon & 0xFFFFu) == 0x01FFu) return 0;
  return static_cast<std::int32_t>(icon);
}

void ErrorManager::NoteLogFailure(const char* step) {
  logDiagnostic_ = std::string(step) + LastErrorText();
  // Never shown to the user; standard error is where a trace of it can be found.
  std::fprintf(stderr, "%s\n", logDiagnostic_.c_str());
}

void ErrorManager::WriteLogLine(std::string_view text) {
  if (!ERRORLOG) return;
  // The log's own file operations must not replace the runtime error the caller may still
  // read after the message: it is put back afterwards.
  RuntimeError saved = LastError();
  // Each step is tried whatever the previous one gave; a failure is only noted, never shown,
  // and never changes the message's result.
  if (ERRORLOG->OpenLog(false) != Benign) NoteLogFailure("Unable to Open error log; ");
  if (ERRORLOG->WriteLog(FormatErrorLogLine(text, Today(), Clock())) != Benign) {
    NoteLogFailure("Unable to update error log; ");
  }
  if (ERRORLOG->CloseLog(false) != Benign) NoteLogFailure("Unable to close error log; ");
  SetLastError(saved.code, saved.text, saved.driverCode, saved.driverText);
}

int ErrorManager::ShowMessage(std::string_view text, std::string_view title, std::uint32_t icon,
                              int buttons, int defaultButton, int style) {
  bool silent = false;
  std::int32_t threshold = 0;
  std::int32_t viewLevel = 0;
  bool resetOnView = false;
  ResultLevel level = Benign;
  {
    CriticalGuard guard(CRITSECT);
    ErrorStatus& status = StatusLocked();
    level = status.ERRORBUFFER.FATALITY;
    if (LOGERRORS) WriteLogLine(text);
    if (HISTORYTHRESHOLD != 0 && HISTORY) {
      HISTORY->MakeRoom(HISTORYTHRESHOLD);
      auto id = static_cast<MessageId>(status.ERRORBUFFER.ID);
      AppendHistory(HistoryRecord{GetMessageCategory(id), std::string(text),
                                  static_cast<std::int16_t>(status.ERRORBUFFER.ID)});
    }
    silent = SILENT;
    threshold = HISTORYTHRESHOLD;
    viewLevel = HISTORYVIEWLEVEL;
    resetOnView = HISTORYRESETONVIEW;
  }
  // From here on nothing is held: the box or window may take as long as the user likes.
  if (silent) return defaultButton;
  if (threshold != 0) {
    // With the history on, only the view level is shown, and as the history window; the
    // current message is already its last entry.
    if (level != viewLevel) return defaultButton;
    int result = ShowHistoryWindow(title, IconNumber(icon), buttons, defaultButton);
    if (resetOnView) ClearHistory();
    return result;
  }
  return ShowMessageBox(level, text, title, icon, buttons, defaultButton, style);
}

int ErrorManager::ShowMessageBox(ResultLevel, std::string_view text, std::string_view title,
                                 std::uint32_t icon, int buttons, int defaultButton, int style) {
  MessageBoxRequest request;
  request.text.assign(text);
  request.caption.assign(title);
  request.icon = icon;
  request.buttons = buttons;
  request.defaultButton = defaultButton;
  request.style = style;
  return Modal().ShowMessageBox(request);
}

int ErrorManager::AskQuestion(MessageId id, int buttons, int defaultButton) {
  if (GetSilent()) return defaultButton;
  SelectMessage(id);
  return ShowMessageBox(Benign, ExpandMessageText(), CurrentTitle(), kIconExclamation, buttons,
                        defaultButton, GetMsgStyle());
}

std::string ErrorManager::LastLogDiagnostic() const {
  CriticalGuard guard(CRITSECT);
  return logDiagnostic_;
}

}  // namespace kv
