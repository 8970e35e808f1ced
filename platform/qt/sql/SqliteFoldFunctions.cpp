#include "platform/qt/sql/SqliteFoldFunctions.h"

// Built twice: into the SQL driver library, which registers the functions on the connections
// it opens through their handle, and (KORVANDEL_SQLITE_EXTENSION) into a loadable extension for
// connections opened by others, such as an ODBC driver's (its LoadExt setting).
#ifdef KORVANDEL_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1
#else
#include <sqlite3.h>
#endif

#include <string>
#include <string_view>

#include "platform/expr/Utf8.h"
#include "platform/values/Utf8Text.h"

namespace kv {

namespace {

void Fold(sqlite3_context* context, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const unsigned char* text = sqlite3_value_text(args[0]);
  if (!text) {  // out of memory
    sqlite3_result_error_nomem(context);
    return;
  }
  const std::string_view in(reinterpret_cast<const char*>(text),
                            size_t(sqlite3_value_bytes(args[0])));
  const std::string out = sqlite3_user_data(context) ? UpperText(in) : Utf8Lower(in);
  sqlite3_result_text(context, out.data(), int(out.size()), SQLITE_TRANSIENT);
}

}  // namespace

int RegisterSqliteFolding(sqlite3* db) {
  static int upper = 1;
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  int rc =
      sqlite3_create_function_v2(db, "KV_UPPER", 1, flags, &upper, Fold, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function_v2(db, "KV_LOWER", 1, flags, nullptr, Fold, nullptr, nullptr,
                                    nullptr);
  return rc;
}

}  // namespace kv

#ifdef KORVANDEL_SQLITE_EXTENSION
// The entry point SQLite looks for in a loadable extension.
extern "C" __attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3* db, char**, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  return kv::RegisterSqliteFolding(db);
}
#endif
