#pragma once

struct sqlite3;

namespace kv {

// Registers on SQLite connection `db` the functions KV_UPPER(x) and KV_LOWER(x), through which
// the SQLite dialect folds case: x as text (NULL stays NULL) folded by UpperText, respectively
// Utf8Lower, exactly as the runtime's own UPPER and LOWER, so that a case-insensitive order or
// filter on SQLite selects what local evaluation selects. Both are deterministic and harmless,
// so indexes may use them; a client without them can read such a table but not change it.
// Returns SQLite's result code (0 on success). Thread: that of the connection.
int RegisterSqliteFolding(sqlite3* db);

}  // namespace kv
