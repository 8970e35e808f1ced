#pragma once

#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/values/Decimal.h"
#include "platform/values/FieldTable.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"

namespace kv {

// The program's data dictionary: its two tables, both on the database named by the connection
// string (ConnectionOwner, app/Globals.h), which each table reads when it is opened.
//
//   Products      prefix PRO, external name "Products", no driver options. One key,
//                 PRO:PK_Pcode (PRO:PCODE ascending, unique, case-sensitive), the table's
//                 primary key. The products browse and form maintain it.
//   SQLInterface  prefix SQL, external name "SQLInterface", driver options "/TURBOSQL=TRUE".
//                 Eight text columns "Field01" to "Field08", no keys. Its only use is to prove
//                 a connection: the connection dialog opens it (creating it when missing).
//
// Both tables are threaded: each logical thread has its own instance with its own record
// buffer, position and open state (TableDecl::Instance()), so a browse on one thread and a form
// on another never share a buffer. The declarations are built on first use and live until the
// process ends. Thread: any.

// The Products record, 80 bytes.
struct ProductsRecord {
  String<20> PCODE;        // PRO:PCODE, picture @s20, the key field
  String<50> DESCRIPTION;  // PRO:DESCRIPTION, @s50
  Decimal<11, 2> PRICE;    // PRO:PRICE, @n-14.2 (6 bytes)
  Long PROVIDERID;         // PRO:PROVIDERID, @n-14
};
static_assert(sizeof(ProductsRecord) == 80, "the Products record is 80 bytes");
static_assert(kIsRecordType<ProductsRecord>);

// The SQLInterface record, 2048 bytes: eight CSTRING(256) fields SQL:FIELD01 .. SQL:FIELD08
// stored in the columns "Field01" .. "Field08".
struct SQLInterfaceRecord {
  CString<256> FIELD01;
  CString<256> FIELD02;
  CString<256> FIELD03;
  CString<256> FIELD04;
  CString<256> FIELD05;
  CString<256> FIELD06;
  CString<256> FIELD07;
  CString<256> FIELD08;
};
static_assert(sizeof(SQLInterfaceRecord) == 2048, "the SQLInterface record is 2048 bytes");
static_assert(kIsRecordType<SQLInterfaceRecord>);

// Field tables (labels, pictures, external column names) and the storage layouts over them.
const FieldTable& ProductsFields();
const FieldTable& SQLInterfaceFields();
const FieldTableLayout& ProductsLayout();
const FieldTableLayout& SQLInterfaceLayout();

// The declarations. The owner is read from ConnectionOwner at each open, so a connection made
// by the dialog is seen by every thread's next open.
const TableDecl& ProductsTable();
const TableDecl& SQLInterfaceTable();

// Number of PRO:PK_Pcode in the Products declaration (keys count from 1).
inline constexpr int kProductsKeyPcode = 1;
// The key's name, as messages and the file manager show it.
inline constexpr const char* kProductsKeyPcodeName = "PRO:PK_Pcode";
// Driver options of SQLInterface; the SQL driver accepts and ignores them.
inline constexpr const char* kSQLInterfaceOptions = "/TURBOSQL=TRUE";

// The calling thread's record buffers (its instances of the tables). Thread: any; each thread
// gets its own.
ProductsRecord& ProductsBuffer();
SQLInterfaceRecord& SQLInterfaceBuffer();

}  // namespace kv
