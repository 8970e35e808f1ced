#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/errors/ResultLevel.h"
#include "framework/window/RequestCode.h"
#include "framework/window/WindowComponent.h"
#include "platform/window/Window.h"
#include "platform/window/WindowDefinition.h"

namespace kv {

class BrowseManager;
class ErrorManager;
class FieldTable;
class FileManager;
class FormNavigator;
class RelationManager;
class ToolbarManager;
class WindowResizer;
class WindowTranslator;

// Runs one procedure's window: opens it, runs its event loop, hands each event to its own
// handlers and then to every registered component in a fixed order, and tears everything down
// in a fixed order. Every procedure with a window is one WindowManager: it derives from this
// class, overrides Init and Kill (and the Take operations it needs), and calls Run.
//
// Writing a procedure:
//
//   class MainWindow : public WindowManager {
//    public:
//     ResultLevel Init() override {
//       GlobalErrors.PushProcedureName("Main");
//       REQUEST = GlobalRequest;
//       if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
//       FIRSTFIELD = 1; VCRREQUEST = &VCRRequest; ERRORS = &GlobalErrors;
//       AddItem(toolbar_);
//       GlobalRequest = 0; GlobalResponse = 0;
//       AddItem(kCloseButton, RequestCancelled);        // own set-up: components, buttons
//       Open(definition_, Window(), WindowKind::kOrdinary);
//       SetAlerts();
//       return Benign;
//     }
//     ResultLevel Kill() override {
//       if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
//       GlobalErrors.PopProcedureName();
//       return Benign;
//     }
//   };
//   MainWindow procedure; GlobalResponse = procedure.Run();
//
// A procedure that overrides one of the two Run operations (a list overrides Run(number,
// request) to run its form) says `using WindowManager::Run;` to keep the other one visible.
//
// Result protocol of Init, Kill and the Take operations (ResultLevel): Benign goes on with the
// default processing; Notify means handled (the event loop skips its default processing);
// Fatal leaves the event loop; other levels are passed through like Benign.
//
// Windows. The window stays open after the event loop has ended, until Run has called Kill, so
// that a Kill override can still read the window (to save its position). Run closes it after
// Kill; the destructor closes it when it is still open.
//
// Record requests on forms. A form sets PRIMARY (the relation manager of its table), adds its
// update files (AddUpdateFile) and history fields, then calls PrimeUpdate from its Init; the
// record is then inserted, changed, deleted or viewed through the completed event (OK or the
// save button after accept-all validation), and TakeCloseEvent guards a changed record when the
// form is closed. Writes go through the primary file manager (inserts) and the relation
// manager (changes and deletes, which keep referential integrity). Messages go through ERRORS;
// without one, questions answer their default button and other messages Notify.
//
// REQUEST moves from insert to SaveRecord (save button) to change after a successful save,
// and back to insert when OK starts another record; a change form goes change -> SaveRecord
// -> change. ORIGINALREQUEST never changes after Init. RESPONSE is RequestCancelled while a
// form is open and becomes RequestCompleted when a write finished the job.
//
// Thread: one window manager belongs to the logical thread that runs it; every operation runs
// on that thread. Nothing here is shared, so nothing is locked.
class WindowManager {
 public:
  // A registered component (CL). TYPE 0 is an ordinary component; TYPE 1 (a component that
  // restores the primary record around its reset) is admitted but nothing registers one yet.
  struct ComponentEntry {
    std::int32_t TYPE = 0;
    WindowComponent* WC = nullptr;  // not owned
  };
  // A button whose press ends the procedure with ACTION as the response.
  struct ButtonEntry {
    std::int32_t CONTROL = 0;
    ResponseCode ACTION = 0;
  };
  // An update file whose record buffer is saved while the form runs.
  struct FileEntry {
    FileManager* MANAGER = nullptr;  // not owned
    std::uint16_t SAVED = 0;
  };
  // A field whose value the history key recalls: field FIELDNO of the live record FRECORD is
  // restored from the saved copy SRECORD. The records are described by FIELDS.
  struct HistoryEntry {
    std::byte* FRECORD = nullptr;
    std::byte* SRECORD = nullptr;
    std::size_t SIZE = 0;
    const FieldTable* FIELDS = nullptr;
    std::int32_t CONTROL = 0;
    std::int32_t FIELDNO = 0;
  };

  WindowManager();
  virtual ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // ---- Fields, in declaration order. Framework fields are upper case as the framework's own
  // procedures name them.
  std::uint8_t AUTOREFRESH = 1;  // after each event, ask the components ResetRequired
  std::uint8_t AUTOTOOLBAR = 1;  // a tab change lets the toolbar choose its target
  std::unique_ptr<std::vector<ButtonEntry>> BUTTONS;  // created by Init, disposed by Kill
  std::unique_ptr<std::vector<ComponentEntry>> CL;    // created by Init, disposed by Kill
  std::uint8_t CANCELACTION = 3;  // bit 0: closing a changed form saves it; bit 1: ask first
  std::uint8_t CHANGEACTION = 2;
  std::uint8_t DEAD = 0;  // set by Kill; Ask and Kill then do nothing
  std::uint8_t DELETEACTION = 2;
  std::uint8_t BATCHPROCESSING = 0;
  ErrorManager* ERRORS = nullptr;                 // where messages go; not owned
  std::unique_ptr<std::vector<FileEntry>> FILES;  // created on first AddUpdateFile
  std::uint8_t FILESOPENED = 0;
  std::int32_t FIRSTFIELD = 0;  // selected when the window opens and after a failed save
  std::uint8_t FORCEDRESET = 0;
  std::unique_ptr<std::vector<HistoryEntry>> HISTORY;  // in CONTROL order; first AddHistoryFile
  std::int32_t HISTORYKEY = 0;                         // recall key; 0 none
  std::uint8_t INITED = 0;  // bit 0: first-open actions ran; bit 1: first sized event seen
  std::uint8_t INSERTACTION = 2;
  std::string LASTINSERTEDPOSITION;  // at most 1024 bytes; cleared when Ask starts
  std::int32_t OKCONTROL = 0;
  std::int32_t SAVECONTROL = 0;
  std::uint8_t DISABLECANCELBUTTON = 0;
  std::uint8_t OPENED = 0;
  RequestCode ORIGINALREQUEST = 0;
  std::uint8_t RECORDSAVED = 0;  // kept for derived procedures; nothing here reads it
  RequestCode BEFORESAVEREQUEST = 0;
  RelationManager* PRIMARY = nullptr;  // the form's primary table; not owned
  RequestCode REQUEST = 0;
  std::uint8_t RESETONGAINFOCUS = 0;
  WindowResizer* RESIZE = nullptr;  // killed with the window; not owned
  ResponseCode RESPONSE = 0;
  std::uint16_t SAVED = 0;                 // saved copy of the primary record buffer
  FormNavigator* FORMVCR = nullptr;        // record navigator of a batch form; not owned
  ToolbarManager* TOOLBAR = nullptr;       // not owned
  WindowTranslator* TRANSLATOR = nullptr;  // not owned
  std::int32_t* VCRREQUEST = nullptr;      // the thread's VCRRequest
  Window MYWINDOW;
  Window OWNERWINDOW;

  // ---- Virtual operations, in slot order.

  // The event loop: does nothing when DEAD; clears LASTINSERTEDPOSITION; then takes the
  // window's events one at a time, answering each with TakeEvent: Fatal leaves the loop,
  // Notify consumes the event, anything else lets the runtime do its default processing.
  // Returns when the window was closed, when a close event was not consumed (the window then
  // stays open until Run closes it after Kill), or on Fatal.
  virtual void Ask();
  // Base set-up; every procedure's Init override calls it first (after setting REQUEST):
  // ORIGINALREQUEST := REQUEST; creates CL and BUTTONS; opens a level of expression name
  // bindings; clears a pending key code of 2 or 130 so that it does not act on the new window;
  // sets the defaults (INSERTACTION, DELETEACTION, CHANGEACTION 2, CANCELACTION 3, AUTOTOOLBAR
  // and AUTOREFRESH 1, no OWNERWINDOW). Answers Benign.
  virtual ResultLevel Init();
  // Teardown in a fixed order: answers Notify and does nothing when DEAD or when CL was never
  // created; otherwise kills the components (each taken out of CL before its Kill runs),
  // disposes of CL, BUTTONS and HISTORY, releases the saved record buffers, kills the toolbar
  // manager and then the resize manager, sets DEAD, closes the binding level of Init and
  // answers Benign. The window itself is left open (Run closes it afterwards).
  virtual ResultLevel Kill();
  // First-open actions: the TRANSLATOR (when set) translates the window; Reset(0); bit 0 of
  // INITED is set.
  virtual void Open();
  // Opens `window` for the calling thread as MYWINDOW: owned by OWNERWINDOW (which `owner`
  // replaces when it is an open window) when set, else as `kind`; OPENED := 1. Called from the
  // procedure's Init. Overrides keep the defaults.
  virtual void Open(const WindowDefinition& window, Window owner = Window(),
                    WindowKind kind = WindowKind::kOrdinary);
  // Fills the fields of a new record. Does nothing; a form overrides it. It may set RESPONSE to
  // RequestCancelled to refuse the insert.
  virtual void PrimeFields();
  // Prepares a form for its request; called from the form's Init after PRIMARY is set. A
  // request the form does not allow (insert with INSERTACTION 1, change with CHANGEACTION 1,
  // delete with DELETEACTION 1) shows "Invalid Request" and answers Fatal. Otherwise: the
  // primary file is declared in use by the procedure and the relation manager remembers the
  // linking values; every update file's buffer is saved. Insert (INSERTACTION not 0):
  // PrimeFields runs with RESPONSE RequestCompleted; when it set RequestCancelled the answer is
  // Fatal, else RESPONSE becomes RequestCancelled. Delete with DELETEACTION 2 (ask "Confirm
  // Delete") or 4 (no question): the record is deleted at once through the relation manager,
  // RESPONSE is RequestCompleted when that succeeded, else RequestCancelled, and the answer is
  // Fatal. Finally the primary buffer is saved (SAVED). A non-Benign answer means the form's
  // Init must answer Notify: the window is never shown and Run returns RESPONSE. Without a
  // PRIMARY nothing is done and the answer is Benign.
  virtual ResultLevel PrimeUpdate();
  // Redraws the window after its components refetched their data: does nothing during
  // accept-all validation; otherwise every TYPE 0 component gets Reset(force or FORCEDRESET),
  // FORCEDRESET is cleared, every component gets UpdateWindow, and the window is redisplayed.
  virtual void Reset(std::uint8_t force = 0);
  // Field history: when HISTORY holds an entry for `control`, its field in the live record is
  // restored from the saved copy and the control is redisplayed. Otherwise nothing.
  virtual void RestoreField(std::int32_t control);
  // Init; Ask when Init answered Benign; Kill in every case; then closes the window. Returns
  // RESPONSE, or RequestCancelled when RESPONSE is 0.
  virtual ResponseCode Run();
  // Runs the numbered child procedure with a request (a browse's update form). The base runs
  // nothing and answers RequestCancelled.
  virtual ResponseCode Run(std::uint16_t number, RequestCode request);
  // Each component's SetAlerts; then, when HISTORY exists, HISTORYKEY becomes an alert key of
  // the control of every history entry.
  virtual void SetAlerts();
  // RESPONSE := response and the close-window event is posted to the window; with
  // RequestCancelled and a toolbar, the thread's VCRRequest is cleared.
  virtual void SetResponse(ResponseCode response);
  // An accepted control: the toolbar first (and the history button 3012 recalls the focused
  // field), then the BUTTONS (SetResponse and Notify), the OK and save buttons, and finally the
  // cancel buttons are enabled again. Answers Benign unless a step says otherwise.
  virtual ResultLevel TakeAccepted();
  // The completed event (accept-all validation passed): snapshots the field history (so that
  // the history key recalls what the user had when the save was attempted), then the action
  // for REQUEST: InsertAction, ChangeAction, DeleteAction; SaveRecord runs SaveOnInsertAction
  // or SaveOnChangeAction after the ORIGINALREQUEST. A view answers Benign (a batch form with
  // a FORMVCR moves on to the next record and answers Notify).
  virtual ResultLevel TakeCompleted();
  // Close window or close down. Closes (Benign) at once when RESPONSE is RequestCompleted or
  // there is no PRIMARY. An insert or change form whose record differs from SAVED, with
  // CANCELACTION not 0: bits 0 and 1 set ask "Save Record" (Yes presses OK, Cancel keeps the
  // form open on FIRSTFIELD, No closes); bit 0 alone presses OK; bit 0 clear asks "Changes will
  // be lost!" (No keeps the form open). An insert form leaving without completion cancels the
  // record AutoNumber added (a failure keeps the form open). When records were added in this
  // run (LASTINSERTEDPOSITION), or a record was written by the save button, the answer becomes
  // RequestCompleted, and the buffer is re-read at the last inserted position. Pressing OK
  // posts the accepted event to OKCONTROL (without one, the completed path is started as OK
  // would); the close is then consumed (Notify).
  virtual ResultLevel TakeCloseEvent();
  // The dispatch of the current event (CurrentEvent()), in this order: a window event goes to
  // TakeWindowEvent; then by kind TakeAccepted, TakeNewSelection, the history key, TakeRejected,
  // TakeSelected, or (sized) the deferred-resize event is posted; a control event then goes to
  // TakeFieldEvent; then each component's TakeEvent in CL order. The first answer that is not
  // Benign is the answer and ends the dispatch. After a Benign dispatch, with AUTOREFRESH on,
  // the first component whose ResetRequired says yes causes one Reset(0).
  virtual ResultLevel TakeEvent();
  // Any event of a control, after the kind-specific handler. Answers Benign.
  virtual ResultLevel TakeFieldEvent();
  // A new selection: on a sheet of tabs, Reset(0) and, with AUTOTOOLBAR and a toolbar, the
  // toolbar chooses its target anew. Answers Benign.
  virtual ResultLevel TakeNewSelection();
  // A notification from `thread` with `code` and `parameter`. Answers Benign.
  virtual ResultLevel TakeNotify(std::int32_t code, std::int32_t thread, std::intptr_t parameter);
  // The runtime rejected the text typed into the event's control: beep, redisplay the control,
  // select it again. Answers Benign.
  virtual ResultLevel TakeRejected();
  // A control got the focus. Answers Benign.
  virtual ResultLevel TakeSelected();
  // A window event: close (TakeCloseEvent), open (first-open actions, select FIRSTFIELD), focus
  // lost and gained, notification (TakeNotify), completed (TakeCompleted), sized (the first
  // time only noted, later Reset(0)). Answers the handler's result, else Benign.
  virtual ResultLevel TakeWindowEvent();
  // Copies the screen values of every component into its buffers, in CL order.
  virtual void Update();
  // Disables or enables `control`; nothing for control 0.
  virtual void SetControlDisabled(std::int32_t control, bool disable);
  // OK on an insert form: the primary file manager inserts the record. A failure keeps the form
  // open with the values typed, focus on FIRSTFIELD (Notify). On success, by INSERTACTION: 2
  // ends the form with RequestCompleted; 4 asks "Record Added" (No ends with RequestCompleted,
  // Yes starts another record); 3 starts another record at once; other values answer Benign.
  // Starting another record: LASTINSERTEDPOSITION := the inserted record's position; the update
  // files' buffers and the primary buffer get their values from when the form started; a new
  // number is taken (AutoNumber; its failure closes the form); PrimeFields; the window is
  // redisplayed with focus on FIRSTFIELD (Notify). A batch form always starts another record.
  virtual ResultLevel InsertAction();
  // OK on a change form (and on an inserted record saved with the save button). An unchanged
  // buffer writes nothing; otherwise the relation manager updates it (telling it whether the
  // form keeps field history). A failure at level User asks "Record Update Error": Yes tries
  // again, No closes the form (an insert form stays open), Cancel stays on FIRSTFIELD; other
  // failures (such as a record changed by another station, whose values are then shown)
  // redisplay and stay on FIRSTFIELD. Those answers are Notify. On success RESPONSE is
  // RequestCompleted when a record was written (now or by the save button before), or when it
  // was unchanged and the window has a toolbar with no pending navigation request; a change
  // form then closes when CHANGEACTION is 2; an insert form completed this way closes (same
  // condition) or, with INSERTACTION 3, starts another record from the values just saved.
  virtual ResultLevel ChangeAction();
  // OK on a delete form whose DELETEACTION is neither 2 nor 4: deletes through the relation
  // manager. A failure asks "Record Delete Error": Yes tries again, No closes (RESPONSE stays
  // RequestCancelled), Cancel stays on FIRSTFIELD. Success ends with RequestCompleted. Answers
  // Benign (Notify in a batch form, which re-saves the buffer and stays).
  virtual ResultLevel DeleteAction();
  // The save button on an existing record: as ChangeAction's write (No to "Record Update
  // Error" just stops); when it succeeded (or nothing had changed) the buffer is saved again
  // as SAVED and the cancel buttons are disabled (DISABLECANCELBUTTON). REQUEST returns to
  // ChangeRecord. Answers Notify: the form stays open.
  virtual ResultLevel SaveOnChangeAction();
  // The save button on a new record: inserts it (REQUEST becomes ChangeRecord, SAVED is saved
  // again, the cancel buttons are disabled; a failure leaves REQUEST InsertRecord). After the
  // record was saved once, a later save is SaveOnChangeAction when the buffer changed. Answers
  // Notify.
  virtual ResultLevel SaveOnInsertAction();

  // ---- Registration (called from a procedure's Init; before Init they are ignored).

  // Appends (TYPE 0, component) to CL.
  void AddItem(WindowComponent& component);
  // Registers a browse list: its component, and SELECTING when REQUEST is SelectRecord.
  // Defined with the browse manager (framework/browse), which owns those fields.
  void AddItem(BrowseManager& browse);
  // TOOLBAR := toolbar and the toolbar's Init runs.
  void AddItem(ToolbarManager& toolbar);
  // RESIZE := resizer.
  void AddItem(WindowResizer& resizer);
  // Appends (control, response) to BUTTONS: pressing `control` ends the procedure with
  // `response`.
  void AddItem(std::int32_t control, ResponseCode response);
  // Deletes every CL entry of `component`.
  void RemoveItem(WindowComponent& component);
  // Field history: AddHistoryFile names the live record and its saved copy (same layout,
  // described by `fields`); each AddHistoryField then adds (control, field number) for them,
  // keeping HISTORY in control order. A field number the table does not have is ignored.
  void AddHistoryFile(void* record, void* saved, const FieldTable& fields);
  void AddHistoryField(std::int32_t control, std::int32_t fieldNumber);
  // Appends (file manager, 0) to FILES, creating it on first use. PrimeUpdate saves its buffer,
  // starting another record puts it back, and Kill releases the saved copy.
  void AddUpdateFile(FileManager& file);
  // The OK or save button was pressed: for insert, change and view requests accept-all
  // validation starts (a view also posts the completed event unless BATCHPROCESSING); for any
  // other request the completed event is posted (in BATCHPROCESSING: accept-all instead).
  void PostCompleted();

 private:
  void ReleaseSavedBuffers();
  // Disables (or enables again) the buttons that cancel the form, when DISABLECANCELBUTTON says so.
  void SetCancelButtonsDisabled(bool disabled);
  void CloseWindow();

  // Record-request helpers (WindowManagerFormSaves.cpp).
  FileManager* PrimaryFile() const;
  // True when the primary record differs from the image saved as SAVED.
  bool PrimaryChanged() const;
  // Releases the image SAVED names (without applying it) and saves the primary buffer anew.
  void SavePrimaryAgain();
  // Redisplays the window and gives FIRSTFIELD the focus (which ends a running accept-all).
  void ShowFirstField();
  void SelectFirstField();
  // One write of a change: nothing when the buffer is unchanged, else the relation manager's
  // Update. `written` tells whether a record was written. Busy cursor while it runs.
  ResultLevel WriteChange(bool* written);
  // Starts the next record after an insert (see InsertAction); `restorePrimary` puts back the
  // primary buffer's values from when the form started.
  void StartAnotherRecord(bool restorePrimary);
  // A batch form moves its navigator on, saves the new buffer, redisplays, selects FIRSTFIELD.
  ResultLevel NavigateBatch();
  // OK as the user would press it (the close path of a changed form).
  void PressOk();
  int Question(std::uint16_t message, int buttons, int defaultButton);
  ResultLevel Report(std::uint16_t message);

  // The save button wrote the current record in this run (cleared when another record
  // starts): the form then answers RequestCompleted however it is left.
  bool savedThisRun_ = false;

  HistoryEntry pendingHistory_;  // set by AddHistoryFile, completed by AddHistoryField
};

}  // namespace kv
