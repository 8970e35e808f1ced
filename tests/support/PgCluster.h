#pragma once

#include <string>

namespace kv::test {

// A PostgreSQL server of the test's own, in a temporary folder, on a free port of 127.0.0.1,
// that the test may stop and start again (a server that goes away and comes back). It runs
// the installed server programs (/usr/lib/postgresql/N/bin); as root it runs them as the user
// "postgres", since the server refuses to run as root. Authentication is "trust" for the user
// "korvandel". The folder is removed, and the server stopped, when the object is destroyed.
//
// Thread: one thread uses the object; Start and Stop block until the server is up or down.
class PgCluster {
 public:
  // Creates the cluster (initdb) and starts it. Ok() says whether that worked, Error() why not.
  PgCluster();
  ~PgCluster();
  PgCluster(const PgCluster&) = delete;
  PgCluster& operator=(const PgCluster&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  int Port() const { return port_; }
  // The owner string that reaches its database "postgres" as "korvandel".
  std::string Owner() const;

  // Stops the server at once (open connections are ended) / starts it again on the same port.
  // True on success.
  bool Stop();
  bool Start();
  // Runs `sql` with psql as "korvandel" on "postgres" (behind the program's back): the rows of
  // its result, one a line with the fields joined by "|", or "error: ..." when it failed.
  std::string Query(const std::string& sql) const;

 private:
  bool Run(const std::string& command);

  std::string dir_;
  std::string bin_;
  std::string error_;
  int port_ = 0;
  bool asPostgres_ = false;
};

}  // namespace kv::test
