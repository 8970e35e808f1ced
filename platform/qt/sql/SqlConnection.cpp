#include "platform/qt/sql/SqlConnection.h"

#include <QMetaType>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>
#include <map>
#include <mutex>

#include "platform/qt/sql/SqliteFolding.h"
#include "platform/storage/OwnerString.h"

namespace kv {
namespace {

std::mutex gResolverMutex;
OwnerResolver gResolver;  // guarded by gResolverMutex

std::atomic<int> gLockWaitMs{kDefaultLockWaitMs};

// The ODBC driver name used for SQL Server owners.
constexpr std::string_view kSqlServerOdbcDriver = "FreeTDS";

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string S(const QString& s) {
  return s.toUtf8().toStdString();
}

QVariant ToVariant(const SqlValue& v) {
  switch (v.kind) {
    case SqlValue::Kind::kNull:
      return QVariant(QMetaType(QMetaType::QString));
    case SqlValue::Kind::kText:
    case SqlValue::Kind::kDecimal:
      return QVariant(Q(v.text));
    case SqlValue::Kind::kInteger:
      return QVariant(qlonglong(v.integer));
    case SqlValue::Kind::kReal:
      return QVariant(v.real);
  }
  return {};
}

SqlValue FromVariant(const QVariant& v, const ColumnDesc& c) {
  if (v.isNull()) return SqlValue::Null();
  switch (c.type) {
    case ColumnType::kText:
      return SqlValue::Text(S(v.toString()));
    case ColumnType::kInteger: {
      // A stored value that is no whole number (a numeric or text column read into an integer
      // field) keeps its digits, so that the driver sees it is not held exactly.
      bool ok = false;
      const qlonglong i = v.toLongLong(&ok);
      if (ok && (v.typeId() != QMetaType::Double || double(i) == v.toDouble()))
        return SqlValue::Integer(i);
      const std::string text = S(v.toString());
      const std::string canon = CanonicalDecimal(text);
      return SignificantDigits(canon) > 0 ? SqlValue::Decimal(canon) : SqlValue::Text(text);
    }
    case ColumnType::kDecimal:
      return SqlValue::Decimal(CanonicalDecimal(S(v.toString())));
    case ColumnType::kReal:
      return SqlValue::Real(v.toDouble());
  }
  return {};
}

}  // namespace

void SetLockWaitForTests(int milliseconds) {
  gLockWaitMs = milliseconds < 0 ? kDefaultLockWaitMs : milliseconds;
}

void SetOwnerResolverForTests(OwnerResolver resolver) {
  std::lock_guard lock(gResolverMutex);
  gResolver = std::move(resolver);
}

bool ResolveOwner(std::string_view owner, ConnectionTarget* target, StorageError* error) {
  {
    std::lock_guard lock(gResolverMutex);
    if (gResolver) {
      if (std::optional<ConnectionTarget> t = gResolver(owner)) {
        *target = *t;
        return true;
      }
    }
  }
  OwnerSpec spec;
  std::string why;
  if (!ParseOwner(owner, &spec, &why)) {
    *error = StorageError::Of(kDriverError, "", "invalid connection string: " + why);
    return false;
  }
  ConnectionTarget t;
  t.dialect = spec.kind;
  switch (spec.kind) {
    case DatabaseKind::kSqlite:
      t.qtDriver = "QSQLITE";
      t.databaseName = spec.database;
      break;
    case DatabaseKind::kPostgres:
      t.qtDriver = "QPSQL";
      t.databaseName = spec.database;
      t.host = spec.host;
      t.port = spec.port.empty() ? -1 : std::stoi(spec.port);
      t.user = spec.user;
      t.password = spec.password;
      break;
    case DatabaseKind::kSqlServer: {
      t.qtDriver = "QODBC";
      OdbcLogin login;
      if (!BuildOdbcLogin(spec, kSqlServerOdbcDriver, &login, &why)) {
        *error = StorageError::Of(kDriverError, "", "invalid connection string: " + why);
        return false;
      }
      t.databaseName = std::move(login.connectionString);
      // QODBC appends ";UID=" user ";PWD=" password to the connection string, after it has
      // looked for ".dsn" in it and with nothing after the password; FreeTDS needs a ";" after
      // a braced value that ends the string, or it keeps the closing brace.
      t.user = std::move(login.uid);
      if (!login.pwd.empty()) t.password = login.pwd + ";";
      break;
    }
  }
  *target = std::move(t);
  return true;
}

SqlConnection::SqlConnection(const ConnectionTarget& target, std::string name)
    : target_(target), name_(std::move(name)), dialect_(DialectFor(target.dialect)) {}

SqlConnection::~SqlConnection() {
  prepared_.Clear();
  if (db_.isValid()) {
    if (inTransaction_) db_.rollback();
    db_.close();
  }
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(Q(name_));
}

StorageError SqlConnection::FromQt(const QSqlError& error) const {
  std::string code = S(error.nativeErrorCode());
  std::string text = S(error.databaseText());
  std::string driverText = S(error.driverText());
  if (text.empty())
    text = driverText;
  else if (!driverText.empty() && text.find(driverText) == std::string::npos)
    text += " (" + driverText + ")";
  return StorageError::Of(dialect_.MapError(code, text), code, text);
}

StorageError SqlConnection::Connect() {
  db_ = QSqlDatabase::addDatabase(Q(target_.qtDriver), Q(name_));
  if (!db_.isValid())
    return StorageError::Of(kDriverError, "",
                            "the database driver " + target_.qtDriver + " is not available");
  db_.setDatabaseName(Q(target_.databaseName));
  if (!target_.host.empty()) db_.setHostName(Q(target_.host));
  if (target_.port > 0) db_.setPort(target_.port);
  if (!target_.user.empty()) db_.setUserName(Q(target_.user));
  if (!target_.password.empty()) db_.setPassword(Q(target_.password));
  // A server that does not answer must not hang the program.
  const std::string timeout = std::to_string(kConnectTimeoutSeconds);
  if (target_.qtDriver == "QPSQL") db_.setConnectOptions(Q("connect_timeout=" + timeout));
  if (target_.qtDriver == "QODBC") db_.setConnectOptions(Q("SQL_ATTR_LOGIN_TIMEOUT=" + timeout));
  if (!db_.open()) {
    StorageError e = FromQt(db_.lastError());
    // A refused connection is never "no such table" or "duplicate": keep it a driver error.
    e.code = kDriverError;
    e.text = std::string(ErrorCodeText(kDriverError));
    return e;
  }
  // SQLite folds case through functions of the connection (SqliteDialect::Upper).
  if (target_.dialect == DatabaseKind::kSqlite && target_.qtDriver == "QSQLITE" &&
      !AddSqliteFolding(db_))
    return StorageError::Of(kDriverError, "",
                            "the SQLite connection could not be given its case-folding functions");
  StartSession();
  return {};
}

void SqlConnection::StartSession() {
  // The settings tune how locks are met; a database that refuses one (a read-only SQLite
  // file keeps its journal mode) is still usable, so failures are not errors.
  for (const std::string& sql : dialect_.SessionStatements(gLockWaitMs.load())) {
    QSqlQuery q(db_);
    (void)q.exec(Q(sql));
  }
}

namespace {
StatementObserver& Observer() {
  static StatementObserver observer;
  return observer;
}
}  // namespace

void SetStatementObserverForTests(StatementObserver observer) {
  Observer() = std::move(observer);
}

StorageError SqlConnection::Reconnect() {
  if (!lost_ && db_.isOpen()) return {};
  prepared_.Clear();  // statements prepared on the old connection
  db_.close();
  if (!db_.open()) {
    StorageError e = FromQt(db_.lastError());
    e.code = kDriverError;
    e.text = std::string(ErrorCodeText(kDriverError));
    e.driverText = "no connection to the database server: " + e.driverText;
    return e;
  }
  lost_ = false;
  StartSession();
  return {};
}

void SqlConnection::NoteLostConnection(StorageError* e) {
  if (e->ok() || (db_.isOpen() && !dialect_.ConnectionLost(e->driverCode, e->driverText))) return;
  lost_ = true;
  if (inTransaction_) {
    // The server ended the transaction with the connection.
    inTransaction_ = false;
    rolledBackByError_ = true;
  }
  e->code = kDriverError;
  e->text = std::string(ErrorCodeText(kDriverError));
  const std::string said = e->driverText.empty() ? "" : " (" + e->driverText + ")";
  e->driverText =
      "the connection to the database server was lost; the next action connects again" + said;
}

StorageError SqlConnection::Exec(const Statement& st, const std::vector<ColumnDesc>* columns,
                                 std::vector<std::vector<SqlValue>>* rows, int* affected) {
  if (const StatementObserver& watch = Observer()) watch(st);
  if (StorageError e = Reconnect(); !e.ok()) return e;
  StorageError result = Run(st, columns, rows, affected);
  NoteLostConnection(&result);
  if (!result.ok()) {
    // Roll back first, while the failed statement still exists: PostgreSQL refuses even the
    // release of a prepared statement inside an aborted transaction.
    if (inTransaction_) {
      db_.rollback();
      inTransaction_ = false;
      rolledBackByError_ = true;
      prepared_.Clear();
      StartSession();
    } else {
      prepared_.Drop(st.sql);
    }
  }
  return result;
}

StorageError SqlConnection::Run(const Statement& st, const std::vector<ColumnDesc>* columns,
                                std::vector<std::vector<SqlValue>>* rows, int* affected) {
  // A statement without values (table and index definitions, which PostgreSQL cannot
  // prepare) runs directly; it holds only quoted identifiers and numbers of our own.
  if (st.binds.empty()) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(Q(st.sql))) return FromQt(q.lastError());
    return Read(q, columns, rows, affected);
  }
  if (!dialect_.TextHoldsNul()) {
    for (const SqlValue& v : st.binds) {
      if (v.kind == SqlValue::Kind::kText && v.text.find('\0') != std::string::npos)
        // 22021: the server's own code for a character its encoding cannot hold.
        return StorageError::Of(kDriverError, "22021",
                                "a text holds the NUL character, which this database cannot keep "
                                "in text; the statement was not sent");
    }
  }
  QSqlError prepareError;
  QSqlQuery* q = prepared_.Get(db_, st.sql, &prepareError);
  if (q == nullptr) return FromQt(prepareError);
  for (std::size_t i = 0; i < st.binds.size(); ++i) q->bindValue(int(i), ToVariant(st.binds[i]));
  if (!q->exec()) return FromQt(q->lastError());
  StorageError e = Read(*q, columns, rows, affected);
  // The statement stays prepared; its result is released, so that it holds no read lock.
  q->finish();
  return e;
}

StorageError SqlConnection::Read(QSqlQuery& q, const std::vector<ColumnDesc>* columns,
                                 std::vector<std::vector<SqlValue>>* rows, int* affected) {
  if (affected) *affected = q.numRowsAffected();
  if (columns && rows) {
    rows->clear();
    while (q.next()) {
      std::vector<SqlValue> row;
      row.reserve(columns->size());
      for (size_t i = 0; i < columns->size(); ++i)
        row.push_back(FromVariant(q.value(int(i)), (*columns)[i]));
      rows->push_back(std::move(row));
    }
    if (q.lastError().isValid()) return FromQt(q.lastError());
  }
  return {};
}

StorageError SqlConnection::Begin(int timeoutSeconds) {
  if (inTransaction_) return StorageError::Of(kDriverError, "", "a transaction is already active");
  if (StorageError e = Reconnect(); !e.ok()) return e;
  rolledBackByError_ = false;
  if (!db_.transaction()) return FromQt(db_.lastError());
  inTransaction_ = true;
  std::string timeout = dialect_.LockTimeoutStatement(timeoutSeconds);
  if (!timeout.empty()) {
    StorageError e = Exec({timeout, {}});
    if (!e.ok()) return e;  // Exec has rolled back
  }
  return {};
}

StorageError SqlConnection::Commit() {
  if (!inTransaction_) {
    if (rolledBackByError_) {
      rolledBackByError_ = false;
      return StorageError::Of(kDriverError, "", "the transaction was rolled back after an error");
    }
    return StorageError::Of(kDriverError, "", "no transaction is active");
  }
  inTransaction_ = false;
  if (!db_.commit()) {
    StorageError e = FromQt(db_.lastError());
    db_.rollback();
    prepared_.Clear();
    StartSession();
    return e;
  }
  StartSession();  // the transaction's time-out may have replaced the session's lock wait
  return {};
}

StorageError SqlConnection::Rollback() {
  rolledBackByError_ = false;
  if (!inTransaction_) return {};
  inTransaction_ = false;
  const bool ok = db_.rollback();
  prepared_.Clear();
  StartSession();
  if (!ok) return FromQt(db_.lastError());
  return {};
}

namespace {

struct ThreadConnections {
  std::map<std::string, std::shared_ptr<SqlConnection>> byOwner;
};

thread_local ThreadConnections tConnections;
std::atomic<int> gConnectionCounter{0};

}  // namespace

std::shared_ptr<SqlConnection> ConnectionFor(const std::string& owner, StorageError* error) {
  auto it = tConnections.byOwner.find(owner);
  if (it != tConnections.byOwner.end()) return it->second;
  ConnectionTarget target;
  if (!ResolveOwner(owner, &target, error)) return nullptr;
  auto conn = std::make_shared<SqlConnection>(
      target, "korvandel-" + std::to_string(gConnectionCounter.fetch_add(1)));
  StorageError e = conn->Connect();
  if (!e.ok()) {
    *error = std::move(e);
    return nullptr;
  }
  tConnections.byOwner[owner] = conn;
  return conn;
}

void ForgetThreadConnections() {
  tConnections.byOwner.clear();
}

}  // namespace kv
