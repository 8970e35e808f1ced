#pragma once

// The databases the storage suite runs on, and a products-like table declared on them.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/Table.h"
#include "platform/values/FieldTable.h"

namespace kv::testing {

struct ItemRecord {
  String<20> CODE;
  String<50> DESCRIPTION;
  Decimal<20, 2> PRICE;
  Long PROVIDER;
};

const FieldTable& ItemFields();
const FieldTableLayout& ItemLayout();

// One database to run the suite on.
struct Backend {
  std::string name;       // "sqlite", "postgres", "postgres_odbc", "sqlite_odbc"
  bool available = true;  // false: skipped (or failed when the server is required)
  std::string why;        // why it is not available
};

std::vector<Backend> AllBackends();
inline void PrintTo(const Backend& b, std::ostream* os) {
  *os << b.name;
}

// Names unique to this test process: ctest runs test cases as parallel processes against the
// same PostgreSQL database, so each uses its own table and role.
std::string UniqueName(const std::string& base);

// Prepares `backend` for a test: an empty database reached by Owner(). Tables named `table`
// are dropped first. Returns false (and why) when the backend cannot be used.
bool PrepareBackend(const Backend& backend, const std::vector<std::string>& tables,
                    std::string* why);

// The owner string that reaches the backend's database (as `user` with `password` when given).
std::string OwnerFor(const Backend& backend, const std::string& user = {},
                     const std::string& password = {});

// Runs one SQL statement directly on the backend (setting up roles, changing rows behind the
// driver's back). Returns the error text, empty on success.
std::string ExecDirect(const Backend& backend, const std::string& sql);

// Runs one query directly on the backend; each result row as its columns joined by "|". On a
// failure the single row is "error: " and the error text.
std::vector<std::string> QueryDirect(const Backend& backend, const std::string& sql);

// True when tests must fail rather than skip without a PostgreSQL server.
bool PostgresRequired();

}  // namespace kv::testing
