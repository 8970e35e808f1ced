// The cost of one view page (PAGESIZE 20) along orders of one, two and three components, read
// in both directions from the start, the middle and near the end of a large table, on SQLite
// and (when PGHOST and PGDATABASE are set) PostgreSQL. Prints milliseconds per page and the
// server's own plan of the page statement: on PostgreSQL the rows the executed plan read
// (EXPLAIN ANALYZE), on SQLite its query plan. Asserts nothing.
//
//   KV_BENCH_ROWS=200000 build/bench/bench_keyset_pages

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/qt/sql/SqliteFolding.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/RecordPosition.h"
#include "platform/storage/TableDecl.h"
#include "platform/storage/View.h"
#include "platform/thread/LogicalThread.h"

namespace {

using namespace kv;

int kRows = 200000;  // KV_BENCH_ROWS overrides
constexpr int kPage = 20;

struct BenchRow {
  Long ID;
  String<10> GRP;
  Decimal<9, 2> AMT;
  Long N;
};

const FieldTableLayout& Layout() {
  static const FieldTable fields = FieldTable::For<BenchRow>({
      KV_FIELD(BenchRow, ID, "KB:ID", "@n-9", "Id"),
      KV_FIELD(BenchRow, GRP, "KB:GRP", "@s10", "Grp"),
      KV_FIELD(BenchRow, AMT, "KB:AMT", "@n-12.2", "Amt"),
      KV_FIELD(BenchRow, N, "KB:N", "@n-9", "N"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A connection of the bench's own for loading and for asking the server about plans.
QSqlDatabase Direct(bool pg) {
  QSqlDatabase db =
      QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", pg ? "direct-pg" : "direct-lite");
  if (pg) {
    db.setHostName(QString::fromStdString(Env("PGHOST")));
    db.setDatabaseName(QString::fromStdString(Env("PGDATABASE")));
    if (!Env("PGPORT").empty()) db.setPort(std::atoi(Env("PGPORT").c_str()));
    db.setUserName(QString::fromStdString(Env("PGUSER")));
    db.setPassword(QString::fromStdString(Env("PGPASSWORD")));
  } else {
    db.setDatabaseName("bench.sqlite");
  }
  if (!db.open())
    std::fprintf(stderr, "cannot connect: %s\n", db.lastError().text().toStdString().c_str());
  else
    (void)AddSqliteFolding(db);  // indexes of the program's tables use its functions
  return db;
}

std::vector<std::string> Query(QSqlDatabase& db, const std::string& sql) {
  QSqlQuery q(db);
  std::vector<std::string> rows;
  if (!q.exec(QString::fromStdString(sql))) {
    rows.push_back("error: " + q.lastError().text().toStdString());
    return rows;
  }
  while (q.next()) {
    std::string row;
    for (int i = 0; i < q.record().count(); ++i)
      row.append(i ? " " : "").append(q.value(i).toString().toStdString());
    rows.push_back(row);
  }
  return rows;
}

// EXPLAIN cannot be prepared: the values are written in as literals.
std::string WithLiterals(const Statement& st) {
  std::string out;
  size_t next = 0;
  for (char c : st.sql) {
    if (c != '?' || next >= st.binds.size()) {
      out += c;
      continue;
    }
    const SqlValue& v = st.binds[next++];
    if (v.kind == SqlValue::Kind::kInteger) {
      out += std::to_string(v.integer);
    } else if (v.IsNull()) {
      out += "NULL";
    } else {
      out += "'" + v.text + "'";  // the bench's own values: no quotes inside
    }
  }
  return out;
}

long RowsRead(const QJsonObject& node) {
  const QString type = node["Node Type"].toString();
  long read = 0;
  if (type.endsWith("Scan") && type != "Bitmap Index Scan")
    read += node["Actual Rows"].toInt() + node["Rows Removed by Filter"].toInt();
  for (const QJsonValue& child : node["Plans"].toArray()) read += RowsRead(child.toObject());
  return read;
}

std::string PlanSummary(QSqlDatabase& db, bool pg, const Statement& st) {
  const std::string sql = WithLiterals(st);
  if (!pg) {
    std::string detail;
    for (const std::string& line : Query(db, "EXPLAIN QUERY PLAN " + sql)) {
      size_t at = 0;
      for (int field = 0; field < 3 && at != std::string::npos; ++field)
        at = line.find(' ', at + 1);
      detail +=
          (detail.empty() ? "" : "; ") + (at == std::string::npos ? line : line.substr(at + 1));
    }
    return detail;
  }
  std::vector<std::string> plan = Query(db, "EXPLAIN (ANALYZE, FORMAT JSON) " + sql);
  if (plan.empty()) return "no plan";
  QJsonObject top =
      QJsonDocument::fromJson(QByteArray::fromStdString(plan[0])).array()[0].toObject();
  QJsonObject node = top["Plan"].toObject();
  std::string shape;
  for (QJsonObject n = node;; n = n["Plans"].toArray()[0].toObject()) {
    shape += (shape.empty() ? "" : " > ") + n["Node Type"].toString().toStdString();
    if (n["Index Cond"].isString()) shape += " [" + n["Index Cond"].toString().toStdString() + "]";
    if (!n["Plans"].isArray()) break;
  }
  return "read " + std::to_string(RowsRead(node)) + " rows: " + shape;
}

void Run(bool pg) {
  const std::string table = "KeysetBench";
  QSqlDatabase db = Direct(pg);
  if (!db.isOpen()) return;
  Query(db, "DROP TABLE IF EXISTS \"" + table + "\"");
  TableDecl decl("Bench", table, kSqlDriver, Layout());
  decl.SetOwnerText(pg ? "postgresql://" + Env("PGHOST") + ":" + Env("PGPORT") + "," +
                             Env("PGDATABASE") + "," + Env("PGUSER") + "," + Env("PGPASSWORD")
                       : ",bench");
  decl.AddKey({"KB:PK", "", {{0, true}}, false, false, true});
  decl.AddKey({"KB:ByGrp", "", {{1, true}}, true, false, false});
  decl.AddKey({"KB:ByGrpN", "", {{1, true}, {3, true}}, true, false, false});
  decl.AddKey({"KB:ByGrpNAmt", "", {{1, true}, {3, true}, {2, true}}, true, false, false});
  decl.AddKey({"KB:ByGrpAmt", "", {{1, true}, {2, false}}, true, false, false});
  Table& t = decl.Instance();
  if (t.Create() != kNoError) {
    std::fprintf(stderr, "cannot create the table\n");
    return;
  }
  // 50 groups of 4000 rows, 13 numbers, 97 amounts.
  const std::string n = std::to_string(kRows);
  const std::string rows = pg ? "generate_series(1, " + n + ") i" : "s";
  const std::string with =
      pg ? ""
         : "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " + n + ") ";
  Query(db, with + "INSERT INTO \"" + table +
                "\" (\"Id\", \"Grp\", \"Amt\", \"N\") SELECT i, 'G' || (i % 50), (i % 97) / 4.0, i "
                "% 13 FROM " +
                rows);
  Query(db, "ANALYZE \"" + table + "\"");
  if (t.Open() != kNoError) return;

  const char* orders[] = {"+KB:GRP",
                          "-KB:GRP",
                          "+KB:GRP,+KB:N",
                          "-KB:GRP,-KB:N",
                          "+KB:GRP,+KB:N,+KB:AMT",
                          "-KB:GRP,-KB:N,-KB:AMT",
                          "+KB:GRP,-KB:AMT",
                          "-KB:GRP,+KB:AMT"};
  std::printf("\n%s, %d rows, page of %d\n", pg ? "PostgreSQL" : "SQLite", kRows, kPage);
  std::printf("%-24s %-7s %-9s %8s  %s\n", "order", "from", "direction", "ms/page", "plan");
  for (const char* order : orders) {
    View v(t);
    (void)v.SetOrder(order);
    v.SetPaging(kPage, 0, 0, 60);
    if (v.Open() != kNoError) continue;
    // Positions at the start, the middle and near the end of the order.
    std::vector<std::pair<std::string, std::string>> starts = {{"start", ""}};
    v.SetPrefetch(5000);
    (void)v.SetStart();
    for (int i = 1; v.Next() == kNoError; ++i) {
      if (i == kRows / 2) starts.push_back({"middle", v.Position()});
      if (i == kRows - 30) starts.push_back({"end", v.Position()});
    }
    v.SetPrefetch(0);
    for (const auto& [where, position] : starts)
      for (bool forward : {true, false}) {
        Statement page;
        SetStatementObserverForTests([&](const Statement& st) {
          if (st.sql.find(" ORDER BY ") != std::string::npos) page = st;
        });
        std::vector<double> ms;
        for (int rep = 0; rep < 15; ++rep) {
          auto t0 = std::chrono::steady_clock::now();
          (void)(position.empty() ? v.SetStart() : v.ResetTo(position));
          (void)(forward ? v.Next() : v.Previous());
          ms.push_back(
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                  .count());
        }
        SetStatementObserverForTests({});
        std::sort(ms.begin(), ms.end());
        std::printf("%-24s %-7s %-9s %8.3f  %s\n", order, where.c_str(),
                    forward ? "forward" : "backward", ms[ms.size() / 2],
                    PlanSummary(db, pg, page).c_str());
      }
  }
  (void)t.Close();
  Query(db, "DROP TABLE IF EXISTS \"" + table + "\"");
}

}  // namespace

int main() {
  if (const char* rows = std::getenv("KV_BENCH_ROWS")) kRows = std::max(1000, std::atoi(rows));
  std::string tmpl = (std::filesystem::temp_directory_path() / "kv-bench-XXXXXX").string();
  const char* dir = ::mkdtemp(tmpl.data());
  if (dir == nullptr) return 1;
  std::filesystem::current_path(dir);
  RegisterSqlDrivers();
  AdoptCurrentThread();
  Run(false);
  if (!Env("PGHOST").empty() && !Env("PGDATABASE").empty()) Run(true);
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(dir);
  return 0;
}
