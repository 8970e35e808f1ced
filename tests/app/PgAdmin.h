#pragma once

#include <string>

namespace kv::test {

// The throw-away PostgreSQL server of the test run (pg_virtualenv exports PGHOST, PGPORT,
// PGUSER, PGPASSWORD, PGDATABASE). Tests that need it skip when it is missing, unless
// KORVANDEL_REQUIRE_PG=1, when they fail.
bool PgAvailable();
bool PgRequired();
// "postgresql://host:port", as the dialog's server entry takes it.
std::string PgServer();
std::string PgAdminUser();
std::string PgAdminPassword();
// Runs `sql` as the administrator on the administrator's database, in a child process (the
// caller may fork later). Returns "" on success, else the error text.
std::string PgExec(const std::string& sql);

// A database of its own for one test, optionally owned by a login role of its own; both are
// dropped when the object goes away. Names are made unique per process and padded with "x" to
// the lengths asked for (0: no padding).
class PgScratch {
 public:
  PgScratch(const std::string& tag, std::size_t dbLength, std::size_t userLength,
            const std::string& password);
  ~PgScratch();
  PgScratch(const PgScratch&) = delete;
  PgScratch& operator=(const PgScratch&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  const std::string& Database() const { return database_; }
  const std::string& User() const { return user_; }  // the administrator when none was made
  const std::string& Password() const { return password_; }

 private:
  std::string database_;
  std::string user_;
  std::string password_;
  bool ownRole_ = false;
  std::string error_;
};

}  // namespace kv::test
