#pragma once

#include <string>

#include "app/data/ProductsTables.h"
#include "framework/resize/ResizeManager.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "platform/values/FixedText.h"

namespace kv {

// The products form, "Form Products": views, inserts, changes or deletes one product. The list
// runs it on its own thread with the request in GlobalRequest and the product in the thread's
// Products record buffer (the highlighted row for view, change and delete; a cleared record for
// an insert), and reads the outcome from GlobalResponse. The record logic is the window
// manager's (record requests on forms); the entries are bound to the record buffer itself.
//
// By request:
//   ViewRecord    caption "View Record", read-only entries; OK and Cancel close the form with
//                 RequestCancelled.
//   InsertRecord  caption "Record Will Be Added"; OK inserts and ends with RequestCompleted.
//   ChangeRecord  caption "Record Will Be Changed"; OK writes a changed record and ends with
//                 RequestCompleted (an unchanged one is not written). A product another
//                 station changed meanwhile gives "Record Was Not Updated": the form then shows
//                 that station's values and Ctrl+H in an entry brings back what was typed.
//   DeleteRecord  the window never opens: "Confirm Delete" is asked and Yes deletes
//                 (RequestCompleted); No gives RequestCancelled.
// Closing a changed insert or change form (Cancel, the close box, Escape) asks "Changes will be
// lost!"; No keeps the form open on the first entry.
//
// The window keeps its place and size in the settings file under "UpdateProducts".

// The form's window manager.
class UpdateProductsForm : public WindowManager {
 public:
  UpdateProductsForm();

  // PushProcedureName "UpdateProducts"; REQUEST := GlobalRequest; base Init (its answer when
  // not Benign); FIRSTFIELD 3, VCRREQUEST, ERRORS, the toolbar manager; GlobalRequest and
  // GlobalResponse cleared; field history on the four entries with Ctrl+H; Products as update
  // file and primary table; Cancel as cancel button. Not viewing: change and cancel actions 2,
  // OK control 11, then PrimeUpdate, whose failure makes Init answer Notify (the window never
  // opens; a delete is carried out there). Viewing: no insert, change or delete action, no
  // cancel question, no OK control. Then the window opens (entries read-only when viewing),
  // the resize manager is registered, the stored place and size are restored and laid out, and
  // SetAlerts. Answers Benign.
  ResultLevel Init() override;
  // The caption by REQUEST ("View Record", "Record Will Be Added", "Record Will Be Changed",
  // else empty), then the framework's event loop.
  void Ask() override;
  // The framework's TakeAccepted, whose answer is kept; for OK then Update, and when viewing
  // (not BATCHPROCESSING) the close-window event.
  ResultLevel TakeAccepted() override;
  // Base Kill (its answer when not Benign); closes Products when FILESOPENED; saves the window's
  // place and size when OPENED; PopProcedureName. Answers Benign.
  ResultLevel Kill() override;

  // The action message shown as the caption (at most 39 characters).
  CString<40> ActionMessage;

 private:
  ToolbarManager toolbar_;
  ResizeManager resizer_;
};

// The procedure: GlobalResponse := the form's Run. Thread: a logical thread with its table
// managers; the caller leaves the request in GlobalRequest.
void UpdateProducts();

}  // namespace kv
