#include "app/BrowseArticulos.h"

#include <memory>
#include <mutex>

#include "app/Globals.h"
#include "app/ThreadSetup.h"
#include "app/UpdateProducts.h"
#include "app/data/ProductsManagers.h"
#include "app/data/ProductsTables.h"
#include "app/windows/BrowseArticulosWindow.h"
#include "framework/window/OpenWindowPlacement.h"

namespace kv {
namespace {

constexpr const char* kProcedureName = "BrowseArticulos";
constexpr std::uint16_t kUpdateProcedure = 1;

// The thread's view of Products, prepared the first time the list runs on the thread.
thread_local std::unique_ptr<View> tView;

View& ThreadView() {
  if (!tView) tView = std::make_unique<View>(ProductsTable().Instance());
  return *tView;
}

}  // namespace

const FieldTable& ProductsListRowFields() {
  static const FieldTable table = FieldTable::For<ProductsListRow>({
      KV_FIELD(ProductsListRow, PCODE, "PRO:PCODE", "@s20"),
      KV_FIELD(ProductsListRow, DESCRIPTION, "PRO:DESCRIPTION", "@s50"),
      KV_FIELD(ProductsListRow, PRICE, "PRO:PRICE", "@n-14.2"),
      KV_FIELD(ProductsListRow, PROVIDERID, "PRO:PROVIDERID", "@n-14"),
      KV_FIELD(ProductsListRow, MARK, "MARK", "@n3"),
      KV_FIELD(ProductsListRow, VIEWPOSITION, "VIEWPOSITION", "@s255"),
  });
  return table;
}

// ---- The browse manager -------------------------------------------------------------------------

void ProductsBrowse::SetAlerts() {
  BrowseManager::SetAlerts();
}

void ProductsBrowse::FetchRows(std::uint8_t direction) {
  BrowseManager::FetchRows(direction);
}

// ---- The procedure
// --------------------------------------------------------------------------------

BrowseArticulosProcedure::BrowseArticulosProcedure(View& view, RowQueue& rows, ProductsListRow& row)
    : view_(view), rows_(rows), row_(row) {}

ResultLevel BrowseArticulosProcedure::Init() {
  GlobalErrors.PushProcedureName(kProcedureName);
  REQUEST = GlobalRequest;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  FIRSTFIELD = kBrowseList;
  VCRREQUEST = &VCRRequest;
  ERRORS = &GlobalErrors;
  AddItem(toolbar_);
  GlobalRequest = 0;
  GlobalResponse = 0;
  // Closing a list started to select a record means that nothing was selected.
  AddItem(kBrowseClose, REQUEST == SelectRecord ? RequestCancelled : RequestCompleted);
  ProductsRelationManager& products = *ProductsRelations();
  (void)products.Open();
  FILESOPENED = 1;
  BRW1.Init(kBrowseList, VarRef(row_.VIEWPOSITION), view_, rows_, products, *this);
  if (REQUEST != ViewRecord) {
    BRW1.INSERTCONTROL = kBrowseInsert;
    BRW1.CHANGECONTROL = kBrowseChange;
    BRW1.DELETECONTROL = kBrowseDelete;
  }
  BRW1.VIEWCONTROL = kBrowseView;
  Open(BrowseArticulosWindow(), Window(), WindowKind::kFrameChild);
  resizer_.Init(2, true, false);
  AddItem(resizer_);
  OpenWindowPlacement placement(MYWINDOW);
  INIMgr.FetchWindow(kProcedureName, placement);
  (void)resizer_.Resize(0);
  BRW1.Q = &rows_;
  BRW1.RETAINROW = 0;
  BRW1.AddSortOrder(nullptr, kProductsKeyPcode);
  BRW1Locator.Init(0, BRW1.CurrentSort()->FREEELEMENT, 1, BRW1);
  BRW1.AddLocator(&BRW1Locator);
  ProductsRecord& record = ProductsBuffer();
  BRW1.AddField(record.PCODE, row_.PCODE);
  BRW1.AddField(record.DESCRIPTION, row_.DESCRIPTION);
  BRW1.AddField(VarRef(record.PRICE), VarRef(row_.PRICE));
  BRW1.AddField(record.PROVIDERID, row_.PROVIDERID);
  BRW1.ASKPROCEDURE = kUpdateProcedure;
  SetAlerts();
  return Benign;
}

ResultLevel BrowseArticulosProcedure::Kill() {
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  if (FILESOPENED) (void)ProductsRelations()->Close();
  if (OPENED) {
    OpenWindowPlacement placement(MYWINDOW);
    INIMgr.UpdateWindowPosition(kProcedureName, placement);
  }
  GlobalErrors.PopProcedureName();
  return Benign;
}

ResponseCode BrowseArticulosProcedure::Run(std::uint16_t number, RequestCode request) {
  (void)WindowManager::Run(number, request);
  // A list started to view records runs no form.
  if (REQUEST == ViewRecord) return RequestCancelled;
  GlobalRequest = request;
  UpdateProducts();
  return GlobalResponse;
}

void BrowseArticulos() {
  View& view = ThreadView();
  auto row = std::make_unique<ProductsListRow>();
  ProductsListRowFields().ClearRecord(row.get());
  auto rows = std::make_unique<RowQueue>(ProductsListRowFields(), row.get());
  {
    auto procedure = std::make_unique<BrowseArticulosProcedure>(view, *rows, *row);
    GlobalResponse = procedure->Run();
    procedure->BRW1Locator.Kill();
    procedure->BRW1.Kill();
  }
  rows->Free();
}

void ReleaseProductsView() {
  if (!tView) return;
  (void)tView->Close();
  tView.reset();
}

void RegisterBrowseArticulos() {
  static std::once_flag once;
  std::call_once(once, [] { AddTableManagers({}, ReleaseProductsView); });
}

}  // namespace kv
