#pragma once

#include <cstdint>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/browse/RowQueue.h"
#include "framework/resize/ResizeManager.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "platform/storage/View.h"
#include "platform/values/Decimal.h"
#include "platform/values/FieldTable.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"

namespace kv {

// The products list, "Browse the Products file": a child window of the frame that pages the
// Products table in PRO:PCODE order and views, inserts, changes and deletes products through
// the form UpdateProducts (app/UpdateProducts.h), which runs on the list's thread. The frame
// starts each list on a thread of its own, so several lists live side by side, each with its
// own tables, buffers and view.
//
// Controls (app/windows/BrowseArticulosWindow.h): the list; View, Insert, Change and Delete
// (the three that change records are not wired when the list itself was started to view);
// Close, which ends the list (RequestCancelled when it was started to select a record, else
// RequestCompleted); Help, the runtime's standard help. On the list: double-click and
// Ctrl+Enter change, Shift+Enter views, Insert inserts, Delete deletes, a right click or the
// context-menu key opens the pop-up menu of the record actions, and typing a letter moves to
// the first code that begins with it (upper or lower case alike).
//
// The window keeps its place and size in the settings file under "BrowseArticulos".

// One row of the list: the four columns and the view position of its record.
struct ProductsListRow {
  String<20> PCODE;
  String<50> DESCRIPTION;
  Decimal<11, 2> PRICE;
  Long PROVIDERID;
  Byte MARK;
  String<1024> VIEWPOSITION;
};
static_assert(kIsRecordType<ProductsListRow>);

// The row's field table ("PRO:PCODE" ... "MARK", "VIEWPOSITION").
const FieldTable& ProductsListRowFields();

// The browse manager of the list: the framework's, with the reference Q to the row queue.
class ProductsBrowse : public BrowseManager {
 public:
  // The framework's SetAlerts. The record actions stay in the pop-up menu and on their keys
  // (EDITVIAPOPUP as constructed), so that a right click offers them.
  void SetAlerts() override;
  // The framework's FetchRows in the same direction.
  void FetchRows(std::uint8_t direction) override;

  RowQueue* Q = nullptr;  // the list's rows; not owned
};

// The list procedure's window manager. `view` and `rows` (with its row buffer `row`) are the
// procedure's and must outlive it.
class BrowseArticulosProcedure : public WindowManager {
 public:
  BrowseArticulosProcedure(View& view, RowQueue& rows, ProductsListRow& row);

  // PushProcedureName "BrowseArticulos"; REQUEST := GlobalRequest; base Init (its answer when
  // not Benign); FIRSTFIELD 1, VCRREQUEST, ERRORS, the toolbar manager; GlobalRequest and
  // GlobalResponse cleared. Close ends the list; Products is opened (FILESOPENED); the browse
  // is set up over the view (record buttons unless REQUEST is ViewRecord, View always); the
  // window opens; the resize manager (strategy 2, the initial size as minimum) is registered,
  // the window's stored place and size are restored and laid out; one order on PRO:PK_Pcode
  // with a case-blind locator on PRO:PCODE; the four columns; update procedure 1; SetAlerts.
  // Answers Benign.
  ResultLevel Init() override;
  // Base Kill (its answer when not Benign); closes Products when FILESOPENED; saves the window's
  // place and size when OPENED; PopProcedureName. Answers Benign.
  ResultLevel Kill() override;
  // The update procedure for `request`: nothing (RequestCancelled) when this list's own
  // REQUEST is ViewRecord; otherwise GlobalRequest := request, UpdateProducts runs on this
  // thread, and its GlobalResponse is the answer.
  ResponseCode Run(std::uint16_t number, RequestCode request) override;
  using WindowManager::Run;

  ProductsBrowse BRW1;
  Locator BRW1Locator;

 private:
  View& view_;
  RowQueue& rows_;
  ProductsListRow& row_;
  ToolbarManager toolbar_;
  ResizeManager resizer_;
};

// The procedure: the thread's view (prepared on its first use on the thread), the row queue,
// the window manager with its browse; GlobalResponse := its Run; then the locator and the
// browse are killed and everything is freed. Thread: any logical thread with its table
// managers (every thread the program starts has them).
void BrowseArticulos();

// Closes and frees the calling thread's view of the list when it exists. Registered as a
// thread-end step by RegisterBrowseArticulos, which the program calls once before it starts,
// ahead of the table managers so that the view closes before its table's managers go.
void ReleaseProductsView();
void RegisterBrowseArticulos();

}  // namespace kv
