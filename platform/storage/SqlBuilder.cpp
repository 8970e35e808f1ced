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
  // The identity fields that complete a key run the way its last component does, so that a key
  // running one way is one way throughout (its index serves a row value comparison).
  bool flip = false;
  if (key >= 1 && key <= int(shape_.keys.size())) {
    const KeyDecl& k = shape_.keys[key - 1];
    for (const KeyComponent& c : k.components)
      if (!has(c.field)) parts.push_back({c.field, c.ascending, k.noCase});
    flip = !k.components.empty() && !k.components.back().ascending;
  }
  int id = IdentityKey();
  if (id) {
    const KeyDecl& k = shape_.keys[id - 1];
    for (const KeyComponent& c : k.components)
      if (!has(c.field)) parts.push_back({c.field, c.ascending != flip, false});
  } else {
    for (size_t f = 0; f < shape_.columns.size(); ++f)
      if (!has(int(f))) parts.push_back({int(f), !flip, false});
  }
  return parts;
}

std::vector<OrderTerm> SqlBuilder::Terms(int key) const {
  std::vector<OrderTerm> terms;
  for (const OrderPart& p : Order(key)) {
    const ColumnDesc& c = shape_.columns[size_t(p.field)];
    const bool fold = p.noCase && c.type == ColumnType::kText;
    terms.push_back({ColumnExpr(p.field, p.noCase), {}, p.ascending, c, fold, !fold});
  }
  return terms;
}

std::string SqlBuilder::ColumnExpr(int field, bool noCase) const {
  const ColumnDesc& c = shape_.columns[field];
  std::string q = dialect_.QuoteIdentifier(c.name);
  return noCase && c.type == ColumnType::kText ? dialect_.Upper(q) : q;
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
  KeysetBuilder keyset(dialect_, Terms(key));
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(limit) + SelectList() + " FROM " + QuotedTable();
  Statement where;
  if (keyset.AppendBound(&where, direction, {bound, inclusive})) {
    st += " WHERE ";
    st.Append(where);
  }
  keyset.AppendOrderBy(&st, direction);
  st += dialect_.LimitClause(limit);
  return st;
}

Statement SqlBuilder::GetByKey(int key, const std::vector<SqlValue>& values) const {
  const KeyDecl& k = shape_.keys[key - 1];
  KeysetBuilder keyset(dialect_, Terms(key));
  Statement st;
  st.sql = "SELECT " + dialect_.TopClause(1) + SelectList() + " FROM " + QuotedTable() + " WHERE ";
  // The key's components lead its order, so they are the first terms; equality is compared
  // the way the order compares (byte order), as keyset reads along the key do.
  for (size_t i = 0; i < k.components.size() && i < values.size(); ++i) {
    if (i) st += " AND ";
    keyset.AppendTerm(&st, i);
    st += " = ";
    keyset.AppendValue(&st, i, values[i]);
  }
  keyset.AppendOrderBy(&st, Direction::kForward);
  st += dialect_.LimitClause(1);
  return st;
}

void SqlBuilder::AppendNullSafe(Statement* st, int field, const SqlValue& v) const {
  int count = 1;
  std::string cond =
      dialect_.NullSafeEquals(ColumnExpr(field, false), dialect_.ColumnPlaceholder(v), &count);
  st->sql += cond;
  for (int i = 0; i < count; ++i) st->binds.push_back(v);
}

void SqlBuilder::AppendIdentityWhere(Statement* st, const std::vector<SqlValue>& old,
                                     bool all) const {
  st->sql += " WHERE ";
  if (all || IdentityKey() == 0) {
    for (size_t f = 0; f < shape_.columns.size(); ++f) {
      if (f) st->sql += " AND ";
      AppendNullSafe(st, int(f), old[f]);
    }
    return;
  }
  std::vector<int> fields = IdentityFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) st->sql += " AND ";
    st->sql += ColumnExpr(fields[i], false) + " = ";
    st->AppendValue(dialect_.ColumnPlaceholder(old[fields[i]]), old[fields[i]]);
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
    values += dialect_.ColumnPlaceholder(row[f]);
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
    st.sql += dialect_.QuoteIdentifier(shape_.columns[f].name) + " = ";
    st.AppendValue(dialect_.ColumnPlaceholder(row[f]), row[f]);
    any = true;
  }
  if (!any && !shape_.columns.empty()) {
    st.sql += dialect_.QuoteIdentifier(shape_.columns[0].name) + " = ";
    st.AppendValue(dialect_.ColumnPlaceholder(old[0]), old[0]);
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
    // Equality as the unique index itself sees it, which is what a duplicate is.
    std::string marker = dialect_.ColumnPlaceholder(row[f]);
    if (k.noCase && shape_.columns[f].type == ColumnType::kText) marker = dialect_.Upper(marker);
    st.sql += ColumnExpr(f, k.noCase) + " = ";
    st.AppendValue(marker, row[f]);
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

std::string SqlBuilder::ByteOrderIndexName(int key) const {
  const KeyDecl& k = shape_.keys[size_t(key - 1)];
  if (!k.primary) return IndexName(key);
  return IndexName(key) + (k.noCase ? "_nc" : "_bo");
}

Statement SqlBuilder::CreateByteOrderPrimaryIndex(int key) const {
  const KeyDecl& k = shape_.keys[size_t(key - 1)];
  std::string sql = "CREATE UNIQUE INDEX " + dialect_.QuoteIdentifier(ByteOrderIndexName(key)) +
                    " ON " + QuotedTable() + " (";
  for (size_t i = 0; i < k.components.size(); ++i) {
    const ColumnDesc& c = shape_.columns[size_t(k.components[i].field)];
    if (i) sql += ", ";
    sql += dialect_.IndexComponent(dialect_.QuoteIdentifier(c.name), c.type == ColumnType::kText,
                                   k.noCase, k.components[i].ascending, c.nullable);
  }
  return {sql + ")", {}};
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
    // A key that allows duplicates is completed by the identity fields, so that its index
    // holds the whole order the keyset reads follow and a page never sorts its ties.
    std::vector<OrderPart> parts = Order(int(k) + 1);
    if (!key.duplicates) {
      size_t own = 0;
      while (own < parts.size() &&
             std::any_of(key.components.begin(), key.components.end(),
                         [&](const KeyComponent& c) { return c.field == parts[own].field; }))
        ++own;
      parts.resize(own);
    }
    for (size_t i = 0; i < parts.size(); ++i) {
      const ColumnDesc& c = shape_.columns[size_t(parts[i].field)];
      if (i) sql += ", ";
      sql += dialect_.IndexComponent(dialect_.QuoteIdentifier(c.name), c.type == ColumnType::kText,
                                     parts[i].noCase, parts[i].ascending, c.nullable);
    }
    sql += ")";
    out.push_back({sql, {}});
  }
  return out;
}

}  // namespace kv
