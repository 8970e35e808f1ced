#include "StorageFixture.h"

#include "tests/support/OdbcDrivers.h"

#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/qt/sql/SqliteFolding.h"

namespace kv::testing {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool HavePostgres() {
  return !Env("PGHOST").empty() && !Env("PGDATABASE").empty();
}

// The suite's working directory: SQLite files live in the working directory by design.
const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kv-storage-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    std::filesystem::path p = made ? made : std::filesystem::temp_directory_path();
    std::filesystem::current_path(p);
    if (made) {
      static std::string toRemove = p.string();
      std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(toRemove, ec);
      });
    }
    return p;
  }();
  return dir;
}

std::string OdbcBraced(const std::string& v) {
  std::string out = "{";
  for (char c : v) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

// Owners whose server part is "odbc-pg" or "odbc-sqlite" reach PostgreSQL or SQLite through
// QODBC, so that the ODBC code path runs against a real database.
void InstallOdbcResolver() {
  static std::once_flag once;
  std::call_once(once, [] {
    SetOwnerResolverForTests([](std::string_view owner) -> std::optional<ConnectionTarget> {
      auto starts = [&](std::string_view p) { return owner.substr(0, p.size()) == p; };
      ConnectionTarget t;
      t.qtDriver = "QODBC";
      if (starts("odbc-pg,")) {
        std::string rest(owner.substr(8));
        size_t c1 = rest.find(','), c2 = rest.find(',', c1 + 1);
        std::string db = rest.substr(0, c1), user = rest.substr(c1 + 1, c2 - c1 - 1);
        std::string pass = rest.substr(c2 + 1);
        t.dialect = DatabaseKind::kPostgres;
        t.databaseName = "Driver={PostgreSQL Unicode};Server=" + Env("PGHOST") +
                         ";Port=" + Env("PGPORT") + ";Database=" + db + ";UID=" + user +
                         ";PWD=" + OdbcBraced(pass) + ";";
        return t;
      }
      if (starts("odbc-sqlite,")) {
        t.dialect = DatabaseKind::kSqlite;
        t.databaseName =
            "Driver={SQLite3};Database=" + (WorkDir() / std::string(owner.substr(12))).string() +
            ".sqlite;LoadExt=" KORVANDEL_SQLITE_FOLD_MODULE ";";
        return t;
      }
      return std::nullopt;
    });
  });
}

}  // namespace

const FieldTable& ItemFields() {
  static const FieldTable table = FieldTable::For<ItemRecord>({
      KV_FIELD(ItemRecord, CODE, "ITM:CODE", "@s20", "Code"),
      KV_FIELD(ItemRecord, DESCRIPTION, "ITM:DESCRIPTION", "@s50", "Description"),
      KV_FIELD(ItemRecord, PRICE, "ITM:PRICE", "@n-18.2", "Price"),
      KV_FIELD(ItemRecord, PROVIDER, "ITM:PROVIDER", "@n-14", "Provider"),
  });
  return table;
}

const FieldTableLayout& ItemLayout() {
  static const FieldTableLayout layout(ItemFields());
  return layout;
}

std::string UniqueName(const std::string& base) {
  return base + "_" + std::to_string(::getpid());
}

bool PostgresRequired() {
  return Env("KORVANDEL_REQUIRE_PG") == "1";
}

std::vector<Backend> AllBackends() {
  std::vector<Backend> out;
  out.push_back({"sqlite", true, ""});
  bool odbc = QSqlDatabase::isDriverAvailable("QODBC");
  out.push_back({"sqlite_odbc", odbc && OdbcDriverInstalled("SQLite3"),
                 "no QODBC driver or no SQLite ODBC driver"});
  bool pg = HavePostgres();
  out.push_back({"postgres", pg, "PGHOST/PGDATABASE not set"});
  out.push_back({"postgres_odbc", pg && odbc && OdbcDriverInstalled("PostgreSQL Unicode"),
                 "PGHOST/PGDATABASE not set, or no QODBC or PostgreSQL ODBC driver"});
  return out;
}

std::string OwnerFor(const Backend& b, const std::string& user, const std::string& password) {
  InstallOdbcResolver();
  std::string u = user.empty() ? Env("PGUSER") : user;
  std::string p = user.empty() ? Env("PGPASSWORD") : password;
  if (b.name == "sqlite") return ",suite";
  if (b.name == "sqlite_odbc") return "odbc-sqlite,suite_odbc";
  if (b.name == "postgres")
    return "postgresql://" + Env("PGHOST") + ":" + Env("PGPORT") + "," + Env("PGDATABASE") + "," +
           u + "," + p;
  return "odbc-pg," + Env("PGDATABASE") + "," + u + "," + p;
}

namespace {

// Runs `sql` on a connection of its own to the backend's database; rows as in QueryDirect.
std::vector<std::string> RunDirect(const Backend& b, const std::string& sql, bool wantRows) {
  (void)WorkDir();
  ConnectionTarget target;
  StorageError error;
  if (!ResolveOwner(OwnerFor(b), &target, &error)) return {"error: " + error.driverText};
  static std::atomic<int> counter{0};
  QString name = QString("direct-%1").arg(counter++);
  std::vector<std::string> result;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromStdString(target.qtDriver), name);
    db.setDatabaseName(QString::fromStdString(target.databaseName));
    if (!target.host.empty()) db.setHostName(QString::fromStdString(target.host));
    if (target.port > 0) db.setPort(target.port);
    if (!target.user.empty()) db.setUserName(QString::fromStdString(target.user));
    if (!target.password.empty()) db.setPassword(QString::fromStdString(target.password));
    if (!db.open()) {
      result = {"error: " + db.lastError().text().toStdString()};
    } else {
      (void)AddSqliteFolding(db);  // indexes of the program's tables use its functions
      QSqlQuery q(db);
      if (!q.exec(QString::fromStdString(sql))) {
        result = {"error: " + q.lastError().text().toStdString()};
      } else {
        while (wantRows && q.next()) {
          std::string row;
          for (int i = 0; i < q.record().count(); ++i)
            row += (i ? "|" : "") + q.value(i).toString().toStdString();
          result.push_back(row);
        }
      }
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return result;
}

}  // namespace

std::string ExecDirect(const Backend& b, const std::string& sql) {
  std::vector<std::string> r = RunDirect(b, sql, false);
  return r.empty() ? "" : r[0].substr(7);
}

std::vector<std::string> QueryDirect(const Backend& b, const std::string& sql) {
  return RunDirect(b, sql, true);
}

bool PrepareBackend(const Backend& b, const std::vector<std::string>& tables, std::string* why) {
  if (!b.available) {
    *why = b.why;
    return false;
  }
  (void)WorkDir();
  ForgetThreadConnections();
  for (const std::string& t : tables) (void)ExecDirect(b, "DROP TABLE IF EXISTS \"" + t + "\"");
  return true;
}

}  // namespace kv::testing
