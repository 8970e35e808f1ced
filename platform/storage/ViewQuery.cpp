#include "platform/storage/ViewQuery.h"

#include <algorithm>

namespace kv {

ViewQuery::ViewQuery(const Dialect& dialect, std::vector<ViewFileShape> files)
    : dialect_(dialect), files_(std::move(files)) {}

std::string ViewQuery::Column(int file, int field) const {
  const ViewFileShape& f = files_[size_t(file)];
  return dialect_.QuoteIdentifier(f.alias) + "." +
         dialect_.QuoteIdentifier(f.shape->columns[size_t(field)].name);
}

int ViewQuery::FirstColumn(int file) const {
  int n = 0;
  for (int i = 0; i < file; ++i) n += int(files_[size_t(i)].shape->columns.size());
  return n;
}

std::vector<ColumnDesc> ViewQuery::ResultColumns(const std::vector<ViewOrderPart>& order) const {
  std::vector<ColumnDesc> cols;
  for (const ViewFileShape& f : files_)
    cols.insert(cols.end(), f.shape->columns.begin(), f.shape->columns.end());
  for (const ViewOrderPart& p : order) cols.push_back(p.column);
  return cols;
}

void ViewQuery::AppendSelect(Statement* st, const std::vector<ViewOrderPart>& order) const {
  bool first = true;
  for (size_t i = 0; i < files_.size(); ++i) {
    const std::vector<ColumnDesc>& cols = files_[i].shape->columns;
    for (size_t c = 0; c < cols.size(); ++c) {
      if (!first) st->sql += ", ";
      first = false;
      std::string q = Column(int(i), int(c));
      st->sql += cols[c].type == ColumnType::kDecimal ? dialect_.DecimalSelect(q) : q;
    }
  }
  for (const ViewOrderPart& p : order) {
    st->sql += ", ";
    std::string e = "(" + p.sql + ")";
    st->sql += p.column.type == ColumnType::kDecimal ? dialect_.DecimalSelect(e) : e;
    st->binds.insert(st->binds.end(), p.params.begin(), p.params.end());
  }
}

void ViewQuery::AppendFrom(Statement* st) const {
  st->sql += " FROM " + dialect_.QuoteIdentifier(files_[0].shape->name) + " " +
             dialect_.QuoteIdentifier(files_[0].alias);
  for (size_t i = 1; i < files_.size(); ++i) {
    const ViewFileShape& f = files_[i];
    st->sql += f.inner ? " INNER JOIN " : " LEFT OUTER JOIN ";
    st->sql += dialect_.QuoteIdentifier(f.shape->name) + " " + dialect_.QuoteIdentifier(f.alias);
    st->sql += " ON ";
    if (f.on.empty()) st->sql += "1 = 1";
    for (size_t k = 0; k < f.on.size(); ++k) {
      if (k) st->sql += " AND ";
      st->sql += Column(int(i), f.on[k].second) + " = " + Column(f.parent, f.on[k].first);
    }
  }
}

void ViewQuery::AppendOrderExpr(Statement* st, const ViewOrderPart& part) const {
  std::string e = "(" + part.sql + ")";
  st->sql += part.column.type == ColumnType::kText ? dialect_.ByteOrder(e) : e;
  st->binds.insert(st->binds.end(), part.params.begin(), part.params.end());
}

void ViewQuery::AppendValue(Statement* st, const ViewOrderPart& part, const SqlValue& v) const {
  // Decimals travel as text; the cast makes every database compare them as numbers.
  if (part.column.type == ColumnType::kDecimal && part.column.precision > 0)
    st->sql += "CAST(? AS " + dialect_.TypeName(part.column) + ")";
  else
    st->sql += "?";
  st->binds.push_back(v);
}

void ViewQuery::AppendKeyset(Statement* st, const std::vector<ViewOrderPart>& order, bool forward,
                             const ViewBound& bound) const {
  const size_t m = std::min(bound.values.size(), order.size());
  if (m == 0) return;
  // (p1 > v1) OR (p1 = v1 AND p2 > v2) OR ... [OR (p1 = v1 AND ... AND pm = vm)]
  st->sql += "(";
  for (size_t i = 0; i < m; ++i) {
    if (i) st->sql += " OR ";
    st->sql += "(";
    for (size_t j = 0; j < i; ++j) {
      AppendOrderExpr(st, order[j]);
      st->sql += " = ";
      AppendValue(st, order[j], bound.values[j]);
      st->sql += " AND ";
    }
    AppendOrderExpr(st, order[i]);
    st->sql += order[i].ascending == forward ? " > " : " < ";
    AppendValue(st, order[i], bound.values[i]);
    st->sql += ")";
  }
  if (bound.inclusive) {
    st->sql += " OR (";
    for (size_t j = 0; j < m; ++j) {
      if (j) st->sql += " AND ";
      AppendOrderExpr(st, order[j]);
      st->sql += " = ";
      AppendValue(st, order[j], bound.values[j]);
    }
    st->sql += ")";
  }
  st->sql += ")";
}

Statement ViewQuery::Page(const std::vector<ViewOrderPart>& order, const std::string& filterSql,
                          const std::vector<SqlValue>& filterParams, bool forward,
                          const ViewBound& bound, int limit) const {
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(limit);
  AppendSelect(&st, order);
  AppendFrom(&st);
  bool haveFilter = !filterSql.empty();
  bool haveBound = !bound.values.empty() && !order.empty();
  if (haveFilter || haveBound) st.sql += " WHERE ";
  if (haveFilter) {
    st.sql += "(" + filterSql + ")";
    st.binds.insert(st.binds.end(), filterParams.begin(), filterParams.end());
  }
  if (haveBound) {
    if (haveFilter) st.sql += " AND ";
    AppendKeyset(&st, order, forward, bound);
  }
  if (!order.empty()) st.sql += " ORDER BY ";
  for (size_t i = 0; i < order.size(); ++i) {
    if (i) st.sql += ", ";
    AppendOrderExpr(&st, order[i]);
    st.sql += order[i].ascending == forward ? " ASC" : " DESC";
  }
  st.sql += dialect_.LimitClause(limit);
  return st;
}

Statement ViewQuery::ByIdentity(const std::vector<ViewOrderPart>& order,
                                const std::vector<int>& identityFields,
                                const std::vector<SqlValue>& identity) const {
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(1);
  AppendSelect(&st, order);
  AppendFrom(&st);
  st.sql += " WHERE ";
  for (size_t i = 0; i < identityFields.size() && i < identity.size(); ++i) {
    if (i) st.sql += " AND ";
    const ColumnDesc& c = files_[0].shape->columns[size_t(identityFields[i])];
    st.sql += Column(0, identityFields[i]) + " = ";
    ViewOrderPart part;
    part.column = c;
    AppendValue(&st, part, identity[i]);
  }
  st.sql += dialect_.LimitClause(1);
  return st;
}

}  // namespace kv
