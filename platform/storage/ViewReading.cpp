// The reading half of View: pages, positions and the rows held between statements.

#include <algorithm>
#include <cstdlib>

#include "platform/storage/LastError.h"
#include "platform/storage/RecordPosition.h"
#include "platform/storage/View.h"

namespace kv {

namespace {

std::string Clip(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

}  // namespace

std::vector<SqlValue> View::OrderValues(const std::vector<SqlValue>& row) const {
  return {row.end() - long(order_.size()), row.end()};
}

std::vector<SqlValue> View::IdentityValues(const std::vector<SqlValue>& row) const {
  std::vector<SqlValue> out;
  for (int f : identity_) out.push_back(row[size_t(f)]);
  return out;
}

std::vector<ColumnDesc> View::IdentityColumns() const {
  std::vector<ColumnDesc> out;
  for (int f : identity_) out.push_back(File(0).ViewShape()->columns[size_t(f)]);
  return out;
}

bool View::ValueOf(const Expression& e, const ColumnDesc& column, SqlValue* out) {
  ExprValue v;
  if (!e.Evaluate(names_, &v)) return false;
  switch (column.type) {
    case ColumnType::kText:
      *out = SqlValue::Text(Clip(v.AsText()));
      return true;
    case ColumnType::kInteger:
      *out = SqlValue::Integer(std::strtoll(v.AsNumber().ToPlainText().c_str(), nullptr, 10));
      return true;
    case ColumnType::kDecimal:
      *out = SqlValue::Decimal(v.AsNumber().ToPlainText());
      return true;
    case ColumnType::kReal:
      *out = SqlValue::Real(std::strtod(v.AsNumber().ToPlainText().c_str(), nullptr));
      return true;
  }
  return false;
}

ErrorCode View::SetStart(int components) {
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  rows_.clear();
  pos_ = -1;
  fresh_ = false;
  anchor_.clear();
  anchorNextInclusive_ = anchorPrevInclusive_ = true;
  const size_t n = std::min(size_t(std::max(components, 0)), order_.size());
  for (size_t k = 0; k < n; ++k) {
    SqlValue v;
    if (k < orderExprs_.size()) {
      if (!ValueOf(orderExprs_[k], order_[k].column, &v))
        return ReportStorageError(
            StorageError::Of(kDriverError, "", "the order component cannot be evaluated"));
    } else {
      // A tie-breaking identity field: its value in the primary record buffer.
      size_t tie = k - orderExprs_.size();
      int field = identity_[0];
      for (size_t i = 0, seen = 0; i < identity_.size(); ++i) {
        std::string col = query_->Column(0, identity_[i]);
        bool inText = false;
        for (size_t j = 0; j < orderExprs_.size(); ++j) inText |= order_[j].sql == col;
        if (inText) continue;
        if (seen++ == tie) field = identity_[i];
      }
      v = File(0).Decl().Layout().Get(File(0).Record(), field);
    }
    anchor_.push_back(v);
  }
  return ReportSuccess();
}

void View::Drop() {
  if (!rows_.empty()) {
    if (pos_ >= 0 && pos_ < long(rows_.size())) {
      anchor_ = OrderValues(rows_[size_t(pos_)].values);
      anchorNextInclusive_ = anchorPrevInclusive_ = false;
    } else if (pos_ < 0) {
      anchor_ = OrderValues(rows_.front().values);
      anchorNextInclusive_ = true;
      anchorPrevInclusive_ = false;
    } else {
      anchor_ = OrderValues(rows_.back().values);
      anchorNextInclusive_ = false;
      anchorPrevInclusive_ = true;
    }
  }
  rows_.clear();
  pos_ = -1;
}

KeysetBound View::BoundFor(bool forward) const {
  if (rows_.empty()) return {anchor_, forward ? anchorNextInclusive_ : anchorPrevInclusive_};
  return {OrderValues(forward ? rows_.back().values : rows_.front().values), false};
}

ErrorCode View::Fetch(bool forward, const KeysetBound& bound, std::vector<HeldRow>* rows) {
  // A page that starts at a row and includes it reads one row more, so that the rows after
  // that row (what a reader positioned there wants) still come in one statement.
  const int limit = ChunkRows() + (bound.inclusive && !bound.values.empty() ? 1 : 0);
  Statement st = query_->Page(order_, filter_, forward ? Direction::kForward : Direction::kBackward,
                              bound, limit);
  std::vector<std::vector<SqlValue>> raw;
  ++statements_;
  StorageError e = File(0).ViewSelect(st, query_->ResultColumns(order_), &raw);
  if (!e.ok()) return ReportStorageError(e);
  auto now = std::chrono::steady_clock::now();
  rows->clear();
  for (std::vector<SqlValue>& r : raw) rows->push_back({std::move(r), now});
  return kNoError;
}

void View::Trim(bool forward) {
  const long keep = long(pagesBehind_) * pageSize_;
  if (forward) {
    long drop = pos_ - keep;
    if (drop > 0) {
      rows_.erase(rows_.begin(), rows_.begin() + drop);
      pos_ -= drop;
    }
  } else if (long(rows_.size()) - 1 - pos_ > keep) {
    rows_.erase(rows_.begin() + pos_ + 1 + keep, rows_.end());
  }
}

void View::Load(const std::vector<SqlValue>& row) {
  for (int i = 0; i < FileCount(); ++i) {
    const size_t first = size_t(query_->FirstColumn(i));
    const size_t count = File(i).ViewShape()->columns.size();
    std::vector<SqlValue> values(row.begin() + long(first), row.begin() + long(first + count));
    bool missing = i > 0 && !files_[size_t(i)].on.empty();
    for (const auto& on : files_[size_t(i)].on) missing &= values[size_t(on.second)].IsNull();
    File(i).TakeViewRow(missing ? std::vector<SqlValue>{} : values);
  }
}

bool View::PassesLocally() {
  return localExpr_.IsTrue(names_);
}

ErrorCode View::Read(bool forward) {
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  const bool hadRow = pos_ >= 0 && pos_ < long(rows_.size());
  const std::vector<SqlValue> start = hadRow ? rows_[size_t(pos_)].values : std::vector<SqlValue>{};
  const auto timeout = std::chrono::seconds(timeout_);
  for (;;) {
    long next = pos_ + (forward ? 1 : -1);
    bool held = !rows_.empty() && next >= 0 && next < long(rows_.size()) && !fresh_;
    if (held && timeout_ > 0 &&
        std::chrono::steady_clock::now() - rows_[size_t(next)].fetched > timeout)
      held = false;
    if (!held) {
      if (fresh_ || (next >= 0 && next < long(rows_.size()))) Drop();
      fresh_ = false;
      std::vector<HeldRow> got;
      if (ErrorCode e = Fetch(forward, BoundFor(forward), &got); e != kNoError) return e;
      if (got.empty()) {
        if (!rows_.empty()) pos_ = forward ? long(rows_.size()) : -1;
        if (localFilter_ && !start.empty()) Load(start);  // the buffers keep the last row
        return ReportStorageError(StorageError::Of(kNoRecordError));
      }
      // The new rows join the held ones at the end read from; the next row is the nearest of
      // them (also when the view stood past that end).
      if (forward) {
        next = long(rows_.size());
        for (HeldRow& r : got) rows_.push_back(std::move(r));
      } else {
        rows_.insert(rows_.begin(), std::make_move_iterator(got.rbegin()),
                     std::make_move_iterator(got.rend()));
        next = long(got.size()) - 1;
      }
    }
    pos_ = next;
    Trim(forward);
    Load(rows_[size_t(pos_)].values);
    if (localFilter_ && !PassesLocally()) continue;
    return ReportSuccess();
  }
}

ErrorCode View::Next() {
  return Read(true);
}

ErrorCode View::Previous() {
  return Read(false);
}

std::string View::Position() const {
  if (!open_ || pos_ < 0 || pos_ >= long(rows_.size())) return {};
  return EncodePosition(IdentityValues(rows_[size_t(pos_)].values));
}

ErrorCode View::FetchByPosition(std::string_view position, std::vector<SqlValue>* row) {
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  std::vector<SqlValue> identity;
  if (!DecodePosition(position, IdentityColumns(), &identity))
    return ReportStorageError(StorageError::Of(kNoRecordError, "", "not a position of this view"));
  Statement st = query_->ByIdentity(order_, identity_, identity);
  std::vector<std::vector<SqlValue>> raw;
  ++statements_;
  StorageError e = File(0).ViewSelect(st, query_->ResultColumns(order_), &raw);
  if (!e.ok()) return ReportStorageError(e);
  if (raw.empty()) return ReportStorageError(StorageError::Of(kNoRecordError));
  *row = std::move(raw[0]);
  return kNoError;
}

bool View::OrderIsIdentity() const {
  if (order_.size() != identity_.size()) return false;
  for (size_t i = 0; i < order_.size(); ++i)
    if (!order_[i].params.empty() || order_[i].sql != query_->Column(0, identity_[i])) return false;
  return true;
}

ErrorCode View::ResetTo(std::string_view position) {
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  // The order values of the row are known without a statement when the row is held, or when
  // the order is the primary's identity (the position is those values); only then does a row
  // that vanished meanwhile still have its place. Otherwise the row is read by its identity.
  std::vector<SqlValue> values;
  for (const HeldRow& r : rows_) {
    if (EncodePosition(IdentityValues(r.values)) == position) {
      values = OrderValues(r.values);
      break;
    }
  }
  if (values.empty() && OrderIsIdentity()) {
    std::vector<SqlValue> identity;
    if (!DecodePosition(position, IdentityColumns(), &identity))
      return ReportStorageError(
          StorageError::Of(kNoRecordError, "", "not a position of this view"));
    values = std::move(identity);
  }
  if (values.empty()) {
    std::vector<SqlValue> row;
    if (ErrorCode e = FetchByPosition(position, &row); e != kNoError) return e;
    values = OrderValues(row);
  }
  // The rows held are dropped, so the next read shows the rows as they are now.
  rows_.clear();
  pos_ = -1;
  fresh_ = false;
  anchor_ = std::move(values);
  anchorNextInclusive_ = anchorPrevInclusive_ = true;
  return ReportSuccess();
}

ErrorCode View::Reget(std::string_view position) {
  std::vector<SqlValue> row;
  if (ErrorCode e = FetchByPosition(position, &row); e != kNoError) return e;
  rows_.clear();
  rows_.push_back({std::move(row), std::chrono::steady_clock::now()});
  pos_ = 0;
  fresh_ = false;
  Load(rows_[0].values);
  return ReportSuccess();
}

void View::Watch() {
  fresh_ = true;
}

void View::Flush() {
  Drop();
}

}  // namespace kv
