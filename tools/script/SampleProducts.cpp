#include "tools/script/SampleProducts.h"

#include <memory>

namespace kv::sample {

const FieldTableLayout& ProductLayout() {
  static const FieldTable fields = FieldTable::For<ProductRec>({
      KV_FIELD(ProductRec, PCODE, "PRO:PCODE", "@s20", "Code"),
      KV_FIELD(ProductRec, DESCRIPTION, "PRO:DESCRIPTION", "@s40", "Description"),
      KV_FIELD(ProductRec, PRICE, "PRO:PRICE", "@n9.2", "Price"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

const FieldTable& ProductRowFields() {
  static const FieldTable fields = FieldTable::For<ProductRow>({
      KV_FIELD(ProductRow, PCODE, "ROW:PCODE", "@s20", ""),
      KV_FIELD(ProductRow, DESCRIPTION, "ROW:DESCRIPTION", "@s40", ""),
      KV_FIELD(ProductRow, PRICE, "ROW:PRICE", "@n9.2", ""),
      KV_FIELD(ProductRow, VIEWPOSITION, "ROW:VIEWPOSITION", "@s255", ""),
  });
  return fields;
}

std::unique_ptr<TableDecl> MakeProductsDecl(const char* ownerText) {
  auto d = std::make_unique<TableDecl>("Products", "Products", kSqlDriver, ProductLayout());
  d->SetOwnerText(ownerText);
  d->AddKey({"PRO:PK_Pcode", "", {{0, true}}, false, false, true});
  return d;
}

}  // namespace kv::sample
