#pragma once

// The database a products test runs on, as the connection dialog reaches it and as a test reads
// it behind the program's back: the embedded SQLite file in the test's folder, or a PostgreSQL
// database of its own on the test run's server.

#include <memory>
#include <string>
#include <vector>

#include "tests/app/PgAdmin.h"
#include "tests/support/TempDirectory.h"

namespace kv::test {

class ProductsDb {
 public:
  // `kind` is "sqlite" or "postgres". For PostgreSQL a scratch database is made (and dropped
  // with the object); Ok() is false when that failed or no server is there.
  ProductsDb(const std::string& kind, const TempDirectory& folder);

  bool Postgres() const { return kind_ == "postgres"; }
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  // Script lines that connect from the "MSSQL Connect" dialog ("shop" on SQLite).
  std::string ConnectLines() const;
  // Writes the dialog's entries for this database, remembered and with "Auto Connect next
  // time", into the settings file in `folder`: the program then connects by itself.
  void WriteAutoConnect(const std::string& folder) const;
  // Runs `sql` on the database (another station); "" or the error text.
  std::string Exec(const std::string& sql) const;
  // Every product as "PCODE|DESCRIPTION|PRICE|PROVIDERID" in code order, texts clipped of
  // trailing blanks, the price with two decimals.
  std::vector<std::string> Products() const;

 private:
  std::string kind_;
  std::string sqliteFile_;
  std::unique_ptr<PgScratch> pg_;
  std::string error_;
};

// Skips the test (or fails it under tools/test.sh) when `kind` is PostgreSQL and no server is
// there; true when the test can go on.
bool DatabaseAvailable(const std::string& kind);

}  // namespace kv::test
