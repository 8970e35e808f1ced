#include "platform/storage/SqlBuilder.h"

#include <algorithm>
#include <cctype>

namespace kv {

namespace {

std::string Folded(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

void MakeColumnNamesUnique(std::vector<ColumnDesc>* columns) {
  std::vector<std::string> taken;
  auto isTaken = [&](const std::string& n) {
    return std::find(taken.begin(), taken.end(), Folded(n)) != taken.end();
  };
  for (size_t f = 0; f < columns->size(); ++f) {
    ColumnDesc& c = (*columns)[f];
    if (isTaken(c.name)) {
      size_t colon = c.label.find(':');
      std::string own = colon == std::string::npos ? c.label : c.label.substr(colon + 1);
      c.name = !own.empty() && !isTaken(own) ? own : own + "_" + std::to_string(f + 1);
    }
    taken.push_back(Folded(c.name));
  }
}

int SqlBuilder::IdentityKey() const {
  for (size_t k = 0; k < shape_.keys.size(); ++k)
    if (shape_.keys[k].primary && !shape_.keys[k].components.empty()) return int(k) + 1;
  for (size_t k = 0; k < shape_.keys.size(); ++k)
    if (!shape_.keys[k].duplicates && !shape_.keys[k].components.empty()) return int(k) + 1;
  return 0;
}

std::vector<int> SqlBuilder::IdentityFields() const {
  std::vector<int> fields;
  if (int key = IdentityKey()) {
    for (const KeyComponent& c : shape_.keys[key - 1].components) fields.push_back(c.field);
  } else {
    for (size_t f = 0; f < shape_.columns.size(); ++f) fields.push_back(int(f));
  }
  return fields;
}

std::vector<OrderPart> SqlBuilder::Order(int key) const {
  std::vector<OrderPart> parts;
  auto has = [&](int field) {
    return std::any_of(parts.begin(), parts.end(),
                       [&](const OrderPart& p) { return p.field == field; });
  };
  if (key >= 1 && key <= int(shape_.keys.size())) {
    const KeyDecl& k = shape_.keys[key - 1];
    for (const KeyComponent& c : k.components)
      if (!has(c.field)) parts.push_back({c.field, c.ascending, k.noCase});
  }
  int id = IdentityKey();
  if (id) {
    const KeyDecl& k = shape_.keys[id - 1];
    for (const KeyComponent& c : k.components)
      if (!has(c.field)) parts.push_back({c.field, c.ascending, false});
  } else {
    for (size_t f = 0; f < shape_.columns.size(); ++f)
      if (!has(int(f))) parts.push_back({int(f), true, false});
  }
  return parts;
}

std::string SqlBuilder::ColumnExpr(int field, bool noCase) const {
  const ColumnDesc& c = shape_.columns[field];
  std::string q = dialect_.QuoteIdentifier(c.name);
  return noCase && c.type == ColumnType::kText ? dialect_.CaseFold(q) : q;
}

std::string SqlBuilder::OrderExpr(int field, bool noCase) const {
  std::string e = ColumnExpr(field, noCase);
  return shape_.columns[field].type == ColumnType::kText ? dialect_.ByteOrder(e) : e;
}

std::string SqlBuilder::Placeholder(int field, bool noCase) const {
  const ColumnDesc& c = shape_.columns[field];
  // Decimals travel as text; the cast makes every database take them as exact numbers.
  if (c.type == ColumnType::kDecimal) return "CAST(? AS " + dialect_.TypeName(c) + ")";
  return noCase && c.type == ColumnType::kText ? dialect_.CaseFold("?") : std::string("?");
}

std::string SqlBuilder::StoredPlaceholder(int field, const SqlValue& value) const {
  ColumnDesc c = shape_.columns[field];
  if (c.type != ColumnType::kDecimal || value.kind != SqlValue::Kind::kDecimal)
    return Placeholder(field, false);
  const std::string text = CanonicalDecimal(value.text);
  const std::size_t point = text.find('.');
  int whole = 0;
  for (std::size_t i = 0; i < std::min(point, text.size()); ++i)
    if (text[i] >= '0' && text[i] <= '9') ++whole;
  c.scale = point == std::string::npos ? 0 : int(text.size() - point - 1);
  c.precision = std::max(1, whole + c.scale);
  return "CAST(? AS " + dialect_.TypeName(c) + ")";
}

std::string SqlBuilder::SelectList() const {
  std::string list;
  for (size_t f = 0; f < shape_.columns.size(); ++f) {
    if (f) list += ", ";
    std::string q = dialect_.QuoteIdentifier(shape_.columns[f].name);
    list += shape_.columns[f].type == ColumnType::kDecimal ? dialect_.DecimalSelect(q) : q;
  }
  return list;
}

Statement SqlBuilder::Keyset(int key, Direction direction, const std::vector<SqlValue>& bound,
                             bool inclusive, int limit) const {
  const std::vector<OrderPart> order = Order(key);
  const bool forward = direction == Direction::kForward;
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(limit) + SelectList() + " FROM " + QuotedTable();
  const size_t m = std::min(bound.size(), order.size());
  if (m > 0) {
    std::string where;
    for (size_t i = 0; i < m; ++i) {
      if (i) where += " OR ";
      where += "(";
      for (size_t j = 0; j < i; ++j) {
        where += ColumnExpr(order[j].field, order[j].noCase) + " = " +
                 Placeholder(order[j].field, order[j].noCase) + " AND ";
        st.binds.push_back(bound[j]);
      }
      bool greater = order[i].ascending == forward;
      where += OrderExpr(order[i].field, order[i].noCase) + (greater ? " > " : " < ") +
               Placeholder(order[i].field, order[i].noCase) + ")";
      st.binds.push_back(bound[i]);
    }
    if (inclusive) {
      where += " OR (";
      for (size_t j = 0; j < m; ++j) {
        if (j) where += " AND ";
        where += ColumnExpr(order[j].field, order[j].noCase) + " = " +
                 Placeholder(order[j].field, order[j].noCase);
        st.binds.push_back(bound[j]);
      }
      where += ")";
    }
    st.sql += " WHERE " + where;
  }
  st.sql += " ORDER BY ";
  for (size_t i = 0; i < order.size(); ++i) {
    if (i) st.sql += ", ";
    bool asc = order[i].ascending == forward;
    st.sql += OrderExpr(order[i].field, order[i].noCase) + (asc ? " ASC" : " DESC");
  }
  st.sql += dialect_.LimitClause(limit);
  return st;
}

Statement SqlBuilder::GetByKey(int key, const std::vector<SqlValue>& values) const {
  const KeyDecl& k = shape_.keys[key - 1];
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(1) + SelectList() + " FROM " + QuotedTable() + " WHERE ";
  for (size_t i = 0; i < k.components.size() && i < values.size(); ++i) {
    if (i) st.sql += " AND ";
    int f = k.components[i].field;
    st.sql += ColumnExpr(f, k.noCase) + " = " + Placeholder(f, k.noCase);
    st.binds.push_back(values[i]);
  }
  st.sql += " ORDER BY ";
  std::vector<OrderPart> order = Order(key);
  for (size_t i = 0; i < order.size(); ++i) {
    if (i) st.sql += ", ";
    st.sql += OrderExpr(order[i].field, order[i].noCase) + (order[i].ascending ? " ASC" : " DESC");
  }
  st.sql += dialect_.LimitClause(1);
  return st;
}

void SqlBuilder::AppendNullSafe(std::string* sql, std::vector<SqlValue>* binds, int field,
                                const SqlValue& v) const {
  int count = 1;
  std::string cond = dialect_.NullSafeEquals(ColumnExpr(field, false), &count);
  // Decimal placeholders get their cast so that text compares as a number.
  if (shape_.columns[field].type == ColumnType::kDecimal) {
    std::string cast = StoredPlaceholder(field, v);
    std::string out;
    for (char c : cond) {
      if (c == '?')
        out += cast;
      else
        out += c;
    }
    cond = out;
  }
  *sql += cond;
  for (int i = 0; i < count; ++i) binds->push_back(v);
}

void SqlBuilder::AppendIdentityWhere(Statement* st, const std::vector<SqlValue>& old,
                                     bool all) const {
  st->sql += " WHERE ";
  if (all || IdentityKey() == 0) {
    for (size_t f = 0; f < shape_.columns.size(); ++f) {
      if (f) st->sql += " AND ";
      AppendNullSafe(&st->sql, &st->binds, int(f), old[f]);
    }
    return;
  }
  std::vector<int> fields = IdentityFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) st->sql += " AND ";
    st->sql += ColumnExpr(fields[i], false) + " = " + StoredPlaceholder(fields[i], old[fields[i]]);
    st->binds.push_back(old[fields[i]]);
  }
}

Statement SqlBuilder::GetByIdentity(const std::vector<SqlValue>& row) const {
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(1) + SelectList() + " FROM " + QuotedTable();
  AppendIdentityWhere(&st, row, false);
  st.sql += dialect_.LimitClause(1);
  return st;
}

Statement SqlBuilder::Insert(const std::vector<SqlValue>& row) const {
  Statement st;
  std::string names, values;
  for (size_t f = 0; f < shape_.columns.size(); ++f) {
    if (f) {
      names += ", ";
      values += ", ";
    }
    names += dialect_.QuoteIdentifier(shape_.columns[f].name);
    values += Placeholder(int(f), false);
    st.binds.push_back(row[f]);
  }
  st.sql = "INSERT INTO " + QuotedTable() + " (" + names + ") VALUES (" + values + ")";
  return st;
}

Statement SqlBuilder::Update(const std::vector<SqlValue>& row, const std::vector<SqlValue>& old,
                             bool watched, const std::vector<bool>& written) const {
  Statement st;
  st.sql = "UPDATE " + QuotedTable() + " SET ";
  bool any = false;
  for (size_t f = 0; f < shape_.columns.size(); ++f) {
    if (!written.empty() && (f >= written.size() || !written[f])) continue;
    if (any) st.sql += ", ";
    st.sql += dialect_.QuoteIdentifier(shape_.columns[f].name) + " = " + Placeholder(int(f), false);
    st.binds.push_back(row[f]);
    any = true;
  }
  if (!any && !shape_.columns.empty()) {
    st.sql +=
        dialect_.QuoteIdentifier(shape_.columns[0].name) + " = " + StoredPlaceholder(0, old[0]);
    st.binds.push_back(old[0]);
  }
  AppendIdentityWhere(&st, old, watched);
  return st;
}

Statement SqlBuilder::Delete(const std::vector<SqlValue>& old, bool watched) const {
  Statement st;
  st.sql = "DELETE FROM " + QuotedTable();
  AppendIdentityWhere(&st, old, watched);
  return st;
}

Statement SqlBuilder::DuplicateCheck(int key, const std::vector<SqlValue>& row,
                                     const std::vector<SqlValue>& self) const {
  const KeyDecl& k = shape_.keys[key - 1];
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(1) + "1 FROM " + QuotedTable() + " WHERE ";
  for (size_t i = 0; i < k.components.size(); ++i) {
    if (i) st.sql += " AND ";
    int f = k.components[i].field;
    st.sql += ColumnExpr(f, k.noCase) + " = " + Placeholder(f, k.noCase);
    st.binds.push_back(row[f]);
  }
  if (!self.empty()) {
    Statement not_self;
    AppendIdentityWhere(&not_self, self, false);
    st.sql += " AND NOT (" + not_self.sql.substr(7) + ")";  // drop " WHERE "
    st.binds.insert(st.binds.end(), not_self.binds.begin(), not_self.binds.end());
  }
  st.sql += dialect_.LimitClause(1);
  return st;
}

Statement SqlBuilder::Probe() const {
  return {"SELECT " + SelectList() + " FROM " + QuotedTable() + " WHERE 1 = 0", {}};
}

std::string SqlBuilder::IndexName(int key) const {
  const KeyDecl& k = shape_.keys[key - 1];
  if (!k.externalName.empty()) return k.externalName;
  std::string label = k.label;
  size_t colon = label.find(':');
  if (colon != std::string::npos) label = label.substr(colon + 1);
  std::string name = shape_.name + "_" + (label.empty() ? "key" + std::to_string(key) : label);
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

Statement SqlBuilder::CreateTable() const {
  std::vector<bool> keyField(shape_.columns.size(), false);
  for (const KeyDecl& k : shape_.keys)
    for (const KeyComponent& c : k.components)
      if (c.field >= 0 && c.field < int(keyField.size())) keyField[c.field] = true;
  Statement st;
  st.sql = "CREATE TABLE " + QuotedTable() + " (";
  for (size_t f = 0; f < shape_.columns.size(); ++f) {
    if (f) st.sql += ", ";
    const ColumnDesc& c = shape_.columns[f];
    st.sql += dialect_.QuoteIdentifier(c.name) + " " + dialect_.TypeName(c);
    if (keyField[f]) st.sql += " NOT NULL";
    // The field holds at most `size` bytes; the column must not take more.
    if (c.type == ColumnType::kText)
      st.sql += dialect_.ByteLengthCheck(dialect_.QuoteIdentifier(c.name), std::max(1, c.size));
  }
  for (size_t k = 0; k < shape_.keys.size(); ++k) {
    const KeyDecl& key = shape_.keys[k];
    if (!key.primary || key.components.empty()) continue;
    st.sql += ", CONSTRAINT " + dialect_.QuoteIdentifier(IndexName(int(k) + 1)) + " PRIMARY KEY (";
    for (size_t i = 0; i < key.components.size(); ++i) {
      if (i) st.sql += ", ";
      st.sql += dialect_.QuoteIdentifier(shape_.columns[key.components[i].field].name);
    }
    st.sql += ")";
    break;
  }
  st.sql += ")";
  return st;
}

std::vector<Statement> SqlBuilder::CreateIndexes() const {
  std::vector<Statement> out;
  for (size_t k = 0; k < shape_.keys.size(); ++k) {
    const KeyDecl& key = shape_.keys[k];
    if (key.components.empty()) continue;
    std::string name = IndexName(int(k) + 1);
    if (key.primary) {
      // The primary key constraint compares exactly; a case-insensitive primary key also gets
      // a unique index on the folded columns.
      if (!key.noCase || dialect_.Kind() == DatabaseKind::kSqlServer) continue;
      name += "_nc";
    }
    std::string sql = std::string("CREATE ") + (key.duplicates ? "" : "UNIQUE ") + "INDEX " +
                      dialect_.QuoteIdentifier(name) + " ON " + QuotedTable() + " (";
    for (size_t i = 0; i < key.components.size(); ++i) {
      const KeyComponent& c = key.components[i];
      if (i) sql += ", ";
      bool fold = key.noCase && shape_.columns[c.field].type == ColumnType::kText;
      sql += dialect_.IndexComponent(dialect_.QuoteIdentifier(shape_.columns[c.field].name), fold);
      sql += c.ascending ? " ASC" : " DESC";
    }
    sql += ")";
    out.push_back({sql, {}});
  }
  return out;
}

}  // namespace kv
