#include "platform/qt/sql/SqlTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

#include "platform/storage/RecordPosition.h"
#include "platform/values/Utf8Text.h"

namespace kv {
SqlTable::SqlTable(const TableDecl& decl) : Table(decl) {
  const RecordLayout& layout = decl.Layout();
  shape_.name = decl.ExternalName().empty() ? decl.Label() : decl.ExternalName();
  for (int f = 0; f < layout.FieldCount(); ++f) shape_.columns.push_back(layout.Column(f));
  MakeColumnNamesUnique(&shape_.columns);
  shape_.keys = decl.Keys();
}

SqlTable::~SqlTable() {
  if (conn_ && conn_->InTransaction()) (void)conn_->Rollback();
}

std::shared_ptr<SqlConnection> SqlTable::Conn(StorageError* error) {
  if (conn_) return conn_;
  return ConnectionFor(owner_.empty() ? Decl().Owner() : owner_, error);
}

std::vector<SqlValue> SqlTable::RowFromBuffer() const {
  const RecordLayout& layout = Decl().Layout();
  std::vector<SqlValue> row;
  for (int f = 0; f < layout.FieldCount(); ++f)
    row.push_back(IsNull(f) ? SqlValue::Null()
                            : layout.Get(const_cast<SqlTable*>(this)->Record(), f));
  return row;
}

namespace {

// True when a field that was given `stored` now holds it exactly, as the runtime compares
// values: text without trailing blanks, numbers by their exact decimal text. A NULL is held
// by the field's null flag.
bool HeldExactly(const SqlValue& stored, const SqlValue& held) {
  return stored.IsNull() || CanonicalText(stored) == CanonicalText(held);
}

}  // namespace

void SqlTable::LoadRow(const std::vector<SqlValue>& row) {
  const RecordLayout& layout = Decl().Layout();
  layout.Clear(Record());
  std::vector<int> inexact;
  for (int f = 0; f < layout.FieldCount() && f < int(row.size()); ++f) {
    layout.Set(Record(), f, row[f]);
    SetNullFlag(f, row[f].IsNull());
    if (!HeldExactly(row[f], layout.Get(Record(), f))) inexact.push_back(f);
  }
  SetInexactFields(std::move(inexact));
  lastRow_ = row;
  heldRow_ = RowFromBuffer();
  haveRow_ = true;
  NoteRecordRead();
}

std::vector<SqlValue> SqlTable::OrderValues(int key, const std::vector<SqlValue>& row) const {
  SqlBuilder b(shape_, DialectFor(DatabaseKind::kSqlite));  // order does not depend on dialect
  std::vector<SqlValue> values;
  for (const OrderPart& p : b.Order(key)) values.push_back(row[p.field]);
  return values;
}

std::vector<ColumnDesc> SqlTable::OrderColumns(int key) const {
  SqlBuilder b(shape_, DialectFor(DatabaseKind::kSqlite));
  std::vector<ColumnDesc> cols;
  for (const OrderPart& p : b.Order(key)) cols.push_back(shape_.columns[p.field]);
  return cols;
}

StorageError SqlTable::Select(const Statement& st, std::vector<std::vector<SqlValue>>* rows) {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  return c->Exec(st, &shape_.columns, rows);
}

StorageError SqlTable::DoOpen(int mode) {
  const int recover = TakeRecover();
  owner_ = Decl().Owner();
  StorageError e;
  std::shared_ptr<SqlConnection> c = ConnectionFor(owner_, &e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  e = c->Exec(b.Probe());
  // Each probe waits the connection's lock wait; a recovery time asked for keeps trying.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(recover);
  while (e.code == kRecordHeldError && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    e = c->Exec(b.Probe());
  }
  if (!e.ok()) return e;
  if ((mode & 0x0F) != kOpenReadOnly) {
    int binds = 0;
    std::string sql = c->SqlDialect().WritePermissionQuery(&binds);
    if (!sql.empty()) {
      Statement st{sql, std::vector<SqlValue>(size_t(binds), SqlValue::Text(b.QuotedTable()))};
      std::vector<ColumnDesc> cols{ColumnDesc{"allowed", "", ColumnType::kInteger}};
      std::vector<std::vector<SqlValue>> rows;
      e = c->Exec(st, &cols, &rows);
      if (!e.ok()) return e;
      if (rows.empty() || rows[0][0].integer == 0)
        return StorageError::Of(kAccessDenied, "", "the user may not change " + shape_.name);
    }
  }
  LearnNullability(*c);
  if (std::string key = KeyNeedingRebuild(*c); !key.empty())
    return StorageError::Of(
        kRebuildKeysError, "",
        key + " cannot be read in its order from its index: the index must be rebuilt");
  if (Decl().Threaded()) conn_ = c;
  cursor_ = Cursor{};
  haveRow_ = false;
  return {};
}

std::vector<std::string> SqlTable::Names(SqlConnection& c, const Statement& query) const {
  std::vector<std::string> names;
  if (query.sql.empty()) return names;
  std::vector<ColumnDesc> cols{ColumnDesc{"name", "", ColumnType::kText, 128}};
  std::vector<std::vector<SqlValue>> rows;
  if (!c.Exec(query, &cols, &rows).ok()) return names;
  for (const std::vector<SqlValue>& r : rows)
    if (!r.empty()) names.push_back(r[0].text);
  return names;
}

std::vector<int> SqlTable::LinguisticKeys(SqlConnection& c) const {
  std::vector<int> keys;
  const std::vector<std::string> linguistic =
      Names(c, c.SqlDialect().LinguisticColumns(shape_.name));
  if (linguistic.empty()) return keys;
  for (size_t k = 0; k < shape_.keys.size(); ++k)
    for (const KeyComponent& kc : shape_.keys[k].components) {
      const ColumnDesc& col = shape_.columns[size_t(kc.field)];
      bool found = false;
      for (const std::string& n : linguistic) found |= EqualNoCase(n, col.name);
      if (col.type == ColumnType::kText && found) {
        keys.push_back(int(k) + 1);
        break;
      }
    }
  return keys;
}

std::string SqlTable::KeyNeedingRebuild(SqlConnection& c) const {
  SqlBuilder b(shape_, c.SqlDialect());
  auto among = [](const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& s) { return s == name; });
  };
  const std::vector<int> keys = LinguisticKeys(c);
  if (!keys.empty()) {
    const std::vector<std::string> served = Names(c, c.SqlDialect().ByteOrderIndexes(shape_.name));
    for (int k : keys)
      if (!among(served, b.ByteOrderIndexName(k))) return shape_.keys[size_t(k - 1)].label;
  }
  // A case-insensitive key whose index folds otherwise (made by an older folding) cannot serve
  // the key's order: every page would sort the table.
  const std::vector<std::string> unfolded = Names(c, c.SqlDialect().UnfoldedIndexes(shape_.name));
  for (size_t k = 0; k < shape_.keys.size() && !unfolded.empty(); ++k) {
    const KeyDecl& key = shape_.keys[k];
    const bool text =
        std::any_of(key.components.begin(), key.components.end(), [&](const KeyComponent& kc) {
          return shape_.columns[size_t(kc.field)].type == ColumnType::kText;
        });
    if (key.noCase && text && among(unfolded, b.ByteOrderIndexName(int(k) + 1))) return key.label;
  }
  return {};
}

void SqlTable::LearnNullability(SqlConnection& c) {
  std::vector<ColumnDesc> cols{ColumnDesc{"name", "", ColumnType::kText, 128}};
  std::vector<std::vector<SqlValue>> rows;
  // Without an answer every column counts as nullable: orders then stay right, only slower.
  if (!c.Exec(c.SqlDialect().NotNullColumns(shape_.name), &cols, &rows).ok()) rows.clear();
  for (ColumnDesc& col : shape_.columns) {
    col.nullable = true;
    for (const std::vector<SqlValue>& r : rows)
      if (!r.empty() && EqualNoCase(r[0].text, col.name)) col.nullable = false;
  }
}

StorageError SqlTable::DoCreate() {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  e = c->Exec(b.Probe());
  if (e.ok()) return {};  // an existing table is never recreated
  if (e.code != kNoFileError) return e;
  e = c->Exec(b.CreateTable());
  if (!e.ok()) return e;
  // The table declares its key fields NOT NULL; the indexes are built for that.
  for (const KeyDecl& k : shape_.keys)
    for (const KeyComponent& kc : k.components) shape_.columns[size_t(kc.field)].nullable = false;
  for (const Statement& st : b.CreateIndexes()) {
    e = c->Exec(st);
    if (!e.ok()) return e;
  }
  return {};
}

StorageError SqlTable::DoClose() {
  conn_.reset();
  cursor_ = Cursor{};
  haveRow_ = false;
  return {};
}

StorageError SqlTable::DoBuildKeys() {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  std::vector<Statement> creates = b.CreateIndexes();
  for (size_t k = 1, i = 0; k <= shape_.keys.size(); ++k) {
    const KeyDecl& key = shape_.keys[k - 1];
    if (key.components.empty()) continue;
    if (key.primary && (!key.noCase || c->SqlDialect().Kind() == DatabaseKind::kSqlServer))
      continue;
    std::string name = b.IndexName(int(k)) + (key.primary ? "_nc" : "");
    (void)c->Exec(
        {c->SqlDialect().DropIndex(c->SqlDialect().QuoteIdentifier(name), b.QuotedTable()), {}});
    e = c->Exec(creates[i++]);
    if (!e.ok()) return e;
  }
  // A primary key over columns of another collation gets an index of its own in byte order.
  for (int k : LinguisticKeys(*c)) {
    const KeyDecl& key = shape_.keys[size_t(k - 1)];
    if (!key.primary || key.noCase) continue;
    (void)c->Exec({c->SqlDialect().DropIndex(
                       c->SqlDialect().QuoteIdentifier(b.ByteOrderIndexName(k)), b.QuotedTable()),
                   {}});
    e = c->Exec(b.CreateByteOrderPrimaryIndex(k));
    if (!e.ok()) return e;
  }
  return {};
}

StorageError SqlTable::DoSetKey(int key) {
  cursor_ = Cursor{};
  cursor_.key = key;
  return {};
}

StorageError SqlTable::DoSetKeyValues(int key) {
  SqlBuilder b(shape_, DialectFor(DatabaseKind::kSqlite));
  std::vector<SqlValue> values;
  std::vector<SqlValue> row = RowFromBuffer();
  if (key == 0) {
    for (int f : b.IdentityFields()) values.push_back(row[f]);
  } else {
    for (const KeyComponent& c : shape_.keys[key - 1].components) values.push_back(row[c.field]);
  }
  cursor_ = Cursor{};
  cursor_.key = key;
  cursor_.mode = Mode::kValues;
  cursor_.bound = std::move(values);
  return {};
}

StorageError SqlTable::DoResetTo(int key, std::string_view position) {
  std::vector<SqlValue> values;
  if (!DecodePosition(position, OrderColumns(key), &values))
    return StorageError::Of(kNoRecordError, "", "not a position of this table");
  cursor_ = Cursor{};
  cursor_.key = key;
  cursor_.mode = Mode::kValues;
  cursor_.bound = std::move(values);
  return {};
}

StorageError SqlTable::DoRead(bool forward) {
  if (cursor_.cacheForward == forward && cursor_.cachePos < cursor_.cache.size()) {
    LoadRow(cursor_.cache[cursor_.cachePos++]);
  } else {
    StorageError e;
    std::shared_ptr<SqlConnection> c = Conn(&e);
    if (!c) return e;
    SqlBuilder b(shape_, c->SqlDialect());
    Direction dir = forward ? Direction::kForward : Direction::kBackward;
    int limit = Prefetch() > 1 ? Prefetch() : 1;
    Statement st = cursor_.mode == Mode::kStart ? b.Keyset(cursor_.key, dir, {}, false, limit)
                                                : b.Keyset(cursor_.key, dir, cursor_.bound,
                                                           cursor_.mode == Mode::kValues, limit);
    std::vector<std::vector<SqlValue>> rows;
    e = c->Exec(st, &shape_.columns, &rows);
    cursor_.cache.clear();
    cursor_.cachePos = 0;
    if (!e.ok()) return e;
    if (rows.empty()) return StorageError::Of(kNoRecordError);
    cursor_.cache = std::move(rows);
    cursor_.cacheForward = forward;
    LoadRow(cursor_.cache[cursor_.cachePos++]);
  }
  cursor_.mode = Mode::kAfterRow;
  cursor_.bound = OrderValues(cursor_.key, lastRow_);
  return {};
}

StorageError SqlTable::DoGet(int key) {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  std::vector<SqlValue> row = RowFromBuffer(), values;
  for (const KeyComponent& k : shape_.keys[key - 1].components) values.push_back(row[k.field]);
  std::vector<std::vector<SqlValue>> rows;
  e = c->Exec(b.GetByKey(key, values), &shape_.columns, &rows);
  if (!e.ok()) return e;
  if (rows.empty()) return StorageError::Of(kNoRecordError);
  LoadRow(rows[0]);
  cursor_ = Cursor{};
  cursor_.key = key;
  cursor_.mode = Mode::kAfterRow;
  cursor_.bound = OrderValues(key, lastRow_);
  return {};
}

StorageError SqlTable::DoReget(int key, std::string_view position) {
  if (position.empty()) {
    haveRow_ = false;  // the empty position: no record is current any more
    return StorageError::Of(kNoRecordError);
  }
  std::vector<SqlValue> values;
  if (!DecodePosition(position, OrderColumns(key), &values))
    return StorageError::Of(kNoRecordError, "", "not a position of this table");
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  std::vector<std::vector<SqlValue>> rows;
  e = c->Exec(b.Keyset(key, Direction::kForward, values, true, 1), &shape_.columns, &rows);
  if (!e.ok()) return e;
  if (rows.empty() || EncodePosition(OrderValues(key, rows[0])) != EncodePosition(values))
    return StorageError::Of(kNoRecordError);
  LoadRow(rows[0]);
  cursor_ = Cursor{};
  cursor_.key = key;
  cursor_.mode = Mode::kAfterRow;
  cursor_.bound = OrderValues(key, lastRow_);
  return {};
}

StorageError SqlTable::CheckStorable(const Dialect& dialect, const std::vector<SqlValue>& row,
                                     const std::vector<bool>& written) const {
  const int limit = dialect.MaxExactDecimalDigits();
  for (size_t f = 0; f < row.size(); ++f) {
    if (row[f].kind != SqlValue::Kind::kDecimal) continue;
    if (!written.empty() && !written[f]) continue;
    if (SignificantDigits(row[f].text) > limit)
      return StorageError::Of(kDriverError, "",
                              shape_.columns[f].label + ": " + row[f].text + " has more than " +
                                  std::to_string(limit) + " significant digits, which " +
                                  std::string(dialect.Name()) + " cannot keep exactly");
  }
  return {};
}

StorageError SqlTable::DoAdd() {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  std::vector<SqlValue> row = RowFromBuffer();
  if (e = CheckStorable(c->SqlDialect(), row); !e.ok()) return e;
  cursor_.cache.clear();
  e = c->Exec(b.Insert(row));
  if (!e.ok()) {
    if (e.code == kDuplicateKeyError) SetDuplicateIndex(DuplicatedIndex(*c, e));
    return e;
  }
  lastRow_ = row;
  heldRow_ = std::move(row);
  haveRow_ = true;
  SetInexactFields({});
  NoteRecordRead();
  return {};
}

StorageError SqlTable::DoPut(bool watched) {
  if (!haveRow_) return StorageError::Of(kNoRecordError, "", "no record was read");
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  std::vector<SqlValue> row = RowFromBuffer();
  // Only the fields changed since the record was read are written; the others keep what is
  // stored, which may be more than the buffer could hold.
  std::vector<bool> written(row.size(), false);
  for (size_t f = 0; f < row.size() && f < heldRow_.size(); ++f) written[f] = row[f] != heldRow_[f];
  if (e = CheckStorable(c->SqlDialect(), row, written); !e.ok()) return e;
  cursor_.cache.clear();
  int affected = 0;
  e = c->Exec(b.Update(row, lastRow_, watched, written), nullptr, nullptr, &affected);
  if (!e.ok()) {
    if (e.code == kDuplicateKeyError) SetDuplicateIndex(DuplicatedIndex(*c, e));
    return e;
  }
  if (affected < 1) return StorageError::Of(kChangedError);
  for (size_t f = 0; f < row.size(); ++f)
    if (written[f]) lastRow_[f] = row[f];
  std::vector<int> inexact = InexactFields();
  std::erase_if(inexact, [&](int f) { return f < int(written.size()) && written[f]; });
  SetInexactFields(std::move(inexact));
  heldRow_ = std::move(row);
  NoteRecordRead();
  return {};
}

std::string SqlTable::DuplicatedIndex(SqlConnection& c, const StorageError& e) {
  std::vector<std::string> columns;
  std::string name = c.SqlDialect().DuplicateIndexName(e.driverText, &columns);
  if (!name.empty() || columns.empty()) return name;
  // The database named the columns only: find its unique index over exactly those columns.
  const std::string query = c.SqlDialect().UniqueIndexQuery();
  if (query.empty()) return {};
  std::vector<ColumnDesc> cols{ColumnDesc{"index", "", ColumnType::kText},
                               ColumnDesc{"column", "", ColumnType::kText}};
  std::vector<std::vector<SqlValue>> rows;
  if (!c.Exec({query, {SqlValue::Text(shape_.name)}}, &cols, &rows).ok()) return {};
  auto folded = [](std::string s) {
    for (char& ch : s) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  };
  std::vector<std::string> wanted;
  for (const std::string& col : columns) wanted.push_back(folded(col));
  for (size_t i = 0; i < rows.size();) {
    const std::string index = rows[i][0].text;
    std::vector<std::string> have;
    for (; i < rows.size() && rows[i][0].text == index; ++i)
      have.push_back(folded(rows[i][1].text));
    if (have == wanted) return index;
  }
  return {};
}

StorageError SqlTable::DoDelete(bool watched) {
  if (!haveRow_) return StorageError::Of(kNoRecordError, "", "no record was read");
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  SqlBuilder b(shape_, c->SqlDialect());
  cursor_.cache.clear();
  int affected = 0;
  e = c->Exec(b.Delete(lastRow_, watched), nullptr, nullptr, &affected);
  if (!e.ok()) return e;
  if (affected < 1) return StorageError::Of(kChangedError);
  haveRow_ = false;
  return {};
}

bool SqlTable::DoDuplicates(int key) {
  if (shape_.keys[key - 1].duplicates) return false;
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return false;
  SqlBuilder b(shape_, c->SqlDialect());
  std::vector<std::vector<SqlValue>> rows;
  std::vector<ColumnDesc> cols{ColumnDesc{"one", "", ColumnType::kInteger}};
  e = c->Exec(b.DuplicateCheck(key, RowFromBuffer(), haveRow_ ? lastRow_ : std::vector<SqlValue>{}),
              &cols, &rows);
  return e.ok() && !rows.empty();
}

std::string SqlTable::DoPosition(int key) const {
  if (!haveRow_) return {};
  return EncodePosition(OrderValues(key, lastRow_));
}

namespace {
struct SavedCursor {
  std::vector<SqlValue> lastRow;
  std::vector<SqlValue> heldRow;
  bool haveRow;
};
}  // namespace

std::shared_ptr<void> SqlTable::SaveCursor() const {
  struct Saved {
    Cursor cursor;
    SavedCursor rows;
  };
  auto s = std::make_shared<Saved>(Saved{cursor_, {lastRow_, heldRow_, haveRow_}});
  s->cursor.cache.clear();
  return s;
}

void SqlTable::RestoreCursor(const std::shared_ptr<void>& cursor) {
  struct Saved {
    Cursor cursor;
    SavedCursor rows;
  };
  if (!cursor) return;
  const Saved* s = static_cast<const Saved*>(cursor.get());
  cursor_ = s->cursor;
  lastRow_ = s->rows.lastRow;
  heldRow_ = s->rows.heldRow;
  haveRow_ = s->rows.haveRow;
}

std::uintptr_t SqlTable::TransactionScope() const {
  StorageError e;
  std::shared_ptr<SqlConnection> c = const_cast<SqlTable*>(this)->Conn(&e);
  return reinterpret_cast<std::uintptr_t>(c.get());
}

StorageError SqlTable::BeginTransactionPart(int timeoutSeconds) {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  return c->Begin(timeoutSeconds);
}

StorageError SqlTable::CommitPart() {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  return c->Commit();
}

StorageError SqlTable::RollbackPart() {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  return c->Rollback();
}

const Dialect* SqlTable::ViewDialect() {
  if (!IsOpen()) return nullptr;
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  return c ? &c->SqlDialect() : nullptr;
}

StorageError SqlTable::ViewSelect(const Statement& st, const std::vector<ColumnDesc>& columns,
                                  std::vector<std::vector<SqlValue>>* rows) {
  StorageError e;
  std::shared_ptr<SqlConnection> c = Conn(&e);
  if (!c) return e;
  return c->Exec(st, &columns, rows);
}

void SqlTable::TakeViewRow(const std::vector<SqlValue>& row) {
  if (row.empty()) {
    Decl().Layout().Clear(Record());
    SetNullImage({});
    SetInexactFields({});
    haveRow_ = false;
    return;
  }
  LoadRow(row);
}

}  // namespace kv
