#include "platform/expr/SqlFunctionDialect.h"
#include "platform/storage/Dialect.h"

namespace kv {

const SqlFunctionDialect& Dialect::Functions() const {
  static const SqliteFunctionDialect sqlite;
  static const PostgresFunctionDialect postgres;
  static const SqlServerFunctionDialect sqlServer;
  switch (Kind()) {
    case DatabaseKind::kPostgres:
      return postgres;
    case DatabaseKind::kSqlServer:
      return sqlServer;
    case DatabaseKind::kSqlite:
      break;
  }
  return sqlite;
}

}  // namespace kv
