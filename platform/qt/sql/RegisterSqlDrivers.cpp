#include <atomic>
#include <memory>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/qt/sql/SqlTable.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/storage/TableDecl.h"
#include "platform/thread/LogicalThread.h"

namespace kv {

void RegisterSqlDrivers() {
  RegisterDriver(kSqlDriver, [](const TableDecl& decl) -> std::unique_ptr<Table> {
    return std::make_unique<SqlTable>(decl);
  });
  // A logical thread's tables and database connections go when the thread's end hooks run,
  // not later among the system thread's own exit steps: the process may already be ending then
  // (its main thread does not wait for that), and a connection closed after the database
  // library was torn down crashes. End hooks run in reverse order of registration, so the
  // program's own per-thread managers, hooked in later, are released before their tables.
  static std::atomic<bool> hooked{false};
  if (!hooked.exchange(true)) {
    AddThreadHooks(nullptr, [](int) {
      ReleaseThreadTables();
      ForgetThreadConnections();
    });
  }
}

}  // namespace kv
