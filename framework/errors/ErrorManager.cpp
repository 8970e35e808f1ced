#include "framework/errors/ErrorManager.h"

#include "framework/errors/BuiltInMessageTable.h"
#include "framework/errors/MessageText.h"
#include "platform/RuntimeError.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/ModalServices.h"

namespace kv {

ErrorManager::ErrorManager() = default;

ErrorManager::~ErrorManager() {
  ErrorManager::Kill();
}

void ErrorManager::Init(ErrorStatus& status) {
  CriticalGuard guard(CRITSECT);
  STATUS = &status;
  statusThread_ = std::this_thread::get_id();
  if (started_) return;
  started_ = true;
  STDERRORLOG = CreateStandardLog();
  DEFAULTCATEGORY = "Ravel";
  ERRORS.reset();
  HISTORY.reset();
  PROCNAMES.reset();
  HISTORYTHRESHOLD = 0;
  HISTORYVIEWLEVEL = 3;
  HISTORYRESETONVIEW = false;
  InitWithLog(STDERRORLOG.get());
}

void ErrorManager::InitWithLog(ErrorLogInterface* log) {
  CriticalGuard guard(CRITSECT);
  ERRORLOG = log;
  if (!ERRORS) {
    ERRORS = std::make_unique<MessageList>();
    // The built-in table is static and well formed; its load cannot fail.
    (void)LoadMessages(BuiltInMessageTable());
  }
  if (!PROCNAMES) PROCNAMES = std::make_unique<ProcedureNameList>();
  if (!HISTORY) HISTORY = std::make_unique<ErrorHistory>();
}

void ErrorManager::Kill() {
  CriticalGuard guard(CRITSECT);
  ERRORS.reset();
  HISTORY.reset();
  PROCNAMES.reset();
  if (STDERRORLOG) (void)STDERRORLOG->CloseLog(true);
  STDERRORLOG.reset();
  // A log supplied through InitWithLog is not owned and may be gone after Kill.
  ERRORLOG = nullptr;
  STATUS = nullptr;
  statusThread_ = {};
  started_ = false;
}

// ---- Status and values ------------------------------------------------------------------------

ErrorStatus& ErrorManager::StatusLocked() const {
  if (STATUS && statusThread_ == std::this_thread::get_id()) return *STATUS;
  return ErrorStatus::ThisThread();
}

ErrorStatus& ErrorManager::Status() const {
  CriticalGuard guard(CRITSECT);
  return StatusLocked();
}

void ErrorManager::SetFileName(std::string_view name) {
  Status().FILENAME = StatusText(name);
}

void ErrorManager::SetFieldName(std::string_view name) {
  Status().FIELDNAME = StatusText(name);
}

void ErrorManager::SetKeyName(std::string_view name) {
  Status().KEYNAME = StatusText(name);
}

void ErrorManager::SetMessageText(std::string_view text) {
  Status().MESSAGETEXT = StatusText(text);
}

void ErrorManager::CaptureRuntimeError() {
  {
    CriticalGuard guard(CRITSECT);
    if (!STATUS) return;
  }
  ErrorStatus& status = Status();
  const RuntimeError& error = LastError();
  status.SAVEERRORCODE = error.code;
  status.SAVEERROR = StatusText(error.text);
  status.SAVEFILEERRORCODE = StatusText(error.driverCode);
  status.SAVEFILEERROR = StatusText(error.driverText);
}

// ---- Reporting --------------------------------------------------------------------------------

ResultLevel ErrorManager::Raise(MessageId id) {
  CaptureRuntimeError();
  return HandleMessage(id);
}

ResultLevel ErrorManager::RaiseWithText(MessageId id, std::string_view text) {
  SetMessageText(text);
  return Raise(id);
}

ResultLevel ErrorManager::HandleMessage(MessageId id) {
  SelectMessage(id);
  switch (CurrentLevel()) {
    case Benign:
      return OnBenign();
    case User:
    case Cancel:
      return OnUser();
    case Program:
      return OnProgram();
    case Fatal:
      return OnFatal();
    case Notify:
      OnNotify();
      return Notify;
    default:
      return OnOtherLevel();
  }
}

ResultLevel ErrorManager::OnBenign() {
  return Benign;
}

ResultLevel ErrorManager::OnFatal() {
  std::string title = CurrentTitle();
  std::string text = ExpandMessageText() + "  Press OK to end this application";
  (void)ShowMessage(text, title, kIconInformation, kButtonOk, kButtonOk, GetMsgStyle());
  Halt(0, title);
}

void ErrorManager::OnNotify() {
  (void)ShowMessage(ExpandMessageText(), CurrentTitle(), kIconInformation, kButtonOk, kButtonOk,
                    GetMsgStyle());
}

ResultLevel ErrorManager::OnOtherLevel() {
  return OnProgram();
}

ResultLevel ErrorManager::OnProgram() {
  return OnFatal();
}

ResultLevel ErrorManager::OnUser() {
  int button = ShowMessage(ExpandMessageText(), CurrentTitle(), kIconExclamation,
                           kButtonYes + kButtonNo, kButtonYes, GetMsgStyle());
  return button == kButtonYes ? Benign : Cancel;
}

// ---- Settings ---------------------------------------------------------------------------------

bool ErrorManager::GetSilent() const {
  CriticalGuard guard(CRITSECT);
  return SILENT;
}
void ErrorManager::SetSilent(bool silent) {
  CriticalGuard guard(CRITSECT);
  SILENT = silent;
}
bool ErrorManager::GetLogErrors() const {
  CriticalGuard guard(CRITSECT);
  return LOGERRORS;
}
void ErrorManager::SetLogErrors(bool logErrors) {
  CriticalGuard guard(CRITSECT);
  LOGERRORS = logErrors;
}
std::int32_t ErrorManager::GetHistoryThreshold() const {
  CriticalGuard guard(CRITSECT);
  return HISTORYTHRESHOLD;
}
void ErrorManager::SetHistoryThreshold(std::int32_t threshold) {
  CriticalGuard guard(CRITSECT);
  HISTORYTHRESHOLD = threshold;
}
std::int32_t ErrorManager::GetHistoryViewLevel() const {
  CriticalGuard guard(CRITSECT);
  return HISTORYVIEWLEVEL;
}
void ErrorManager::SetHistoryViewLevel(std::int32_t level) {
  CriticalGuard guard(CRITSECT);
  HISTORYVIEWLEVEL = level;
}
bool ErrorManager::GetHistoryResetOnView() const {
  CriticalGuard guard(CRITSECT);
  return HISTORYRESETONVIEW;
}
void ErrorManager::SetHistoryResetOnView(bool reset) {
  CriticalGuard guard(CRITSECT);
  HISTORYRESETONVIEW = reset;
}
std::string ErrorManager::GetDefaultCategory() const {
  CriticalGuard guard(CRITSECT);
  return DEFAULTCATEGORY;
}
void ErrorManager::SetDefaultCategory(std::string_view category) {
  CriticalGuard guard(CRITSECT);
  DEFAULTCATEGORY.assign(category);
}
std::int16_t ErrorManager::GetMsgStyle() const {
  CriticalGuard guard(CRITSECT);
  return MSGSTYLE;
}
void ErrorManager::SetMsgStyle(std::int16_t style) {
  CriticalGuard guard(CRITSECT);
  MSGSTYLE = style;
}

}  // namespace kv
