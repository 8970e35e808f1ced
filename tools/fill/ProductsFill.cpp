#include "tools/fill/ProductsFill.h"

#include <cstdio>

#include "app/Globals.h"
#include "app/data/ProductsTables.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/LastError.h"
#include "platform/storage/Table.h"

namespace kv {
namespace {

// Rows per insert statement: few enough for every server's limit on bound values.
constexpr int kRowsPerInsert = 250;

const char* const kWords[] = {"bolt",   "washer", "hinge", "bracket",
                              "gasket", "pipe",   "valve", "nut"};

}  // namespace

GeneratedProduct ProductNumber(std::int64_t n) {
  GeneratedProduct p;
  char text[64];
  std::snprintf(text, sizeof text, "%c%07lld", char('A' + (n - 1) % 26), static_cast<long long>(n));
  p.code = text;
  std::snprintf(text, sizeof text, "Product %lld %s", static_cast<long long>(n),
                kWords[n % (sizeof kWords / sizeof kWords[0])]);
  p.description = text;
  const std::int64_t cents = (n * 7919) % 99999 + 1;
  std::snprintf(text, sizeof text, "%lld.%02lld", static_cast<long long>(cents / 100),
                static_cast<long long>(cents % 100));
  p.price = text;
  p.provider = static_cast<std::int32_t>(n % 500 + 1);
  return p;
}

std::string FillProducts(const std::string& owner, std::int64_t count, bool replace,
                         const std::function<void(std::int64_t)>& progress) {
  ConnectionOwner.Set(owner);
  // The table is opened (and created when missing) through its declaration, as the program
  // does, so that it has the program's columns and key.
  Table& table = ProductsTable().Instance();
  ErrorCode e = table.Open(kOpenReadWrite | kShareDenyNone);
  if (e == kNoFileError) {
    if (table.Create() != kNoError) return "the table could not be created: " + LastError().text;
    e = table.Open(kOpenReadWrite | kShareDenyNone);
  }
  if (e != kNoError) return "the table could not be opened: " + LastError().text;
  StorageError error;
  std::shared_ptr<SqlConnection> conn = ConnectionFor(owner, &error);
  if (!conn) return "no connection: " + error.driverText;
  const Dialect& d = conn->SqlDialect();
  const std::string name = d.QuoteIdentifier(ProductsTable().ExternalName());
  std::string failure;
  if (StorageError b = conn->Begin(60); !b.ok()) failure = b.driverText;
  if (failure.empty() && replace) {
    if (StorageError r = conn->Exec({"DELETE FROM " + name, {}}); !r.ok()) failure = r.driverText;
  }
  std::string head = "INSERT INTO " + name + " (";
  for (int f = 1; f <= ProductsFields().Count(); ++f)
    head += (f > 1 ? ", " : "") + d.QuoteIdentifier(ProductsFields().Field(f)->ColumnName());
  head += ") VALUES ";
  for (std::int64_t first = 1; failure.empty() && first <= count; first += kRowsPerInsert) {
    const std::int64_t last = std::min<std::int64_t>(count, first + kRowsPerInsert - 1);
    Statement st;
    st.sql = head;
    for (std::int64_t n = first; n <= last; ++n) {
      const GeneratedProduct p = ProductNumber(n);
      const SqlValue values[] = {SqlValue::Text(p.code), SqlValue::Text(p.description),
                                 SqlValue::Decimal(p.price), SqlValue::Integer(p.provider)};
      st.sql += n > first ? ", (" : "(";
      for (int v = 0; v < 4; ++v) {
        st.sql += (v > 0 ? ", " : "") + d.Placeholder(values[v]);
        st.binds.push_back(values[v]);
      }
      st.sql += ")";
    }
    if (StorageError r = conn->Exec(st); !r.ok()) failure = r.driverText;
    if (progress && (last % 100000 == 0 || last == count)) progress(last);
  }
  if (failure.empty()) {
    if (StorageError c = conn->Commit(); !c.ok()) failure = c.driverText;
  } else {
    (void)conn->Rollback();
  }
  (void)table.Close();
  return failure;
}

}  // namespace kv
