#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/errors/ErrorHistory.h"
#include "framework/errors/ErrorLogInterface.h"
#include "framework/errors/ErrorStatus.h"
#include "framework/errors/MessageIds.h"
#include "framework/errors/MessageList.h"
#include "framework/errors/ProcedureNameList.h"
#include "framework/errors/ResultLevel.h"
#include "platform/thread/CriticalSection.h"

namespace kv {

// The one object through which the framework reports problems and asks its standard
// questions. A caller names a message by its identifier (MessageIds.h), sets the values the
// message's text refers to (SetFileName, SetFieldName, SetKeyName, SetMessageText) and calls
// Raise or RaiseWithText. The manager looks the message up, expands the tokens of its text,
// logs it and records it in the history when these are on, shows it as its level prescribes
// and returns a ResultLevel telling the caller how to go on:
//
//   level 0 Benign      nothing shown                               -> Benign
//   level 1 User,
//   level 4 Cancel      Yes/No question, exclamation icon           -> Benign for Yes, else Cancel
//   level 5 Notify      OK box, information icon                    -> Notify
//   level 3 Fatal, 2 Program and any other level: OK box with "  Press OK to end this
//                       application" appended, then the process ends with exit code 0.
//   unknown identifier  nothing shown                               -> Benign
//
// Threads. One manager serves every thread. Everything that belongs to one report lives in the
// calling thread's ErrorStatus (Status()), so reports on different threads never disturb each
// other. The manager's critical section (re-entrant) guards the message list, the history, the
// procedure names, the settings and the log step; it is never held while a box or window is
// shown, so a box may be answered while other threads report, and code run from a box may call
// the manager again.
//
// Life. Construct, then Init(status) once on the main logical thread; from then on any thread
// may report. Kill releases the lists and the standard log and is safe to call twice; the
// destructor kills. Level handlers and presentation steps are virtual so that a derived manager
// can change how one level is shown; operations are declared in their fixed slot order.
//
// Typical use:
//   start-up, on logical thread 1:   manager.Init(ErrorStatus::ThisThread());
//   a storage driver that fails:     kv::SetLastError(90, "...", "08S01", "link lost");
//   the framework reporting it:      manager.SetFileName("Products");
//                                    return manager.Raise(MsgOpenFailed);
//   a procedure:                     manager.PushProcedureName("BrowseArticulos"); ...
//                                    manager.PopProcedureName();
class ErrorManager {
 public:
  ErrorManager();
  virtual ~ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // ---- Set-up -------------------------------------------------------------------------------

  // Binds `status` as the error status of the calling thread (start-up passes the main
  // thread's, ErrorStatus::ThisThread()); every other thread uses its own ErrorStatus::
  // ThisThread(). The first Init after construction or Kill also creates the standard log
  // (CreateStandardLog), sets the default category to "Ravel", the history threshold to 0, the
  // history view level to 3, reset-on-view off, and calls InitWithLog with the standard log.
  // `status` must outlive the manager's use of it (until Kill). Thread: the main thread, once.
  void Init(ErrorStatus& status);

  // Slot 0. Disposes of the message, history and procedure-name lists and of the standard log
  // (force-closing it), forgets the log and the bound status. Reports made afterwards find no
  // message and show nothing. The critical section itself lives as long as the object, so a
  // late report from another thread meets a working lock. Safe to call twice; the destructor
  // calls the base Kill (a derived manager that overrides Kill calls it before destruction).
  // Thread: any.
  virtual void Kill();

  // ---- Message list (all under the lock) -----------------------------------------------------

  // Slot 1. Appends one row. `text` and `title` are referenced, not copied: they must live as
  // long as the row (string literals or static storage). Returns false, adding nothing, before
  // Init or after Kill.
  virtual bool AddMessage(MessageId id, std::string_view text, ResultLevel level,
                          std::string_view title, std::string_view category = {});

  // Slot 2. Appends every row of a packed table (MessageTable.h), in order, with empty
  // categories; the rows refer to the table's bytes, which must outlive the list. Returns
  // false when the table is malformed (the complete rows before the fault are added) or the
  // manager is not initialised.
  virtual bool LoadMessages(std::span<const std::uint8_t> table);

  // ---- History ---------------------------------------------------------------------------
  // While the history threshold is not 0, ShowMessage records every message it is given (text
  // cut to 1023 bytes, identifier, category) in an in-memory list, oldest first, which is
  // never written to disk: a positive threshold keeps the newest that many records, a negative
  // one keeps all. Only a message whose level equals the history view level is then shown,
  // and it is shown as the history window (the message is its last entry); the others return
  // their default button unseen.

  // Slot 3. Appends `record` to the history (under the lock). Called by ShowMessage after it
  // has made room below the threshold.
  virtual void AppendHistory(const HistoryRecord& record);

  // Slot 4. Shows the history in the error window (MessageWindow.h): title `caption` (empty
  // keeps "Error"), the stock icon `iconNumber` (0: the information icon), the list of a copy
  // of the history taken under the lock with its newest record highlighted, and the buttons of
  // `buttons` with `defaultButton` as the default one. Returns the value of the button pressed,
  // or `defaultButton` when the window is closed otherwise. The lock is not held while the
  // window is shown, so other threads may report meanwhile. Thread: a logical thread (one that
  // can run a window); on any other thread nothing is shown and `defaultButton` is returned.
  virtual int ShowHistoryWindow(std::string_view caption, std::int32_t iconNumber, int buttons,
                                int defaultButton);

  // ---- Presentation --------------------------------------------------------------------------

  // Slot 5. Presents one message and returns the button pressed. In order: writes the log line
  // when logging is on; appends to the history when the threshold is not 0; when silent,
  // returns `defaultButton`; with the history on, shows the history window only for a message
  // whose level equals the history view level (others return `defaultButton`, unseen);
  // otherwise shows the message box. Thread: any; the lock is not held while showing.
  virtual int ShowMessage(std::string_view text, std::string_view title, std::uint32_t icon,
                          int buttons, int defaultButton, int style);

  // Slot 6. Shows the platform message box (kv::Modal()) and returns the button pressed.
  // `level` is unused by the base; it is there for derived managers. Thread: any; must be
  // called without the lock.
  virtual int ShowMessageBox(ResultLevel level, std::string_view text, std::string_view title,
                             std::uint32_t icon, int buttons, int defaultButton, int style);

  // Slot 7. Removes the last-added row with identifier `id`, uncovering an earlier one with the
  // same identifier. Returns false when there is none.
  virtual bool RemoveMessage(MessageId id);

  // Slot 8. Sets the log that messages are written to (not owned; nullptr for none), creates
  // the message list when missing and loads the built-in table into it, creates the
  // procedure-name list and the history when missing.
  virtual void InitWithLog(ErrorLogInterface* log);

  // ---- Level handlers (slots 9-14); each works on the calling thread's current message -----

  virtual ResultLevel OnBenign();  // shows nothing; Benign
  // Shows the expanded text + "  Press OK to end this application", information icon, OK;
  // then ends the process with exit code 0 and the title as halt text. Never returns.
  virtual ResultLevel OnFatal();
  virtual void OnNotify();             // expanded text, information icon, OK
  virtual ResultLevel OnOtherLevel();  // OnProgram()
  virtual ResultLevel OnProgram();     // OnFatal()
  // Expanded text, exclamation icon, Yes + No, default Yes. Benign for Yes, else Cancel.
  virtual ResultLevel OnUser();

  // Slot 15. ShowHistoryWindow("Errors History", 0, OK + Help, OK); the result is dropped.
  virtual void OpenHistoryView();

  // ---- Values for the next message (calling thread's status) ---------------------------------
  // Trailing blanks are removed and the value is cut to 254 bytes (never inside a character).

  void SetFileName(std::string_view name);
  void SetFieldName(std::string_view name);
  void SetKeyName(std::string_view name);
  void SetMessageText(std::string_view text);

  // Copies the calling thread's runtime error (platform/RuntimeError.h: code, text, driver code,
  // driver text) into its status, trailing blanks removed. Does nothing before Init.
  void CaptureRuntimeError();

  // ---- Reporting (any thread) ----------------------------------------------------------------

  // CaptureRuntimeError, then HandleMessage(id): the usual call after a failed runtime step.
  ResultLevel Raise(MessageId id);
  // SetMessageText(text), then Raise(id).
  ResultLevel RaiseWithText(MessageId id, std::string_view text);
  // Selects the message and dispatches on its level (table above). Does not capture.
  ResultLevel HandleMessage(MessageId id);
  // A question whose buttons the caller chooses: shows the expanded text with the exclamation
  // icon and returns the button pressed. When silent, returns `defaultButton` at once and
  // selects nothing. Neither logs nor records history, and does not capture the runtime error.
  int AskQuestion(MessageId id, int buttons, int defaultButton);

  // Removes every history record (under the lock).
  void ClearHistory();

  // ---- Categories ----------------------------------------------------------------------------

  // Identifier 65535 sets the default category; otherwise sets the category of the last-added
  // row with `id`, if any.
  void SetMessageCategory(MessageId id, std::string_view category);
  // Identifier 65535 gives the default category; otherwise the row's category when the row
  // exists and its category is not empty, else the default category.
  std::string GetMessageCategory(MessageId id) const;

  // ---- Current message (calling thread's status; no lock on the status) ----------------------

  // Makes the last-added row with `id` the current message (copying text and title into the
  // status) after remembering the previous identifier; an unknown `id` gives identifier 0,
  // empty texts and level Benign.
  void SelectMessage(MessageId id);
  // The current message's text with its tokens replaced, in this order: %FileErrorCode,
  // %FileError, %File, %Key, %ErrorCode, %ErrorText, %Error, %Message, %Field, %Procedure,
  // %Category, %Previous. Matching ignores letter case, except that %Previous is replaced only
  // when it occurs spelt exactly so. A value inserted by one token is searched by the later
  // tokens, not by its own. The result is at most 1999 bytes.
  std::string ExpandMessageText() const;
  ResultLevel CurrentLevel() const;
  std::string CurrentTitle() const;
  std::int32_t CurrentId() const;

  // The error status of the calling thread: the one bound by Init on the thread that called
  // Init, each other thread's own ErrorStatus::ThisThread(). Thread: any, for its own status.
  ErrorStatus& Status() const;

  // ---- Procedure names (under the lock; keyed by kv::CurrentThread()) -------------------------

  // Appends (calling thread, name without trailing blanks).
  void PushProcedureName(std::string_view name);
  // Removes the calling thread's innermost name, if any.
  void PopProcedureName();
  // The calling thread's innermost name; empty when none.
  std::string CurrentProcedureName() const;

  // ---- Settings (under the lock) --------------------------------------------------------------

  bool GetSilent() const;
  void SetSilent(bool silent);
  // Logging (off by default): while on, every message ShowMessage is given, shown or not,
  // becomes one line of the log (the standard log file unless InitWithLog named another):
  // the date "@" the time " --> " the text (FormatErrorLogLine). Log failures are never shown
  // and never change a message's result; the next message tries again.
  bool GetLogErrors() const;
  void SetLogErrors(bool logErrors);
  // 0 keeps no history (the default); positive keeps at most that many records; negative
  // keeps all.
  std::int32_t GetHistoryThreshold() const;
  void SetHistoryThreshold(std::int32_t threshold);
  // The message level shown, as the history window, while the history is on (default 3,
  // Fatal).
  std::int32_t GetHistoryViewLevel() const;
  void SetHistoryViewLevel(std::int32_t level);
  // When set, ShowMessage empties the history after it has shown the history window.
  bool GetHistoryResetOnView() const;
  void SetHistoryResetOnView(bool reset);
  std::string GetDefaultCategory() const;
  void SetDefaultCategory(std::string_view category);
  std::int16_t GetMsgStyle() const;
  void SetMsgStyle(std::int16_t style);

  // A copy of the history, oldest first (under the lock).
  std::vector<HistoryRecord> HistorySnapshot() const;
  // The diagnostic formed on the last failed log step: "Unable to Open error log; ", "Unable
  // to update error log; " or "Unable to close error log; " followed by the runtime's error
  // text; empty when none has failed. Log failures are never shown to the user; each
  // diagnostic is also written to standard error as one line.
  std::string LastLogDiagnostic() const;

  // The manager's critical section, for derived managers that extend what it guards.
  CriticalSection& CriticalSectionRef() const { return CRITSECT; }

 protected:
  // Makes the standard log that Init hands to InitWithLog, owned by the manager: the base makes
  // the log file "RavelError.Log" in the current directory (ErrorLogFile.h), which is touched
  // only when logging is on. A derived manager may supply another log, or none (nullptr).
  virtual std::unique_ptr<ErrorLogInterface> CreateStandardLog();

  // The history view treats stock icon references as icon number 0 (its default icon).
  static std::int32_t IconNumber(std::uint32_t icon);

  // Fields in declaration order. All but CRITSECT itself are guarded by CRITSECT.
  std::string DEFAULTCATEGORY;
  std::unique_ptr<MessageList> ERRORS;
  ErrorLogInterface* ERRORLOG = nullptr;  // not owned
  std::unique_ptr<ErrorHistory> HISTORY;
  std::unique_ptr<ProcedureNameList> PROCNAMES;
  std::unique_ptr<ErrorLogInterface> STDERRORLOG;
  bool SILENT = false;
  bool LOGERRORS = false;
  std::int32_t HISTORYTHRESHOLD = 0;
  std::int32_t HISTORYVIEWLEVEL = 3;
  bool HISTORYRESETONVIEW = false;
  mutable CriticalSection CRITSECT;
  ErrorStatus* STATUS = nullptr;  // bound by Init for statusThread_
  std::int16_t MSGSTYLE = 0;

 private:
  void WriteLogLine(std::string_view text);  // the log step; lock held by the caller
  void NoteLogFailure(const char* step);     // lock held by the caller
  ErrorStatus& StatusLocked() const;         // lock held by the caller
  // Unexpanded text of the row that was current before the last selection ("%Previous").
  std::string PreviousText(const ErrorStatus& status) const;

  std::thread::id statusThread_;  // thread that bound STATUS; guarded by CRITSECT
  bool started_ = false;          // Init has set up defaults and lists; guarded by CRITSECT
  std::string logDiagnostic_;     // guarded by CRITSECT
};

}  // namespace kv
