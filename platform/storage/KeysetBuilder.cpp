#include "platform/storage/KeysetBuilder.h"

#include <algorithm>
#include <cstdlib>

#include "platform/values/DecimalValue.h"
#include "platform/values/Utf8Text.h"

namespace kv {

KeysetBuilder::KeysetBuilder(const Dialect& dialect, std::vector<OrderTerm> terms)
    : dialect_(dialect), terms_(std::move(terms)) {}

void KeysetBuilder::AppendTerm(Statement* st, size_t i) const {
  const OrderTerm& t = terms_[i];
  st->sql += t.column.type == ColumnType::kText ? dialect_.ByteOrder(t.sql) : t.sql;
  st->binds.insert(st->binds.end(), t.params.begin(), t.params.end());
}

void KeysetBuilder::AppendValue(Statement* st, size_t i, const SqlValue& value) const {
  std::string marker = dialect_.ColumnPlaceholder(value);
  if (terms_[i].foldsValue) marker = dialect_.Upper(marker);
  st->AppendValue(marker, value);
}

size_t KeysetBuilder::RowValueRun(size_t count, bool forward, const KeysetBound& bound) const {
  if (!dialect_.HasRowValues()) return 0;
  const bool up = Up(0, forward);
  size_t run = 0;
  for (; run < count; ++run) {
    const OrderTerm& t = terms_[run];
    if (Up(run, forward) != up || bound.values[run].IsNull()) break;
    // Reading towards smaller values passes NULLs, which a row comparison never does.
    if (!up && t.column.nullable) break;
    if (!t.isColumn && !dialect_.HasRowValuesOfExpressions()) break;
  }
  return run;
}

void KeysetBuilder::AppendRowValue(Statement* st, size_t count, bool forward,
                                   const KeysetBound& bound, bool inclusive) const {
  *st += "(";
  for (size_t i = 0; i < count; ++i) {
    if (i) *st += ", ";
    AppendTerm(st, i);
  }
  *st += Up(0, forward) ? (inclusive ? ") >= (" : ") > (") : (inclusive ? ") <= (" : ") < (");
  for (size_t i = 0; i < count; ++i) {
    if (i) *st += ", ";
    AppendValue(st, i, bound.values[i]);
  }
  *st += ")";
}

// Writes "term i comes after v along the reading" (or "at or after" with orEqual). The callers
// never ask for the two constant cases: at or after NULL going up (always true) and after NULL
// going down (never true).
void KeysetBuilder::AppendBeyond(Statement* st, size_t i, bool up, const SqlValue& v,
                                 bool orEqual) const {
  if (v.IsNull()) {
    AppendTerm(st, i);
    *st += up ? " IS NOT NULL" : " IS NULL";
    return;
  }
  const bool nulls = !up && terms_[i].column.nullable;
  if (nulls) *st += "(";
  AppendTerm(st, i);
  *st += up ? (orEqual ? " >= " : " > ") : (orEqual ? " <= " : " < ");
  AppendValue(st, i, v);
  if (nulls) {
    *st += " OR ";
    AppendTerm(st, i);
    *st += " IS NULL)";
  }
}

// after(i) = ge(i) AND (gt(i) OR after(i + 1)); after(last) = inclusive ? ge(last) : gt(last).
// The leading ge(0) is what lets the server start its index range at the bound.
void KeysetBuilder::AppendAfter(Statement* st, size_t i, size_t count, bool forward,
                                const KeysetBound& bound, bool leadingBound) const {
  const SqlValue& v = bound.values[i];
  const bool up = Up(i, forward);
  const bool atOrAfterAlways = up && v.IsNull();
  const bool afterNever = !up && v.IsNull();
  if (i + 1 == count) {
    if (bound.inclusive) {
      if (atOrAfterAlways)
        *st += "1 = 1";
      else
        AppendBeyond(st, i, up, v, true);
    } else {
      if (afterNever)
        *st += "1 = 0";
      else
        AppendBeyond(st, i, up, v, false);
    }
    return;
  }
  // A leading bound written before (as a row value) stands for this level's ge.
  const bool ge = !atOrAfterAlways && !(i == 0 && leadingBound);
  if (ge) {
    *st += "(";
    AppendBeyond(st, i, up, v, true);
    *st += " AND ";
  }
  *st += "(";
  if (!afterNever) {
    AppendBeyond(st, i, up, v, false);
    *st += " OR ";
  }
  AppendAfter(st, i + 1, count, forward, bound, false);
  *st += ge ? "))" : ")";
}

bool KeysetBuilder::AppendBound(Statement* st, Direction direction,
                                const KeysetBound& bound) const {
  const size_t count = std::min(bound.values.size(), terms_.size());
  if (count == 0) return false;
  const bool forward = direction == Direction::kForward;
  const size_t run = RowValueRun(count, forward, bound);
  if (run == count && count >= 2) {
    AppendRowValue(st, count, forward, bound, bound.inclusive);
  } else if (run >= 2) {
    *st += "(";
    AppendRowValue(st, run, forward, bound, true);
    *st += " AND ";
    AppendAfter(st, 0, count, forward, bound, true);
    *st += ")";
  } else {
    AppendAfter(st, 0, count, forward, bound, false);
  }
  return true;
}

void KeysetBuilder::AppendOrderBy(Statement* st, Direction direction) const {
  if (terms_.empty()) return;
  const bool forward = direction == Direction::kForward;
  *st += " ORDER BY ";
  for (size_t i = 0; i < terms_.size(); ++i) {
    if (i) *st += ", ";
    AppendTerm(st, i);
    const bool asc = Up(i, forward);
    *st += asc ? " ASC" : " DESC";
    if (terms_[i].column.nullable) *st += dialect_.NullsPlacement(asc);
  }
}

namespace {

double RealOf(const SqlValue& v) {
  switch (v.kind) {
    case SqlValue::Kind::kReal:
      return v.real;
    case SqlValue::Kind::kInteger:
      return double(v.integer);
    default:
      return std::strtod(v.text.c_str(), nullptr);
  }
}

int CompareValue(const SqlValue& a, const SqlValue& b, bool fold) {
  if (a.IsNull() || b.IsNull()) return int(b.IsNull()) - int(a.IsNull());
  const bool textA = a.kind == SqlValue::Kind::kText, textB = b.kind == SqlValue::Kind::kText;
  if (textA || textB) {
    std::string x = CanonicalText(a), y = CanonicalText(b);
    if (fold) {
      x = UpperText(x);
      y = UpperText(y);
    }
    int c = std::string_view(x).compare(y);  // char_traits<char> compares bytes unsigned
    return (c > 0) - (c < 0);
  }
  if (a.kind == SqlValue::Kind::kReal || b.kind == SqlValue::Kind::kReal) {
    double x = RealOf(a), y = RealOf(b);
    return (x > y) - (x < y);
  }
  DecimalValue x, y;
  if (DecimalValue::Parse(CanonicalText(a), &x) != ValueStatus::kOk ||
      DecimalValue::Parse(CanonicalText(b), &y) != ValueStatus::kOk) {
    int c = CanonicalText(a).compare(CanonicalText(b));
    return (c > 0) - (c < 0);
  }
  return DecimalValue::Compare(x, y);
}

}  // namespace

int CompareOrderValues(const std::vector<OrderTerm>& terms, const std::vector<SqlValue>& a,
                       const std::vector<SqlValue>& b) {
  const size_t n = std::min({terms.size(), a.size(), b.size()});
  for (size_t i = 0; i < n; ++i) {
    int c = CompareValue(a[i], b[i], terms[i].foldsValue);
    if (c != 0) return terms[i].ascending ? c : -c;
  }
  return 0;
}

}  // namespace kv
