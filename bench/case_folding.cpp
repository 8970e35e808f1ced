// The cost of folding case on the server as the runtime does, against the server's own UPPER:
// a case-insensitive filter that reads every row of a table (no index can serve it), on SQLite
// and (when PGHOST and PGDATABASE are set) PostgreSQL. Prints milliseconds per statement and
// the rows each selects (the server's UPPER misses the small accented letters). Asserts nothing.
//
//   KV_BENCH_ROWS=200000 build/bench/bench_case_folding

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/qt/sql/SqliteFolding.h"
#include "platform/storage/Dialect.h"

namespace {

using kv::DatabaseKind;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool Exec(QSqlDatabase& db, const std::string& sql) {
  QSqlQuery q(db);
  if (q.exec(QString::fromStdString(sql))) return true;
  std::fprintf(stderr, "%s: %s\n", sql.substr(0, 60).c_str(),
               q.lastError().text().toStdString().c_str());
  return false;
}

// Best of three runs of `sql`, which answers one count.
void Time(QSqlDatabase& db, const char* label, const std::string& sql) {
  double best = 1e30;
  long long count = -1;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    QSqlQuery q(db);
    if (!q.exec(QString::fromStdString(sql)) || !q.next()) {
      std::fprintf(stderr, "%s: %s\n", label, q.lastError().text().toStdString().c_str());
      return;
    }
    count = q.value(0).toLongLong();
    best = std::min(
        best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count());
  }
  std::printf("  %-34s %10.1f ms  %8lld rows\n", label, best, count);
}

void Run(bool pg, int rows) {
  QSqlDatabase db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", pg ? "pg" : "lite");
  if (pg) {
    db.setHostName(QString::fromStdString(Env("PGHOST")));
    db.setDatabaseName(QString::fromStdString(Env("PGDATABASE")));
    if (!Env("PGPORT").empty()) db.setPort(std::atoi(Env("PGPORT").c_str()));
    db.setUserName(QString::fromStdString(Env("PGUSER")));
    db.setPassword(QString::fromStdString(Env("PGPASSWORD")));
  } else {
    std::filesystem::remove("bench_fold.sqlite");
    db.setDatabaseName("bench_fold.sqlite");
  }
  if (!db.open() || (!pg && !kv::AddSqliteFolding(db))) {
    std::fprintf(stderr, "cannot connect: %s\n", db.lastError().text().toStdString().c_str());
    return;
  }
  const kv::Dialect& d = kv::DialectFor(pg ? DatabaseKind::kPostgres : DatabaseKind::kSqlite);
  // A third "écrou ...", a third "ÉCROU ...", a third "washer ...": byte-order text columns,
  // as the program creates them.
  const std::string series =
      pg ? "SELECT i FROM generate_series(1, " + std::to_string(rows) + ") AS s(i)"
         : "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
               std::to_string(rows) + ") SELECT i FROM s";
  if (!Exec(db, "DROP TABLE IF EXISTS bench_fold") ||
      !Exec(db, std::string("CREATE TABLE bench_fold (id INTEGER PRIMARY KEY, d VARCHAR(40)") +
                    (pg ? " COLLATE \"C\")" : ")")) ||
      !Exec(db,
            "INSERT INTO bench_fold SELECT i, CASE i % 3 WHEN 0 THEN '\xC3\xA9"
            "crou ' || i "
            "WHEN 1 THEN '\xC3\x89"
            "CROU ' || i ELSE 'washer ' || i END FROM (" +
                series + ") AS s"))
    return;
  std::printf("%s, %d rows\n", pg ? "PostgreSQL" : "SQLite", rows);
  const std::string find = pg ? "strpos" : "instr";
  Time(db, "the server's UPPER",
       "SELECT COUNT(*) FROM bench_fold WHERE " + find +
           "(UPPER(d), '\xC3\x89"
           "CROU') > 0");
  Time(db, "the dialect's Upper (the runtime's)",
       "SELECT COUNT(*) FROM bench_fold WHERE " + find + "(" + d.Upper("d") +
           ", '\xC3\x89"
           "CROU') > 0");
  Time(db, "no folding", "SELECT COUNT(*) FROM bench_fold WHERE " + find + "(d, 'CROU') > 0");
  (void)Exec(db, "DROP TABLE bench_fold");
  db.close();
}

}  // namespace

int main() {
  const int rows = Env("KV_BENCH_ROWS").empty() ? 200000 : std::atoi(Env("KV_BENCH_ROWS").c_str());
  Run(false, rows);
  if (!Env("PGHOST").empty() && !Env("PGDATABASE").empty()) Run(true, rows);
  std::filesystem::remove("bench_fold.sqlite");
  return 0;
}
