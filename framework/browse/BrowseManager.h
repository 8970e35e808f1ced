#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/browse/BrowseQuery.h"
#include "framework/browse/BrowseQueue.h"
#include "framework/browse/BrowseSortOrder.h"
#include "framework/browse/EditQueue.h"
#include "framework/browse/IListControl.h"
#include "framework/browse/PopupManager.h"
#include "framework/browse/QueueListAdapter.h"
#include "framework/data/FieldPairList.h"
#include "framework/data/ViewManager.h"
#include "framework/window/RequestCode.h"
#include "framework/window/WindowComponent.h"

namespace kv {

class ColumnEditor;
class EditInPlaceManager;
class FileManager;
class Locator;
class RowQueue;
class ThumbStep;
class ToolbarManager;
class ToolbarTarget;
class WindowManager;

// How ResetList fills a page: from where the caller positioned the view, or keeping the page
// that is shown (reading again from its first row).
inline constexpr std::uint8_t FromPosition = 1;
inline constexpr std::uint8_t KeepPage = 2;
// Directions of FetchRows: backwards, inserting at row 1; forwards, appending.
inline constexpr std::uint8_t FillUp = 1;
inline constexpr std::uint8_t FillDown = 2;

// A record processor attached to a browse (PROCESSORS): the browse releases each one when it
// is killed.
class RecordProcessor {
 public:
  virtual ~RecordProcessor() = default;
  // Handles the record in the buffers.
  virtual ResultLevel TakeRecord() = 0;
  // Releases what the processor holds.
  virtual void Kill() = 0;
};

// Shows the records of a view in a list control, one page at a time. It never loads the whole
// result: the row queue holds at most as many rows as the list shows (LASTITEMS); scrolling
// past either end reads further records from the view and drops rows at the other end. Each
// row carries the copied display fields (FIELDS: record field -> row field) and the view
// position of its record, so that the browse can position the view on any row again.
//
// The browse is a ViewManager (orders, filters, range limits, paging) and a window component:
// Init registers it with its procedure's window manager, which then drives it through
// WINDOWCOMPONENT (Reset, ResetRequired, TakeEvent, Update, UpdateWindow, Kill).
//
// Set-up by the owning procedure, in this order:
//   browse.Init(listControl, VarRef(row.VIEWPOSITION), view, rows, relations, *this);
//   browse.AddSortOrder(nullptr, keyNumber);  browse.AddLocator(&locator);
//   browse.AddField(record.PCODE, row.PCODE); ...   // in column order
//   (settings: ASKPROCEDURE, the buttons, RETAINROW, ALLOWUNFILLED, USEMRP, QUICKSCAN, ...)
// The window manager then calls SetAlerts and, for its first reset, Reset(force), which fills
// the list.
//
// Failures: view errors are reported by the view manager through the primary file's manager
// ("View Open Error", "Record Retrieval Error"); a Fatal read stops the fill, keeps the rows
// read so far and posts the close-window event to the window. A selected record that another
// station deleted or changed is found by RefreshRecord ("Record Retrieval Error") and the page
// is reloaded at the end of the event.
//
// Ownership: the browse owns its SORT queue, FIELDS, the adapter it creates (BEHAVIOR), its
// TOOLBARITEM and the editors it marks FREEUP. The view, the row queue, the relation manager,
// the window manager, the locators and the thumb steps belong to the procedure and must
// outlive the browse's Kill. Thread: the logical thread of the browse's window; nothing here
// is locked.
class BrowseManager : public ViewManager {
 public:
  BrowseManager();
  ~BrowseManager() override;

  // ==== BrowseManager.cpp: set-up, kill and the window-component slot =========================

  // The list control `listControl` of the window manager's window shows `rows`; `position` is
  // the rows' view-position field (a text field of the row buffer). Creates a QueueListAdapter
  // over them (BEHAVIOR) and continues as the form below.
  void Init(std::int32_t listControl, VarRef position, View& view, RowQueue& rows,
            RelationManager& primary, WindowManager& window);
  // USEMRP := 1, PREVCHOICE := 0; WINDOW, LISTQUEUE, ILC; creates SORT, FIELDS, PROCESSORS,
  // POPUP (initialised: it belongs to the calling thread) and EDITLIST; RETAINROW := 1; the
  // view-manager part over `view` with SORT as its orders; registers with the window manager (which
  // sets SELECTING for a SelectRecord request). In select mode the primary file is prepared for use
  // by the procedure and its record buffer saved (BUFFER), to be restored when the selection is
  // cancelled.
  void Init(BrowseQueue& queue, IListControl& list, View& view, RelationManager& primary,
            WindowManager& window);
  // Adds an order on `key` with a thumb step (may be null) and an empty RESETS list; it
  // becomes the current order. Returns the number of orders.
  int AddSortOrder(ThumbStep* thumb, int key);
  using ViewManager::AddSortOrder;  // AddSortOrder(key): no thumb step
  // Attaches `locator` (not owned) to the order added last.
  void AddLocator(Locator* locator);
  // Appends a field pair: `recordField` is copied to `rowField` for each row read, and back
  // for the selected row. The order of calls is the order of copying. Any two variables
  // (texts of any lengths, numbers) convert as VarRef does.
  void AddField(VarRef recordField, VarRef rowField);
  void AddField(Long& recordField, Long& rowField) {
    AddField(VarRef(recordField), VarRef(rowField));
  }
  template <std::size_t N, std::size_t M>
  void AddField(String<N>& recordField, String<M>& rowField) {
    AddField(VarRef(recordField), VarRef(rowField));
  }
  // Adds a reset field to the current order: a change of `field` from the value it had when
  // the order was applied makes the next ResetRequired reload the list. `saved` holds that
  // value (a variable of the caller's).
  void AddResetField(VarRef field, VarRef saved);
  // Releases everything: every order's thumb step is told Kill and its RESETS freed; the
  // browse leaves the window manager's components; the view-manager part is killed (closing
  // the view); SORT, FIELDS, TOOLBARITEM, EIP (when FREEEIP), the FREEUP editors and
  // EDITLIST, the adapter and the record processors (each told Kill) are released; LISTQUEUE
  // and ILC are cleared; the view's row prefetch goes back to 0 when USEMRP. Safe to call twice.
  void Kill() override;

  // The current order's row, or null.
  BrowseSortOrder* CurrentSort();
  // The primary file's manager, or null.
  FileManager* PrimaryFileManager() const;

  // ==== BrowsePaging.cpp: reading, filling and scrolling =====================================

  // The view manager's read; at the end of the data the reset fields get their saved values
  // back (RestoreResetFields); a Fatal read posts the close-window event to the window.
  ResultLevel Next() override;
  ResultLevel Previous() override;
  // The list's row count changed (LASTITEMS updated, a reload owed), or the view manager's
  // range values changed, or a reset field changed: true, and LOADPENDING is set.
  bool ApplyRange() override;

  // Reads ITEMSTOFILL records in `direction` into the row queue, continuing from the row at
  // that end (whose duplicate is skipped), dropping rows at the other end once the queue
  // holds LASTITEMS; with USEMRP the view prefetches the rows about to be read (at most 60).
  // Afterwards ITEMSTOFILL holds the number that could not be read. Stops at once on Fatal.
  virtual void FetchRows(std::uint8_t direction);
  // Fills a page: FromPosition from where the view stands, KeepPage from the first row shown;
  // with RETAINROW the highlighted record comes back on the same line when enough records
  // precede it. With ALLOWUNFILLED a short page near the end is not topped up with earlier
  // records. Does nothing but set LOADPENDING while the list is hidden (unless
  // ACTIVEINVISIBLE).
  virtual void ResetList(std::uint8_t mode);
  // Record fields -> row buffer, plus the view's current position.
  virtual void FillRowFromRecord();
  // The highlighted row -> record fields (cleared when there are no rows).
  virtual void LoadRecordFromRow();
  // The number of rows; tells the locator (SetEnabled) and sets CURRENTCHOICE to 0 when empty.
  std::int32_t HasRows();
  // Scroll events (kEventScrollUp ... kEventScrollBottom; 0: the current event): moves the
  // highlight or the list, then the locator is cleared, a new selection posted, the thumb
  // placed (without a thumb step) and the highlighted row loaded. Nothing with no rows.
  virtual void TakeScroll(int event = 0);
  // Moves the highlight one row; at an edge the list moves by one record instead.
  virtual void ScrollByRow(int event);
  // Moves by a page: a full page read keeps the highlight's line; a short one at an end of the
  // data moves the highlight by the rows missing.
  virtual void ScrollByPage(int event);
  // The first or the last page of the data.
  virtual void ScrollToEnd(int event);
  // A toolbar navigation request (kToolbarBottom ... kToolbarUp) as a scroll, then the window
  // manager's Reset(0) and Update. Other requests are ignored.
  virtual void TakeToolbarScroll(std::int32_t request);
  // The reset fields get the values saved when the order was applied.
  virtual void RestoreResetFields();
  // File-loaded mode: the rows to highlight, in order, so that a list that scrolls by itself
  // shows the new highlight on a sensible line after a page move or a thumb drop. With P the
  // number of rows the list shows, c the row highlighted before the move and e = P - c + 1:
  // when e is 1 (the highlight was on the bottom line) choice + 1 and then choice, otherwise
  // choice, choice - e + 1 and choice. The caller keeps the rows within the list.
  static std::vector<std::int32_t> FileLoadedRealignment(std::int32_t items,
                                                         std::int32_t highlighted,
                                                         std::int32_t choice);

  // ==== BrowseEvents.cpp: orders, selection and event dispatch ===============================

  // Makes `order` current (ChangeSort), applies range, order and filter and refills when
  // anything changed, `force` is set, the list was never loaded or a reload is owed. True when
  // the list was reloaded.
  virtual std::uint8_t SelectSort(int order, std::uint8_t force);
  // SelectSort with the current order.
  virtual void Refresh(std::uint8_t force);
  // The view manager's SetSort; on a change the new order's locator is cleared.
  virtual std::uint8_t ChangeSort(int order);
  // The alert keys of the list (double-click at 252, right-button release and the context key
  // at 249, and with EDITVIAPOPUP the keys of the record buttons that exist: Insert at 255,
  // Ctrl+Enter at 253, Delete at 254, Shift+Enter at 255), HASTHUMB read from the list's scroll
  // bar (which is then turned off until the list needs it), every order's locator's SetAlerts,
  // and the pop-up items, in this order, each following its button: Insert, Change, Delete and
  // View (EDITVIAPOPUP and the button exists), Print, a separator "Separator2" and Query (when
  // the menu has items before it), Select (in select mode), a separator "ToolSeparator2" and
  // Toolbox (kept off the toolbox window). Only the items of buttons that exist are added.
  // Running it again adds the items again (with numbered names).
  virtual void SetAlerts();
  // Every event of the window: list events (new selection, scroll, locate, alert keys, thumb
  // drop), accepted controls, the reload owed by RefreshRecord, and the end of a selection.
  virtual void TakeEvent();
  // A key alerted on the list. True when handled (the window was redisplayed and a new
  // selection posted).
  virtual std::uint8_t TakeKey();
  // The highlighted row changed in the list: CURRENTCHOICE follows it and the row is loaded.
  // After a right-button release or the context-menu key the pop-up menu opens (USEPOPUP);
  // after any other key the window manager's Reset(0) redisplays the window.
  virtual void TakeNewSelection();
  // Highlights CURRENTCHOICE and posts the new-selection event to the list (not when nothing
  // was or is selected, except for the right mouse button).
  void PostNewSelection();
  // The locator's entry control was accepted.
  virtual void TakeLocatorAccepted();

  // ==== BrowseActions.cpp: the record actions of accepted controls ============================

  // Runs the update procedure ASKPROCEDURE for `request` (InsertRecord, ChangeRecord,
  // DeleteRecord, ViewRecord) through the window manager's Run(number, request) and reloads
  // the list after it (RefreshAfterUpdate). An insert first primes the record (the view
  // manager's PrimeRecord); when that fails the answer is RequestCancelled and nothing runs.
  // While the procedure leaves a toolbar request in the thread's VCRRequest (go to the next
  // record, insert another) the list moves and the procedure runs again. Without an update
  // procedure the row is edited in place (EditInPlace). Answers the last response.
  virtual ResponseCode AskRecord(RequestCode request);
  // Edits the highlighted row in the list itself (BrowseEditInPlace.cpp): the edit-in-place
  // manager EIP (created on first use, FREEEIP set) gets the action settings, EDITLIST,
  // FIELDS, the list control, the window's error manager and VCRREQUEST, then serves
  // `request` (EditRequest). Answers the manager's RESPONSE.
  virtual ResponseCode EditInPlace(RequestCode request);
  // Query by example (only with a QUERY): when the user confirms the entry window, ApplyQuery;
  // then, when the query's MenuEnabled is set, its saved queries in the pop-up menu are rebuilt.
  // Runs for the query button and for the list's locate request.
  virtual void TakeQuery();
  // Gives the query's filter (GetFilter) to the view manager under the id "9 - QBE": to every
  // order when QUERYSHARED (the current order is current again afterwards), else to the
  // current one; shows it in the QUERYRESULT control when there is one; then Refresh(force).
  virtual void ApplyQuery();

  // ==== BrowseRefresh.cpp: thumb, record refresh and redisplay ================================

  // Places the thumb without a thumb step: 0 at the first record, 100 at the last, else 50.
  virtual void UpdateThumbPosition();
  // Shows the scroll bar when the list has one and is full (or ALLOWUNFILLED) and places the
  // thumb; hides it otherwise.
  virtual void ShowScrollBar();
  // Reads the thumb step's limits (first and last record of the order) when it asks for them,
  // then ShowScrollBar.
  virtual void ResetThumb();
  // The thumb was dropped on the list (its position 0..100).
  void TakeThumbDrag();
  // Positions the view at the record buffer's values over the order's key and reloads.
  virtual void ResetFromThumb();
  // Reads the highlighted record again from the database (watching it for changes); when it
  // is gone or cannot be read, reports it (ReportRowGone) and owes a reload (NEEDREFRESH).
  virtual void RefreshRecord();
  // "Record Retrieval Error" through the primary file's manager; answers true.
  virtual std::uint8_t ReportRowGone();
  // Locator, record buttons, select button, scroll bar, toolbar buttons, the list's rows and
  // highlight.
  virtual void UpdateWindow();
  // After an update procedure returned with `response` for `request`: reloads so that a
  // deleted record (or a changed one that left the filter) is gone and an inserted or changed
  // one is highlighted at its place; then the toolbar's pending request (VCRRequest): a
  // request for another insert turns `request` into InsertRecord with a cleared record, a
  // navigation request moves the list. A changed record is checked against the view's filter
  // here, with any embedded SQL(...) call taken as true (RewriteSqlCalls).
  virtual void RefreshAfterUpdate(RequestCode& request, ResponseCode response);
  // Positions the view at the primary file's current record and reloads from there.
  virtual void ResetToFileRecord();

  // ==== Fields, after the view manager's, in declaration order ===============================

  // The window-component interface slot: forwards the window manager's calls to the browse.
  class Component : public WindowComponent {
   public:
    explicit Component(BrowseManager& browse) : browse_(browse) {}
    void Kill() override { browse_.Kill(); }
    void Reset(std::uint8_t force) override { browse_.Refresh(force); }
    std::uint8_t ResetRequired() override { return browse_.ApplyRange() ? 1 : 0; }
    void SetAlerts() override { browse_.SetAlerts(); }
    ResultLevel TakeEvent() override {
      browse_.TakeEvent();
      return Benign;
    }
    void Update() override { browse_.RefreshRecord(); }
    void UpdateWindow() override { browse_.UpdateWindow(); }

   private:
    BrowseManager& browse_;
  };
  Component WINDOWCOMPONENT{*this};

  std::uint8_t ACTIVEINVISIBLE = 0;
  std::uint8_t ALLOWUNFILLED = 0;
  std::uint8_t ARROWACTION = 0;
  std::uint8_t DELETEACTION = 0;
  std::int32_t ASKPROCEDURE = 0;
  std::unique_ptr<QueueListAdapter> BEHAVIOR;
  std::int32_t BUFFER = 0;  // the primary buffer saved in select mode (FileManager::SaveBuffer)
  std::int32_t CHANGECONTROL = 0;
  std::int32_t CURRENTCHOICE = 0;
  std::int32_t CURRENTEVENT = 0;
  std::int32_t DELETECONTROL = 0;
  std::shared_ptr<EditInPlaceManager> EIP;
  std::unique_ptr<EditQueue> EDITLIST;
  std::uint8_t ENTERACTION = 0;
  std::unique_ptr<FieldPairList> FIELDS;
  std::uint8_t FILELOADED = 0;
  std::uint8_t USEMRP = 0;
  std::uint8_t FOCUSLOSSACTION = 0;
  std::uint8_t FREEEIP = 0;
  std::uint8_t HASTHUMB = 0;
  std::uint8_t HIDESELECT = 0;
  IListControl* ILC = nullptr;
  std::int32_t INSERTCONTROL = 0;
  std::int32_t ITEMSTOFILL = 0;
  std::int32_t LASTCHOICE = 0;
  std::int32_t LASTITEMS = 0;
  BrowseQueue* LISTQUEUE = nullptr;
  std::uint8_t LOADPENDING = 0;
  std::uint8_t LOADED = 0;
  std::uint8_t NEEDREFRESH = 0;
  std::unique_ptr<PopupManager> POPUP;  // created and initialised by Init, killed by Kill
  std::uint8_t USEPOPUP = 1;
  std::uint8_t EDITVIAPOPUP = 1;
  std::int32_t PREVCHOICE = 0;
  std::int32_t PRINTCONTROL = 0;
  std::uint16_t PRINTPROCEDURE = 0;
  std::unique_ptr<std::vector<RecordProcessor*>> PROCESSORS;  // not owned; Kill releases each
  BrowseQuery* QUERY = nullptr;  // not owned; query by example, optional
  std::int32_t QUERYCONTROL = 0;
  std::int32_t QUERYRESULT = 0;
  std::uint8_t QUERYSHARED = 0;
  std::uint8_t QUICKSCAN = 0;
  std::uint8_t RECORDSTATUS = 0;
  std::uint8_t RETAINROW = 0;
  std::uint8_t SAVEDSORT = 0;
  std::string SAVEDSORTSTRING;  // at most 511 bytes
  Locator* SAVEDLOCATOR = nullptr;
  ThumbStep* SAVEDTHUMB = nullptr;
  VarRef SAVEDLOCATORFIELD;
  std::int32_t SELECTCONTROL = 0;
  std::uint8_t SELECTWHOLERECORD = 0;
  std::uint8_t SELECTING = 0;
  std::unique_ptr<OrderQueue> SORT;
  std::uint8_t STARTATCURRENT = 0;
  std::uint8_t TABACTION = 0;
  std::int32_t TOOLCONTROL = 0;
  ToolbarManager* TOOLBAR = nullptr;  // not owned
  std::unique_ptr<ToolbarTarget> TOOLBARITEM;
  std::int32_t VIEWCONTROL = 0;
  WindowManager* WINDOW = nullptr;  // not owned

 protected:
  std::unique_ptr<OrderRow> MakeOrderRow() override;
  // Copies the rows of the queue to the list control (when they changed); a browse with its
  // own BrowseQueue or IListControl overrides it.
  virtual void ShowRows();
  // Re-reads the view at `position` (the driver's Reget). A test or a driver without re-reads
  // may answer kNotSupportedError to take RefreshRecord's other way.
  virtual ErrorCode RegetAt(const std::string& position);

 private:
  // The page-filling steps of ResetList (BrowsePaging.cpp).
  struct Fill;
  void FillTarget(Fill& fill);
  void SetPrefetchFor(std::int32_t rows);
  void SetPrefetch(int rows);
  int Prefetch() const;
  // The number of key components of the current order (1 when it has no key).
  int OrderComponents();
  // ResetTo with FreeElementPosition (order with a main key) or 1.
  void ResetToFreeElement();
  void PressButton(std::int32_t control, bool loadRow);
  // The accepted control's action: a record button (the window manager's Update re-reads the
  // record; unless it vanished, AskRecord), the select button, the print button, the query
  // button (CurrentItem cleared, TakeQuery), the toolbox button, else the locator's entry
  // control.
  void TakeAcceptedControl(std::int32_t control);
  // A saved query chosen from the pop-up menu (the new-selection event its item posts to the
  // query button): when the query takes the choice, its filter is applied and the menu rebuilt.
  void TakeQueryMenuChoice();
  // The pop-up items SetAlerts adds (BrowseActions.cpp), the query button's part among them.
  void AddPopupItems();
  // The pop-up items of the query button: a separator "Separator2" when the menu has items,
  // "!&Query" following the button, and the saved queries (when MenuEnabled).
  void AddQueryItems();
  void GiveQueryFilter();
  void EndSelection();
  void PositionAtVanishedRow();
  // The list control's number, 0 without one.
  std::int32_t ListControl();

  // Highlights each row of FileLoadedRealignment that lies within the list.
  void Realign(std::int32_t highlighted);
  bool sourceAttached_ = false;
  bool readFailed_ = false;  // a read of the current fill failed (Fatal)  // the row queue is the
                             // list control's source
};

}  // namespace kv
