#include "tests/app/PgAdmin.h"

#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

namespace kv::test {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string Padded(std::string text, std::size_t length) {
  if (text.size() < length) text.append(length - text.size(), 'x');
  return text;
}

}  // namespace

bool PgAvailable() {
  return !Env("PGHOST").empty() && !Env("PGDATABASE").empty();
}
bool PgRequired() {
  return Env("KORVANDEL_REQUIRE_PG") == "1";
}
std::string PgServer() {
  std::string port = Env("PGPORT");
  return "postgresql://" + Env("PGHOST") + (port.empty() ? "" : ":" + port);
}
std::string PgAdminUser() {
  return Env("PGUSER");
}
std::string PgAdminPassword() {
  return Env("PGPASSWORD");
}

std::string PgExec(const std::string& sql) {
  TempDirectory dir;
  const std::string out = dir.File("error.txt");
  ChildProcess child([&]() -> int {
    std::string error;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "kv-admin");
      db.setHostName(QString::fromStdString(Env("PGHOST")));
      if (!Env("PGPORT").empty()) db.setPort(std::atoi(Env("PGPORT").c_str()));
      db.setDatabaseName(QString::fromStdString(Env("PGDATABASE")));
      db.setUserName(QString::fromStdString(Env("PGUSER")));
      db.setPassword(QString::fromStdString(Env("PGPASSWORD")));
      if (!db.open()) {
        error = db.lastError().text().toStdString();
      } else {
        QSqlQuery q(db);
        if (!q.exec(QString::fromStdString(sql))) error = q.lastError().text().toStdString();
      }
      db.close();
    }
    QSqlDatabase::removeDatabase("kv-admin");
    std::ofstream(out) << error;
    return 0;
  });
  if (child.Wait() != 0) return "the administrator's connection ended abnormally";
  std::ifstream in(out);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

PgScratch::PgScratch(const std::string& tag, std::size_t dbLength, std::size_t userLength,
                     const std::string& password) {
  const std::string pid = std::to_string(::getpid());
  database_ = Padded("kvc_" + tag + "_" + pid + "_", dbLength);
  if (userLength > 0) {
    user_ = Padded("kvu_" + pid + "_", userLength);
    password_ = password;
    ownRole_ = true;
    (void)PgExec("DROP DATABASE IF EXISTS \"" + database_ + "\"");
    (void)PgExec("DROP ROLE IF EXISTS \"" + user_ + "\"");
    error_ = PgExec("CREATE ROLE \"" + user_ + "\" LOGIN PASSWORD '" + password_ + "'");
  } else {
    user_ = PgAdminUser();
    password_ = PgAdminPassword();
    (void)PgExec("DROP DATABASE IF EXISTS \"" + database_ + "\"");
  }
  if (error_.empty()) {
    error_ = PgExec("CREATE DATABASE \"" + database_ + "\" OWNER \"" + user_ + "\"");
  }
}

PgScratch::~PgScratch() {
  (void)PgExec("DROP DATABASE IF EXISTS \"" + database_ + "\" WITH (FORCE)");
  if (ownRole_) (void)PgExec("DROP ROLE IF EXISTS \"" + user_ + "\"");
}

}  // namespace kv::test
