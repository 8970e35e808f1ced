#include "framework/data/ViewManager.h"

#include <algorithm>

#include "framework/data/FileManager.h"
#include "framework/data/ManagerRegistry.h"
#include "framework/data/RelationManager.h"
#include "platform/expr/PatternMatcher.h"

namespace kv {

namespace {

std::string Clipped(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

// Filter ids are fixed strings of 30 bytes: longer ids are cut, trailing blanks ignored.
std::string FilterId(std::string_view id) {
  return Clipped(id.substr(0, std::min<std::size_t>(id.size(), 30)));
}

}  // namespace

ViewManager::ViewManager() = default;

ViewManager::~ViewManager() {
  Destroy();
}

void ViewManager::Destroy() {
  if (INITED && !KILLED) Kill();
}

std::unique_ptr<OrderRow> ViewManager::MakeOrderRow() {
  return std::make_unique<OrderRow>();
}

void ViewManager::Init(View& view, RelationManager& primary, OrderQueue* orders) {
  INITED = true;
  VIEW = &view;
  PRIMARY = &primary;
  if (orders != nullptr) {
    ORDER = orders;
    DISPOSEORDER = false;
  } else {
    ownOrders_ = std::make_unique<OrderQueue>();
    ORDER = ownOrders_.get();
    DISPOSEORDER = true;
  }
  SAVEDBUFFERS.clear();
  PAGESIZE = 20;
  PAGESBEHIND = 2;
  PAGESAHEAD = 0;
  TIMEOUT = 60;
  KILLED = false;
  UseFiles();
}

FileManager* ViewManager::PrimaryFile() const {
  return PRIMARY != nullptr ? PRIMARY->ME : nullptr;
}

FileManager* ViewManager::FileManagerOf(int file) const {
  return ManagerRegistry::ThisThread().GetFileManager(VIEW->File(file).InstanceId());
}

RelationManager* ViewManager::RelationManagerOf(int file) const {
  return ManagerRegistry::ThisThread().GetRelationManager(VIEW->File(file).InstanceId());
}

void ViewManager::UseFiles() {
  for (int i = 0; i < VIEW->FileCount(); ++i) {
    FileManager* fm = FileManagerOf(i);
    RelationManager* rm = RelationManagerOf(i);
    if (rm != nullptr) (void)rm->Open(false);
    USED = true;
    if (fm != nullptr && fm->PrepareUse(UseRecord) != Benign) break;
  }
}

void ViewManager::ReleaseFiles() {
  if (!USED) return;
  for (int i = 0; i < VIEW->FileCount(); ++i)
    if (RelationManager* rm = RelationManagerOf(i)) (void)rm->Close(false);
  USED = false;
}

void ViewManager::Kill() {
  if (ORDER != nullptr) {
    for (std::unique_ptr<OrderRow>& row : ORDER->ROWS) {
      if (row->RANGELIST) row->RANGELIST->Kill();
      row->RANGELIST.reset();
      row->FILTER.reset();
      row->ORDER.reset();
      row->FREEELEMENT = VarRef();
    }
    if (DISPOSEORDER) {
      ownOrders_.reset();
      ORDER = nullptr;
    }
  }
  SAVEDBUFFERS.clear();
  Close();
  ReleaseFiles();
  KILLED = true;
}

// ---- Orders ------------------------------------------------------------------------------------

int ViewManager::AddSortOrder(int key) {
  std::unique_ptr<OrderRow> row = MakeOrderRow();
  row->MAINKEY = key;
  row->RANGELIST = std::make_unique<BufferedPairList>();
  row->RANGELIST->Init();
  FileManager* fm = PrimaryFile();
  if (fm != nullptr && fm->GetComponents(key) > 0) row->FREEELEMENT = fm->GetField(key, 1);
  ORDER->ROWS.push_back(std::move(row));
  ORDER->CURRENT = ORDER->ROWS.size() - 1;
  SetOrder(fm != nullptr ? fm->KeyOrderText(key, 1) : std::string());
  return int(ORDER->ROWS.size());
}

void ViewManager::SetOrder(std::string_view text) {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr) return;
  std::string clipped = Clipped(text);
  row->ORDER = clipped.empty() ? nullptr : std::make_unique<std::string>(clipped);
}

void ViewManager::AppendOrder(std::string_view text) {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr) return;
  if (!row->ORDER)
    SetOrder(text);
  else if (!text.empty() && text[0] == '*')
    SetOrder(text.substr(1));
  else
    SetOrder(*row->ORDER + "," + std::string(text));
}

void ViewManager::ApplyOrder() {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  std::string text = row != nullptr && row->ORDER ? *row->ORDER : std::string();
  if (VIEW->SetOrder(text) != kNoError) (void)PrimaryFile()->ReportError(MsgViewOpenFailed);
}

bool ViewManager::SetSort(int n) {
  if (n == 0) n = 1;
  if (ORDER == nullptr || n < 1 || n > int(ORDER->ROWS.size())) return false;
  if (std::size_t(n - 1) == ORDER->CURRENT) return false;
  ORDER->CURRENT = std::size_t(n - 1);
  return true;
}

// ---- Filters and range limits ------------------------------------------------------------------

void ViewManager::SetFilter(std::string_view text) {
  SetFilter(text, kStandardFilter);
}

void ViewManager::SetFilter(std::string_view text, std::string_view id) {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr) return;
  if (!row->FILTER) row->FILTER = std::make_unique<std::vector<FilterRow>>();
  std::vector<FilterRow>& filters = *row->FILTER;
  const std::string key = FilterId(id);
  auto it =
      std::find_if(filters.begin(), filters.end(), [&](const FilterRow& f) { return f.ID == key; });
  const std::string clipped = Clipped(text);
  if (clipped.empty()) {
    if (it != filters.end()) filters.erase(it);
    return;
  }
  if (it == filters.end()) {
    it = std::find_if(filters.begin(), filters.end(),
                      [&](const FilterRow& f) { return f.ID < key; });  // descending on ID
    it = filters.insert(it, FilterRow{key, {}});
  }
  it->FILTER = clipped;
}

std::string ViewManager::QuoteValue(VarRef value, std::string_view component) {
  if (!IsTextType(value.Type())) return value.ToClippedText();
  std::string quoted = "'";
  for (char c : value.ToClippedText()) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += "'";
  if (component.find("UPPER(") != std::string_view::npos) return "UPPER(" + quoted + ")";
  if (component.find("LOWER(") != std::string_view::npos) return "LOWER(" + quoted + ")";
  return quoted;
}

std::string ViewManager::ComposeFilter() {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr) return {};
  std::string expr;
  FileManager* fm = PrimaryFile();
  const int n = row->RANGELIST ? row->RANGELIST->Count() : 0;
  auto equality = [&](int k) {
    std::string name = fm->GetFieldName(row->MAINKEY, k);
    if (!expr.empty()) expr += " AND ";
    expr += name + " = " + QuoteValue(row->RANGELIST->Right(k), name);
  };
  switch (row->LIMITTYPE) {
    case RangeFixed:
    case RangeFollow:
    case RangeLive:
      for (int k = 1; k <= n; ++k) equality(k);
      break;
    case RangeBounds:
      if (n >= 2) {
        for (int k = 1; k <= n - 2; ++k) equality(k);
        std::string name = fm->GetFieldName(row->MAINKEY, n - 1);
        if (!expr.empty()) expr += " AND ";
        expr += name + " >= " + QuoteValue(row->RANGELIST->Right(n - 1), name);
        expr += " AND " + name + " <= " + QuoteValue(row->RANGELIST->Right(n), name);
      }
      break;
    default:
      break;
  }
  if (row->FILTER) {
    for (const FilterRow& f : *row->FILTER) {
      expr += expr.empty() ? "(" : " AND (";
      expr += f.FILTER + ")";
    }
  }
  return expr;
}

void ViewManager::ApplyFilter() {
  if (VIEW->SetFilter(ComposeFilter()) != kNoError)
    (void)PrimaryFile()->ReportError(MsgViewOpenFailed);
}

bool ViewManager::SetRangeLimit(std::uint8_t kind,
                                const std::vector<std::pair<VarRef, VarRef>>& pairs) {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr || kind > RangeLive) return false;
  if (kind == RangeBounds && pairs.size() < 2) return false;
  const int limited = int(pairs.size()) - (kind == RangeBounds ? 1 : 0);
  FileManager* fm = PrimaryFile();
  if (kind != RangeNone && (fm == nullptr || limited > fm->GetComponents(row->MAINKEY)))
    return false;
  row->RANGELIST->Init();
  if (kind != RangeNone)
    for (const auto& [left, right] : pairs) row->RANGELIST->AddPair(left, right);
  row->LIMITTYPE = kind;
  const int free = FreeElementPosition();
  row->FREEELEMENT = free > 0 ? fm->GetField(row->MAINKEY, free) : VarRef();
  return true;
}

bool ViewManager::ApplyRange() {
  OrderRow* row = ORDER != nullptr ? ORDER->Current() : nullptr;
  if (row == nullptr || !row->RANGELIST) return false;
  BufferedPairList& pairs = *row->RANGELIST;
  const int n = pairs.Count();
  auto differs = [&](int k) { return !VarRef::Equal(pairs.Left(k), pairs.Right(k)); };
  switch (row->LIMITTYPE) {
    case RangeBounds:
      if (n >= 2 && differs(n - 1)) {
        (void)pairs.Right(n - 1).Assign(pairs.Left(n - 1));
        (void)pairs.Right(n).Assign(pairs.Left(n));
        ApplyFilter();
        return true;
      }
      [[fallthrough]];
    case RangeFollow:
      if (n >= 1 && differs(n)) {
        (void)pairs.Right(n).Assign(pairs.Left(n));
        ApplyFilter();
        return true;
      }
      return false;
    case RangeLive:
      if (!pairs.EqualRightBuffer(0)) {
        (void)pairs.AssignRightToBuffer();
        ApplyFilter();
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace kv
