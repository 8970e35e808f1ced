// BrowseManager: set-up and kill, and the window manager's registration of a browse.

#include "framework/browse/BrowseManager.h"

#include "framework/browse/Locator.h"
#include "framework/browse/RowQueue.h"
#include "framework/browse/ThumbStep.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/window/ToolbarTarget.h"
#include "framework/window/WindowManager.h"

namespace kv {

BrowseManager::BrowseManager() = default;

// The view manager's destructor cannot reach this class's Kill any more, so the browse kills
// itself while it is still whole.
BrowseManager::~BrowseManager() {
  Destroy();
}

std::unique_ptr<OrderRow> BrowseManager::MakeOrderRow() {
  return std::make_unique<BrowseSortOrder>();
}

void BrowseManager::Init(std::int32_t listControl, VarRef position, View& view, RowQueue& rows,
                         RelationManager& primary, WindowManager& window) {
  BEHAVIOR = std::make_unique<QueueListAdapter>();
  BEHAVIOR->Init(rows, position, listControl, window.MYWINDOW);
  Init(*BEHAVIOR, *BEHAVIOR, view, primary, window);
}

void BrowseManager::Init(BrowseQueue& queue, IListControl& list, View& view,
                         RelationManager& primary, WindowManager& window) {
  USEMRP = 1;
  PREVCHOICE = 0;
  WINDOW = &window;
  LISTQUEUE = &queue;
  ILC = &list;
  SORT = std::make_unique<OrderQueue>();
  FIELDS = std::make_unique<FieldPairList>();
  FIELDS->Init();
  PROCESSORS = std::make_unique<std::vector<RecordProcessor*>>();
  POPUP = std::make_unique<PopupManager>();
  EDITLIST = std::make_unique<EditQueue>();
  RETAINROW = 1;
  POPUP->Init();
  ViewManager::Init(view, primary, SORT.get());
  window.AddItem(*this);
  if (SELECTING) {
    if (FileManager* fm = PrimaryFileManager()) {
      (void)fm->PrepareUse(UseProcedure);
      BUFFER = fm->SaveBuffer();
    }
  }
}

int BrowseManager::AddSortOrder(ThumbStep* thumb, int key) {
  const int n = ViewManager::AddSortOrder(key);
  if (BrowseSortOrder* row = CurrentSort()) {
    row->THUMB = thumb;
    row->RESETS = std::make_unique<FieldPairList>();
    row->RESETS->Init();
  }
  return n;
}

void BrowseManager::AddLocator(Locator* locator) {
  if (BrowseSortOrder* row = CurrentSort()) row->LOCATOR = locator;
}

void BrowseManager::AddField(VarRef recordField, VarRef rowField) {
  if (FIELDS) FIELDS->AddPair(recordField, rowField);
}

void BrowseManager::AddResetField(VarRef field, VarRef saved) {
  BrowseSortOrder* row = CurrentSort();
  if (row == nullptr) return;
  if (!row->RESETS) row->RESETS = std::make_unique<FieldPairList>();
  row->RESETS->AddPair(field, saved);
}

BrowseSortOrder* BrowseManager::CurrentSort() {
  return ORDER != nullptr ? static_cast<BrowseSortOrder*>(ORDER->Current()) : nullptr;
}

FileManager* BrowseManager::PrimaryFileManager() const {
  return PRIMARY != nullptr ? PRIMARY->ME : nullptr;
}

std::int32_t BrowseManager::ListControl() {
  return ILC != nullptr ? ILC->GetControl() : 0;
}

void BrowseManager::Kill() {
  if (!INITED || KILLED) return;
  if (SORT) {
    for (std::unique_ptr<OrderRow>& r : SORT->ROWS) {
      auto& row = static_cast<BrowseSortOrder&>(*r);
      if (row.THUMB != nullptr) row.THUMB->Kill();
      if (row.RESETS) row.RESETS->Kill();
      row.RESETS.reset();
    }
  }
  if (WINDOW != nullptr) {
    WINDOW->RemoveItem(WINDOWCOMPONENT);
    // The list stops showing the row queue, which the procedure frees after the browse.
    if (sourceAttached_ && WINDOW->MYWINDOW.IsOpen())
      WINDOW->MYWINDOW.SetListSource(ListControl(), nullptr);
    sourceAttached_ = false;
  }
  ViewManager::Kill();
  SORT.reset();
  if (FIELDS) FIELDS->Kill();
  FIELDS.reset();
  if (POPUP) POPUP->Kill();
  POPUP.reset();
  TOOLBARITEM.reset();
  if (FREEEIP) EIP.reset();
  FREEEIP = 0;
  if (EDITLIST) {
    for (EditColumn& column : EDITLIST->Rows())
      if (column.FREEUP) column.CONTROL.reset();
  }
  EDITLIST.reset();
  LISTQUEUE = nullptr;
  ILC = nullptr;
  BEHAVIOR.reset();
  if (PROCESSORS) {
    for (RecordProcessor* p : *PROCESSORS)
      if (p != nullptr) p->Kill();
  }
  PROCESSORS.reset();
  // The view object belongs to the procedure and outlives the browse.
  if (USEMRP && VIEW != nullptr) SetPrefetch(0);
}

// ---- The window manager's side ------------------------------------------------------------------

void WindowManager::AddItem(BrowseManager& browse) {
  AddItem(browse.WINDOWCOMPONENT);
  browse.SELECTING = REQUEST == SelectRecord ? 1 : 0;
}

}  // namespace kv
