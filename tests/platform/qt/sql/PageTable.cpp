#include "PageTable.h"

namespace kv::testing {

namespace {

const FieldTable& PageFields() {
  static const FieldTable table = FieldTable::For<PageRecord>({
      KV_FIELD(PageRecord, ID, "KP:ID", "@n-9", "Id"),
      KV_FIELD(PageRecord, GRP, "KP:GRP", "@s10", "Grp"),
      KV_FIELD(PageRecord, AMT, "KP:AMT", "@n-12.2", "Amt"),
      KV_FIELD(PageRecord, N, "KP:N", "@n-9", "N"),
      KV_FIELD(PageRecord, NAME, "KP:NAME", "@s20", "Name"),
      KV_FIELD(PageRecord, NOTE, "KP:NOTE", "@s10", "Note"),
  });
  return table;
}

}  // namespace

const FieldTableLayout& PageLayout() {
  static const FieldTableLayout layout(PageFields());
  return layout;
}

std::unique_ptr<TableDecl> MakePageDecl(const std::string& name, const std::string& owner) {
  auto d = std::make_unique<TableDecl>("Pages", name, kSqlDriver, PageLayout());
  d->SetOwnerText(owner);
  d->AddKey({"KP:PK", "", {{kId, true}}, false, false, true});
  d->AddKey({"KP:ByGrpAmt", "", {{kGrp, true}, {kAmt, false}}, true, false, false});
  d->AddKey({"KP:ByName", "", {{kName, true}}, true, true, false});
  d->AddKey({"KP:ByN", "", {{kN, false}}, true, false, false});
  d->AddKey({"KP:ByGrpNAmt", "", {{kGrp, true}, {kN, true}, {kAmt, true}}, true, false, false});
  return d;
}

}  // namespace kv::testing
