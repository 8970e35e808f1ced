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

std::vector<ColumnDesc> ViewQuery::ResultColumns(const std::vector<OrderTerm>& order) const {
  std::vector<ColumnDesc> cols;
  for (const ViewFileShape& f : files_)
    cols.insert(cols.end(), f.shape->columns.begin(), f.shape->columns.end());
  for (const OrderTerm& p : order) cols.push_back(p.column);
  return cols;
}

void ViewQuery::AppendSelect(Statement* st, const std::vector<OrderTerm>& order) const {
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
  for (const OrderTerm& p : order) {
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

Statement ViewQuery::Page(const std::vector<OrderTerm>& order, const Statement& filter,
                          Direction direction, const KeysetBound& bound, int limit) const {
  KeysetBuilder keyset(dialect_, order);
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(limit);
  AppendSelect(&st, order);
  AppendFrom(&st);
  Statement where;
  if (!filter.sql.empty()) {
    where += "(";
    where.Append(filter);
    where += ")";
  }
  Statement after;
  if (keyset.AppendBound(&after, direction, bound)) {
    if (!where.sql.empty()) where += " AND ";
    where.Append(after);
  }
  if (!where.sql.empty()) {
    st += " WHERE ";
    st.Append(where);
  }
  keyset.AppendOrderBy(&st, direction);
  st += dialect_.LimitClause(limit);
  return st;
}

Statement ViewQuery::ByIdentity(const std::vector<OrderTerm>& order,
                                const std::vector<int>& identityFields,
                                const std::vector<SqlValue>& identity) const {
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(1);
  AppendSelect(&st, order);
  AppendFrom(&st);
  st.sql += " WHERE ";
  for (size_t i = 0; i < identityFields.size() && i < identity.size(); ++i) {
    if (i) st.sql += " AND ";
    st.sql += Column(0, identityFields[i]) + " = ";
    st.AppendValue(dialect_.ColumnPlaceholder(identity[i]), identity[i]);
  }
  st.sql += dialect_.LimitClause(1);
  return st;
}

}  // namespace kv
