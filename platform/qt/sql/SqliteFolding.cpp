#include "platform/qt/sql/SqliteFolding.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <cstring>

#include "platform/qt/sql/SqliteFoldFunctions.h"

namespace kv {

// The QSQLITE driver hands out its sqlite3* as a QVariant of that type name. The driver links
// the system's SQLite library, the same one this library links, so the handle is valid here.
bool AddSqliteFolding(const QSqlDatabase& db) {
  if (!db.isOpen() || db.driverName() != "QSQLITE" || !db.driver()) return false;
  const QVariant handle = db.driver()->handle();
  if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0) return false;
  sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
  return connection && RegisterSqliteFolding(connection) == 0;
}

}  // namespace kv
