#include "app/data/ProductsTables.h"

#include <cstddef>

#include "app/Globals.h"
#include "platform/storage/Table.h"

namespace kv {

const FieldTable& ProductsFields() {
  static const FieldTable table = FieldTable::For<ProductsRecord>({
      KV_FIELD(ProductsRecord, PCODE, "PRO:PCODE", "@s20", "PCODE"),
      KV_FIELD(ProductsRecord, DESCRIPTION, "PRO:DESCRIPTION", "@s50", "DESCRIPTION"),
      KV_FIELD(ProductsRecord, PRICE, "PRO:PRICE", "@n-14.2", "PRICE"),
      KV_FIELD(ProductsRecord, PROVIDERID, "PRO:PROVIDERID", "@n-14", "PROVIDERID"),
  });
  return table;
}

// Each column has its own external name: a table whose columns shared one name could not be
// created.
const FieldTable& SQLInterfaceFields() {
  static const FieldTable table = FieldTable::For<SQLInterfaceRecord>({
      KV_FIELD(SQLInterfaceRecord, FIELD01, "SQL:FIELD01", "@s255", "Field01"),
      KV_FIELD(SQLInterfaceRecord, FIELD02, "SQL:FIELD02", "@s255", "Field02"),
      KV_FIELD(SQLInterfaceRecord, FIELD03, "SQL:FIELD03", "@s255", "Field03"),
      KV_FIELD(SQLInterfaceRecord, FIELD04, "SQL:FIELD04", "@s255", "Field04"),
      KV_FIELD(SQLInterfaceRecord, FIELD05, "SQL:FIELD05", "@s255", "Field05"),
      KV_FIELD(SQLInterfaceRecord, FIELD06, "SQL:FIELD06", "@s255", "Field06"),
      KV_FIELD(SQLInterfaceRecord, FIELD07, "SQL:FIELD07", "@s255", "Field07"),
      KV_FIELD(SQLInterfaceRecord, FIELD08, "SQL:FIELD08", "@s255", "Field08"),
  });
  return table;
}

const FieldTableLayout& ProductsLayout() {
  static const FieldTableLayout layout(ProductsFields());
  return layout;
}

const FieldTableLayout& SQLInterfaceLayout() {
  static const FieldTableLayout layout(SQLInterfaceFields());
  return layout;
}

const TableDecl& ProductsTable() {
  static const TableDecl& decl = []() -> const TableDecl& {
    static TableDecl d("Products", "Products", kSqlDriver, ProductsLayout());
    d.SetOwner([] { return ConnectionOwner.Get(); });
    KeyDecl key;
    key.label = kProductsKeyPcodeName;
    key.components = {KeyComponent{0, true}};
    key.duplicates = false;
    key.noCase = false;
    key.primary = true;
    d.AddKey(std::move(key));
    return d;
  }();
  return decl;
}

const TableDecl& SQLInterfaceTable() {
  static const TableDecl& decl = []() -> const TableDecl& {
    static TableDecl d("SQLInterface", "SQLInterface", kSqlDriver, SQLInterfaceLayout());
    d.SetOwner([] { return ConnectionOwner.Get(); });
    d.SetDriverOptions(kSQLInterfaceOptions);
    return d;
  }();
  return decl;
}

ProductsRecord& ProductsBuffer() {
  return ProductsTable().Instance().RecordAs<ProductsRecord>();
}

SQLInterfaceRecord& SQLInterfaceBuffer() {
  return SQLInterfaceTable().Instance().RecordAs<SQLInterfaceRecord>();
}

}  // namespace kv
