#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QSqlDatabase>

#include "platform/qt/sql/PreparedCache.h"
#include "platform/storage/Dialect.h"
#include "platform/storage/ErrorCode.h"
#include "platform/storage/Statement.h"

namespace kv {

// Where an owner string leads: the Qt SQL driver and its connection settings, and the dialect
// of the database behind it.
struct ConnectionTarget {
  std::string qtDriver;      // "QSQLITE", "QPSQL" or "QODBC"
  std::string databaseName;  // SQLite file, PostgreSQL database or the ODBC connection string
  std::string host;
  int port = -1;
  std::string user;
  std::string password;
  DatabaseKind dialect = DatabaseKind::kSqlite;
};

// Resolves `owner` (platform/storage/OwnerString.h). SQL Server goes through QODBC with the
// FreeTDS driver: the connection string and the braced user and password of BuildOdbcLogin
// (so `user` and `password` hold "{...}" forms there). Returns false with the error
// (kDriverError and the reason) when the owner names no usable database or holds a value the
// driver cannot carry; nothing is then sent to any server.
bool ResolveOwner(std::string_view owner, ConnectionTarget* target, StorageError* error);

// Tests reach other databases through the same code (PostgreSQL through ODBC, for instance):
// a resolver set here is asked first; when it answers, its target is used. Empty: none.
// Not for program code. Thread: set before any connection is made.
using OwnerResolver = std::function<std::optional<ConnectionTarget>(std::string_view owner)>;
void SetOwnerResolverForTests(OwnerResolver resolver);

// How long a statement waits for a lock that another connection (another station) holds before
// it fails with kRecordHeldError, unless a transaction sets its own time-out.
inline constexpr int kDefaultLockWaitMs = 5000;
// Tests shorten the wait; it applies to connections made afterwards. A negative value gives
// the default back. Not for program code. Thread: any.
void SetLockWaitForTests(int milliseconds);

// One database connection of one thread. Every statement is prepared with "?" placeholders,
// bound and executed forward-only; decimals are read as text (high precision). Prepared
// statements are kept by their text (PreparedCache) and executed again with new values; they
// are released with the connection, after a statement of theirs fails, and when a transaction
// is rolled back (a server may forget what was prepared inside it). A new connection
// runs the dialect's session statements (lock wait, SQLite's write-ahead journal), and again
// after each transaction, whose own time-out may have changed the lock wait. After a failed
// statement inside a transaction the transaction is rolled back at once, because the databases
// differ in what survives of it (PostgreSQL refuses every further statement).
//
// A server that goes away: the statement that finds the connection gone fails as a driver
// error whose text says so (and a transaction it was part of counts as rolled back); the next
// statement, or Begin, connects again first, so the tables and views that hold this connection
// work on as soon as the server is back. Connecting gives up after kConnectTimeoutSeconds.
// Thread: only the thread that created it (Qt SQL connections belong to their thread).
class SqlConnection {
 public:
  static constexpr int kConnectTimeoutSeconds = 10;

  SqlConnection(const ConnectionTarget& target, std::string name);
  ~SqlConnection();
  SqlConnection(const SqlConnection&) = delete;
  SqlConnection& operator=(const SqlConnection&) = delete;

  // Opens the connection; the error carries the driver's text when it fails.
  StorageError Connect();
  const Dialect& SqlDialect() const { return dialect_; }

  // Executes `st`. When `columns` is given the result rows are read into `rows`, each value
  // typed by its column. `affected` receives the number of rows changed (writes).
  StorageError Exec(const Statement& st, const std::vector<ColumnDesc>* columns = nullptr,
                    std::vector<std::vector<SqlValue>>* rows = nullptr, int* affected = nullptr);

  // Prepared statements kept (for tests and measurements).
  std::size_t PreparedStatements() const { return prepared_.Size(); }

  StorageError Begin(int timeoutSeconds);
  StorageError Commit();
  StorageError Rollback();
  bool InTransaction() const { return inTransaction_; }

 private:
  StorageError FromQt(const class QSqlError& error) const;
  void StartSession();
  // Connects again when the connection was found lost (or closed); the error when it cannot.
  StorageError Reconnect();
  // After a failed statement: when the connection is gone, remembers it and says so in `e`.
  void NoteLostConnection(StorageError* e);
  StorageError Run(const Statement& st, const std::vector<ColumnDesc>* columns,
                   std::vector<std::vector<SqlValue>>* rows, int* affected);
  StorageError Read(class QSqlQuery& q, const std::vector<ColumnDesc>* columns,
                    std::vector<std::vector<SqlValue>>* rows, int* affected);

  ConnectionTarget target_;
  std::string name_;
  const Dialect& dialect_;
  QSqlDatabase db_;
  PreparedCache prepared_;  // released before db_ closes
  bool inTransaction_ = false;
  bool rolledBackByError_ = false;  // a failed statement ended the transaction
  bool lost_ = false;               // the server dropped the connection; reconnect first
};

// The calling thread's connection for `owner`, made on first use: one connection per owner
// string per thread. It lives while tables use it (shared ownership) and while the thread
// runs. On failure returns null and sets `error`. Thread: any (returns the caller's own).
std::shared_ptr<SqlConnection> ConnectionFor(const std::string& owner, StorageError* error);

// Tests watch the statements that reach a database: the observer set here is called with every
// statement (text and values) any connection executes, before it runs. Empty: none. Not for
// program code. Thread: set while no other thread executes statements; the observer runs on
// the executing thread.
using StatementObserver = std::function<void(const Statement& statement)>;
void SetStatementObserverForTests(StatementObserver observer);

// Drops the calling thread's cached connections (tables that hold one keep it until closed).
void ForgetThreadConnections();

}  // namespace kv
