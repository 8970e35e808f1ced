#pragma once

// The table the keyset paging and plan tests page through: an identity, a group with few
// values, a decimal, a small number, a name compared ignoring case and a nullable note, with a
// key for each kind of order (mixed directions, case-insensitive, descending, three parts).

#include <memory>
#include <string>

#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/values/FieldTable.h"

namespace kv::testing {

struct PageRecord {
  Long ID;
  String<10> GRP;
  Decimal<9, 2> AMT;
  Long N;
  String<20> NAME;
  String<10> NOTE;
};

enum PageField { kId, kGrp, kAmt, kN, kName, kNote };

const FieldTableLayout& PageLayout();

// Keys: 1 KP:PK (ID), 2 KP:ByGrpAmt (+GRP,-AMT), 3 KP:ByName (NAME ignoring case), 4 KP:ByN
// (-N), 5 KP:ByGrpNAmt (+GRP,+N,+AMT); the external columns are Id, Grp, Amt, N, Name, Note.
std::unique_ptr<TableDecl> MakePageDecl(const std::string& name, const std::string& owner);

}  // namespace kv::testing
