#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kv {

class Table;
class TableDecl;

// Creates the Table instance of a declaration for its driver.
using TableFactory = std::function<std::unique_ptr<Table>(const TableDecl&)>;

// Registers (or replaces) the factory of driver `name` (compared ignoring case). The text
// driver is registered by the registry itself; the SQL drivers are registered by
// RegisterSqlDrivers(). Thread: any.
void RegisterDriver(const std::string& name, TableFactory factory);

// True when a driver of that name is registered. Thread: any.
bool HasDriver(const std::string& name);

// A new instance of `decl` from its driver's factory. An unknown driver gives an instance whose
// every operation fails with kDriverError and a text naming the missing driver (so a program
// that forgot to register its drivers says so instead of crashing). Thread: any.
std::unique_ptr<Table> CreateTableInstance(const TableDecl& decl);

// Registers the SQL drivers (Qt SQL: SQLite, PostgreSQL, SQL Server through ODBC) under the
// name "SQL". Declared here so that toolkit-free code can name it; defined in the Qt SQL
// library (korvandel_sql), which must be linked. Registration is explicit because a static
// initialiser inside a static library is dropped by the linker: program main and every test
// program using SQL tables call this once before the first table is used. Calling it again
// does nothing. Thread: any.
void RegisterSqlDrivers();

}  // namespace kv
