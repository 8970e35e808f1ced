#pragma once

class QSqlDatabase;

namespace kv {

// Gives the open Qt SQLite connection `db` the case-folding functions of the SQLite dialect
// (RegisterSqliteFolding). Every SQLite connection the program opens gets them; tests that open
// their own connections call this too. Returns false, and changes nothing, when `db` is not an
// open SQLite connection of the QSQLITE driver or the functions cannot be registered.
// Thread: that of the connection.
bool AddSqliteFolding(const QSqlDatabase& db);

}  // namespace kv
