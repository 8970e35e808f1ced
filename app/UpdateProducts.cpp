#include "app/UpdateProducts.h"

#include "app/Globals.h"
#include "app/data/ProductsManagers.h"
#include "app/windows/UpdateProductsWindow.h"
#include "framework/window/OpenWindowPlacement.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/VariableBinding.h"

namespace kv {
namespace {

constexpr const char* kProcedureName = "UpdateProducts";
constexpr int kFirstField = 3;  // the code's prompt: selecting it gives its entry the focus
constexpr int kEntries[] = {kFormPcode, kFormDescription, kFormPrice, kFormProviderId};

// What the user typed into the form when a save was last attempted, for the history key. One
// per thread, cleared the first time the form runs on the thread.
thread_local ProductsRecord tHistory;
thread_local bool tHistoryCleared = false;

ProductsRecord& History() {
  if (!tHistoryCleared) {
    ProductsFields().ClearRecord(&tHistory);
    tHistoryCleared = true;
  }
  return tHistory;
}

}  // namespace

UpdateProductsForm::UpdateProductsForm() = default;

ResultLevel UpdateProductsForm::Init() {
  GlobalErrors.PushProcedureName(kProcedureName);
  REQUEST = GlobalRequest;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  FIRSTFIELD = kFirstField;
  VCRREQUEST = &VCRRequest;
  ERRORS = &GlobalErrors;
  AddItem(toolbar_);
  GlobalRequest = 0;
  GlobalResponse = 0;
  ProductsRecord& record = ProductsBuffer();
  HISTORYKEY = kCtrl | 'H';
  AddHistoryFile(&record, &History(), ProductsFields());
  AddHistoryField(kFormPcode, 1);
  AddHistoryField(kFormDescription, 2);
  AddHistoryField(kFormPrice, 3);
  AddHistoryField(kFormProviderId, 4);
  AddUpdateFile(*ProductsFile());
  AddItem(kFormCancel, RequestCancelled);
  ProductsRelationManager& products = *ProductsRelations();
  (void)products.Open();
  FILESOPENED = 1;
  PRIMARY = &products;
  const bool viewing = REQUEST == ViewRecord && BATCHPROCESSING == 0;
  if (!viewing) {
    CHANGEACTION = 2;
    CANCELACTION = 2;  // closing a changed form asks "Changes will be lost!"
    OKCONTROL = kFormOk;
    // A refused request or a delete (carried out here) ends the form before its window opens.
    if (PrimeUpdate() != Benign) return Notify;
  } else {
    INSERTACTION = 1;
    DELETEACTION = 1;
    CHANGEACTION = 1;
    CANCELACTION = 0;
    OKCONTROL = 0;
  }
  Open(UpdateProductsWindow(), Window(), WindowKind::kFrameChild);
  (void)BindControl(MYWINDOW, kFormPcode, VarRef(record.PCODE));
  (void)BindControl(MYWINDOW, kFormDescription, VarRef(record.DESCRIPTION));
  (void)BindControl(MYWINDOW, kFormPrice, VarRef(record.PRICE));
  (void)BindControl(MYWINDOW, kFormProviderId, VarRef(record.PROVIDERID));
  if (viewing) {
    for (int entry : kEntries) MYWINDOW.SetReadOnly(entry, true);
  }
  resizer_.Init(2, true, false);
  AddItem(resizer_);
  OpenWindowPlacement placement(MYWINDOW);
  INIMgr.FetchWindow(kProcedureName, placement);
  (void)resizer_.Resize(0);
  SetAlerts();
  return Benign;
}

void UpdateProductsForm::Ask() {
  switch (REQUEST) {
    case ViewRecord:
      ActionMessage = "View Record";
      break;
    case InsertRecord:
      ActionMessage = "Record Will Be Added";
      break;
    case ChangeRecord:
      ActionMessage = "Record Will Be Changed";
      break;
    default:
      ActionMessage = "";
      break;
  }
  MYWINDOW.SetCaption(std::string(ActionMessage.View()));
  WindowManager::Ask();
}

ResultLevel UpdateProductsForm::TakeAccepted() {
  const ResultLevel kept = WindowManager::TakeAccepted();
  if (CurrentEvent().control == kFormOk) {
    Update();
    if (REQUEST == ViewRecord && BATCHPROCESSING == 0) MYWINDOW.Post(kEventCloseWindow);
  }
  return kept;
}

ResultLevel UpdateProductsForm::Kill() {
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  if (FILESOPENED) (void)ProductsRelations()->Close();
  if (OPENED) {
    OpenWindowPlacement placement(MYWINDOW);
    INIMgr.UpdateWindowPosition(kProcedureName, placement);
  }
  GlobalErrors.PopProcedureName();
  return Benign;
}

void UpdateProducts() {
  UpdateProductsForm form;
  GlobalResponse = form.Run();
}

}  // namespace kv
