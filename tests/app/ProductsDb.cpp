#include "tests/app/ProductsDb.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/ConnectSettings.h"
#include "tests/app/ProgramSession.h"
#include "tests/support/ChildProcess.h"

namespace kv::test {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string Clipped(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

bool DatabaseAvailable(const std::string& kind) {
  if (kind != "postgres" || PgAvailable()) return true;
  if (PgRequired()) {
    ADD_FAILURE() << "PostgreSQL is required (PGHOST/PGDATABASE not set)";
    return false;
  }
  return false;
}

ProductsDb::ProductsDb(const std::string& kind, const TempDirectory& folder) : kind_(kind) {
  if (kind_ == "postgres") {
    if (!PgAvailable()) {
      error_ = "no PostgreSQL server";
      return;
    }
    // A login role of its own: the dialog's password entry holds 19 characters, fewer than the
    // test server's administrator password may have.
    pg_ = std::make_unique<PgScratch>("products", 0, 1, "kv-secret-1");
    if (!pg_->Ok()) error_ = pg_->Error();
  } else {
    sqliteFile_ = folder.File("shop.sqlite");
  }
}

std::string ProductsDb::ConnectLines() const {
  std::string lines = "window \"MSSQL Connect\"\n";
  if (Postgres()) {
    lines += "type \"?LOC:SERVER\" \"" + PgServer() + "\"\n";
    lines += "type \"?LOC:DBNAME\" \"" + pg_->Database() + "\"\n";
    lines += "type \"?LOC:USER\" \"" + pg_->User() + "\"\n";
    lines += "type \"?LOC:PASS\" \"" + pg_->Password() + "\"\n";
  } else {
    lines += "type \"?LOC:DBNAME\" \"shop\"\n";
  }
  return lines + "press \"?OKBUTTON\"\ncheck closed \"MSSQL Connect\"";
}

void ProductsDb::WriteAutoConnect(const std::string& folder) const {
  ConnectEntries e;
  if (Postgres()) {
    e.server = PgServer();
    e.dbName = pg_->Database();
    e.user = pg_->User();
    e.pass = pg_->Password();
  } else {
    e.dbName = "shop";
  }
  e.remeberUP = 1;
  e.autoConnect = 1;
  (void)SaveConnectEntries(e, folder + "/Korvandel.INI");
}

// Each statement runs in a child process with a connection of its own, so that the test
// process never holds a database connection across the forks of the program.
std::string ProductsDb::Exec(const std::string& sql) const {
  TempDirectory dir;
  const std::string out = dir.File("out.txt");
  ChildProcess child([&]() -> int {
    std::string result;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(Postgres() ? "QPSQL" : "QSQLITE", "kv-products");
      if (Postgres()) {
        db.setHostName(QString::fromStdString(Env("PGHOST")));
        if (!Env("PGPORT").empty()) db.setPort(std::atoi(Env("PGPORT").c_str()));
        db.setDatabaseName(QString::fromStdString(pg_->Database()));
        db.setUserName(QString::fromStdString(pg_->User()));
        db.setPassword(QString::fromStdString(pg_->Password()));
      } else {
        db.setDatabaseName(QString::fromStdString(sqliteFile_));
      }
      if (!db.open()) {
        result = "error " + db.lastError().text().toStdString();
      } else {
        QSqlQuery q(db);
        if (!q.exec(QString::fromStdString(sql))) {
          result = "error " + q.lastError().text().toStdString();
        } else {
          while (q.next()) {
            std::string line;
            for (int i = 0; i < q.record().count(); ++i)
              line += (i ? "|" : "") + Clipped(q.value(i).toString().toStdString());
            result += line + "\n";
          }
        }
      }
      db.close();
    }
    QSqlDatabase::removeDatabase("kv-products");
    std::ofstream(out) << result;
    return 0;
  });
  if (child.Wait() != 0) return "error: the connection ended abnormally";
  return ReadFile(out);
}

std::vector<std::string> ProductsDb::Products() const {
  const std::string text = Exec(
      "SELECT \"PCODE\", \"DESCRIPTION\", \"PRICE\", \"PROVIDERID\" FROM \"Products\" "
      "ORDER BY \"PCODE\"");
  std::vector<std::string> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    // The servers write the price with their own number of places.
    const std::size_t a = line.find('|'), b = line.find('|', a + 1), c = line.find('|', b + 1);
    if (c != std::string::npos) {
      char price[64];
      std::snprintf(price, sizeof price, "%.2f", std::atof(line.substr(b + 1, c - b - 1).c_str()));
      line = line.substr(0, b + 1) + price + line.substr(c);
    }
    rows.push_back(line);
  }
  return rows;
}

}  // namespace kv::test
