// The error history of the error manager: recording, clearing, and showing it in the error
// window.
#include <vector>

#include "framework/errors/ErrorLogFile.h"
#include "framework/errors/ErrorManager.h"
#include "framework/errors/ErrorWindow.h"
#include "framework/errors/HistoryListSource.h"
#include "framework/errors/MessageWindow.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/ModalServices.h"

namespace kv {

std::unique_ptr<ErrorLogInterface> ErrorManager::CreateStandardLog() {
  return std::make_unique<ErrorLogFile>();
}

void ErrorManager::AppendHistory(const HistoryRecord& record) {
  CriticalGuard guard(CRITSECT);
  if (HISTORY) HISTORY->Append(record);
}

void ErrorManager::ClearHistory() {
  CriticalGuard guard(CRITSECT);
  if (HISTORY) HISTORY->Clear();
}

std::vector<HistoryRecord> ErrorManager::HistorySnapshot() const {
  CriticalGuard guard(CRITSECT);
  return HISTORY ? HISTORY->Records() : std::vector<HistoryRecord>{};
}

int ErrorManager::ShowHistoryWindow(std::string_view caption, std::int32_t iconNumber, int buttons,
                                    int defaultButton) {
  // A window needs the event queue of a logical thread; elsewhere nothing can be shown.
  if (CurrentThread() == 0) return defaultButton;
  MessageWindow window(ErrorWindow(), *this, caption, iconNumber, buttons, defaultButton, 0);
  // The window works on a copy taken under the lock, so other threads may go on recording
  // while it is shown; the lock itself is not held while it is shown.
  const std::vector<HistoryRecord> records = HistorySnapshot();
  HistoryListSource list(*this, records, window.WIN);
  window.HISTORYHANDLER = &list;
  (void)window.Run();
  return window.MSGRVAL;
}

void ErrorManager::OpenHistoryView() {
  (void)ShowHistoryWindow("Errors History", 0, kButtonOk + kButtonHelp, kButtonOk);
}

}  // namespace kv
