#include <memory>

#include "platform/qt/sql/SqlTable.h"
#include "platform/storage/DriverRegistry.h"

namespace kv {

void RegisterSqlDrivers() {
  RegisterDriver(kSqlDriver, [](const TableDecl& decl) -> std::unique_ptr<Table> {
    return std::make_unique<SqlTable>(decl);
  });
}

}  // namespace kv
