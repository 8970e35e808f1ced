#pragma once

// The products record and list row the sample lists share, and the declaration of a sample's
// own Products table over the embedded database.

#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/values/Decimal.h"

namespace kv::sample {

struct ProductRec {
  String<20> PCODE;
  String<40> DESCRIPTION;
  Decimal<9, 2> PRICE;
};
struct ProductRow {
  String<20> PCODE;
  String<40> DESCRIPTION;
  Decimal<9, 2> PRICE;
  String<1024> VIEWPOSITION;
};

const FieldTableLayout& ProductLayout();
const FieldTable& ProductRowFields();

// A new declaration of the Products table keyed on its code, opened with `ownerText` (which
// names the sample's own database). The caller keeps it for the life of the program.
std::unique_ptr<TableDecl> MakeProductsDecl(const char* ownerText);

}  // namespace kv::sample
