// ViewManager: opening, reading, buffers, free elements and field directions.

#include "framework/data/FileManager.h"
#include "framework/data/ManagerRegistry.h"
#include "framework/data/RelationManager.h"
#include "framework/data/ViewManager.h"
#include "platform/expr/PatternMatcher.h"
#include "platform/storage/FieldTableLayout.h"

namespace kv {

void ViewManager::Open() {
  if (!OPENED) {
    const ErrorCode rc = VIEW->Open(0x22);
    if (rc == kNoError)
      OPENED = true;
    else if (rc != kAlreadyOpenError)
      (void)PrimaryFile()->ReportError(MsgViewOpenFailed);
    VIEW->SetPaging(PAGESIZE, PAGESBEHIND, PAGESAHEAD, TIMEOUT);
  }
  ApplyOrder();
  ApplyFilter();
}

void ViewManager::ResetTo(int n) {
  Open();
  if (!OPENED) return;
  if (VIEW->SetStart(n) != kNoError) (void)PrimaryFile()->ReportError(MsgViewOpenFailed);
}

void ViewManager::Reset() {
  ResetTo(0);
}

void ViewManager::Close() {
  Close(false);
}

void ViewManager::Close(bool force) {
  if (!OPENED && !force) return;
  if (VIEW != nullptr && VIEW->IsOpen()) (void)VIEW->Close();
  OPENED = false;
}

int ViewManager::ValidateRecord() {
  return 0;
}

ResultLevel ViewManager::Read(bool forward) {
  for (;;) {
    const ErrorCode rc = forward ? VIEW->Next() : VIEW->Previous();
    if (rc == kNoError) {
      const int verdict = ValidateRecord();
      if (verdict == 0) return Benign;
      if (verdict == 1) return Notify;
      continue;
    }
    if (rc == kNoRecordError) return Notify;
    (void)PrimaryFile()->ReportError(MsgRetrieveFailed);
    return Fatal;
  }
}

ResultLevel ViewManager::Next() {
  return Read(true);
}

ResultLevel ViewManager::Previous() {
  return Read(false);
}

// ---- Buffers -----------------------------------------------------------------------------------

void ViewManager::SaveBuffers() {
  SAVEDBUFFERS.clear();
  for (int i = 0; i < VIEW->FileCount(); ++i)
    if (FileManager* fm = FileManagerOf(i)) SAVEDBUFFERS.push_back({fm->SaveBuffer(), fm});
}

void ViewManager::RestoreBuffers() {
  for (SavedViewBuffer& saved : SAVEDBUFFERS) saved.FM->RestoreBuffer(saved.BUFF, true);
  SAVEDBUFFERS.clear();
}

void ViewManager::ClearBuffers() {
  for (int i = 0; i < VIEW->FileCount(); ++i) {
    Table& t = VIEW->File(i);
    t.Decl().Layout().Clear(t.Record());
    t.SetNullImage({});  // a cleared record holds values, not the NULLs of the last read
  }
}

ResultLevel ViewManager::PrimeRecord(bool keepBuffer) {
  if (!keepBuffer) ClearBuffers();
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  FileManager* fm = PrimaryFile();
  if (row != nullptr && row->RANGELIST) {
    int copied = 0;
    switch (row->LIMITTYPE) {
      case RangeFixed:
      case RangeFollow:
      case RangeLive:
        copied = row->RANGELIST->Count();
        break;
      case RangeBounds:
        copied = row->RANGELIST->Count() - 2;
        break;
      default:
        break;
    }
    for (int k = 1; k <= copied; ++k) {
      VarRef component = fm->GetField(row->MAINKEY, k);
      if (!component.IsNull()) (void)component.Assign(row->RANGELIST->Right(k));
    }
  }
  return fm->PrimeRecord(true);
}

// ---- Free element and field directions ---------------------------------------------------------

int ViewManager::FreeElementPosition() {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr || row->MAINKEY == 0) return 0;
  int p = row->RANGELIST ? row->RANGELIST->Count() : 0;
  if (row->LIMITTYPE != RangeBounds) ++p;
  return PrimaryFile()->GetComponents(row->MAINKEY) >= p ? p : 0;
}

std::string ViewManager::FreeElementName() {
  const int p = FreeElementPosition();
  if (p == 0) return {};
  return PrimaryFile()->GetFieldName(ORDER->Current()->MAINKEY, p);
}

int ViewManager::FreeElementAscending() {
  const int p = FreeElementPosition();
  if (p == 0) return 1;
  return PrimaryFile()->IsAscending(ORDER->Current()->MAINKEY, p) ? 1 : 0;
}

bool ViewManager::FieldAscending(VarRef field) {
  std::string name;
  for (const View::FieldRef& ref : VIEW->Fields()) {
    Table& t = VIEW->File(ref.file);
    const auto* layout = dynamic_cast<const FieldTableLayout*>(&t.Decl().Layout());
    if (layout == nullptr) continue;
    if (layout->Fields().Ref(t.Record(), ref.field + 1).Address() == field.Address()) {
      name = VIEW->FieldLabel(ref);
      break;
    }
  }
  const std::string& order = VIEW->Order();
  if (name.empty() || order.empty()) return true;
  const std::string escaped = PatternMatcher::Escape(name);
  for (const std::string& subject : {escaped, "UPPER(" + escaped + ")"}) {
    PatternMatcher matcher;
    // A signed name followed by "," or by the end of the text. Labels name fields regardless
    // of letter case, so "-itm:amt" is a descending order of ITM:AMT.
    if (!matcher.Compile("{{{[+-]}{" + subject + "}[,]}|{{[+-]}{" + subject + "}$}}", true))
      continue;
    if (std::optional<PatternMatch> m = matcher.Find(order)) return order[m->start] == '+';
  }
  return true;
}

}  // namespace kv
