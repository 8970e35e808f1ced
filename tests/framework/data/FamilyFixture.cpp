#include "FamilyFixture.h"

namespace kv::testing {

namespace {

const FieldTableLayout& ParentLayout() {
  static const FieldTable fields = FieldTable::For<ParentRec>({
      KV_FIELD(ParentRec, ID, "PAR:ID", "@n-14", "Id"),
      KV_FIELD(ParentRec, CODE, "PAR:CODE", "@s10", "Code"),
      KV_FIELD(ParentRec, NAME, "PAR:NAME", "@s20", "Name"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}
const FieldTableLayout& ChildLayout() {
  static const FieldTable fields = FieldTable::For<ChildRec>({
      KV_FIELD(ChildRec, ID, "CHI:ID", "@n-14", "Id"),
      KV_FIELD(ChildRec, PCODE, "CHI:PCODE", "@s10", "Pcode"),
      KV_FIELD(ChildRec, CODE, "CHI:CODE", "@s10", "Code"),
      KV_FIELD(ChildRec, AMOUNT, "CHI:AMOUNT", "@n-12.2", "Amount"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}
const FieldTableLayout& GrandLayout() {
  static const FieldTable fields = FieldTable::For<GrandRec>({
      KV_FIELD(GrandRec, ID, "GRA:ID", "@n-14", "Id"),
      KV_FIELD(GrandRec, CCODE, "GRA:CCODE", "@s10", "Ccode"),
      KV_FIELD(GrandRec, NOTE, "GRA:NOTE", "@s20", "Note"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

std::unique_ptr<TableDecl> Declare(const std::string& label, const std::string& name,
                                   const FieldTableLayout& layout, const std::string& owner,
                                   const std::string& prefix) {
  auto d = std::make_unique<TableDecl>(label, name, kSqlDriver, layout);
  d->SetOwnerText(owner);
  d->AddKey({prefix + ":PK_Id", "", {{0, true}}, false, false, true});
  d->AddKey({prefix + ":ByLink", "", {{1, true}, {0, true}}, true, false, false});
  return d;
}

}  // namespace

std::vector<std::string> Family::Tables() {
  return {UniqueName("FamParent"), UniqueName("FamChild"), UniqueName("FamGrand")};
}

Family::Family(const std::string& owner, ErrorManager& errors, bool transactions) {
  std::vector<std::string> t = Tables();
  parentDecl = Declare("Parents", t[0], ParentLayout(), owner, "PAR");
  parentDecl->AddKey({"PAR:ByCode", "", {{1, true}}, false, false, false});
  parentDecl->AddKey({"PAR:ByName", "", {{2, true}}, true, true, false});  // ignores case
  childDecl = Declare("Children", t[1], ChildLayout(), owner, "CHI");
  childDecl->AddKey({"CHI:ByCode", "", {{2, true}}, false, false, false});
  grandDecl = Declare("Grandchildren", t[2], GrandLayout(), owner, "GRA");
  using Keys = std::vector<TestFileManager::KeySpec>;
  parent = std::make_unique<FamilyFileManager>(
      *parentDecl, errors, Keys{{1, "", 0}, {2, "", 0}, {3, "", 0}, {4, "", 0}}, "Parents");
  child = std::make_unique<FamilyFileManager>(*childDecl, errors,
                                              Keys{{1, "", 0}, {2, "", 0}, {3, "", 0}}, "Children");
  grand = std::make_unique<FamilyFileManager>(*grandDecl, errors, Keys{{1, "", 0}, {2, "", 0}},
                                              "Grandchildren");
  for (TestFileManager* fm : {parent.get(), child.get(), grand.get()}) fm->Init();
  parentRel.Init(*parent, transactions);
  childRel.Init(*child, transactions);
  grandRel.Init(*grand, transactions);
}

Family::~Family() {
  parentRel.Kill();
  childRel.Kill();
  grandRel.Kill();
  for (TestFileManager* fm : {parent.get(), child.get(), grand.get()}) fm->Kill();
}

void Family::Relate(std::uint8_t childUpdate, std::uint8_t childDelete, std::uint8_t grandUpdate,
                    std::uint8_t grandDelete) {
  parentRel.define = [=, this](TestRelations& r) {
    r.AddRelation(childRel,
                  {{VarRef(parent->Rec<ParentRec>().CODE), VarRef(child->Rec<ChildRec>().PCODE)}},
                  2, childUpdate, childDelete);
  };
  childRel.define = [=, this](TestRelations& r) {
    r.AddRelation(grandRel,
                  {{VarRef(child->Rec<ChildRec>().CODE), VarRef(grand->Rec<GrandRec>().CCODE)}}, 2,
                  grandUpdate, grandDelete);
  };
}

ResultLevel Family::AddParent(int id, const char* code, const char* name) {
  ParentRec& r = parent->Rec<ParentRec>();
  parent->FILE->Decl().Layout().Clear(&r);
  r.ID = id;
  r.CODE = code;
  r.NAME = name;
  return parent->Insert();
}

ResultLevel Family::AddChild(int id, const char* pcode, const char* code, const char* amount) {
  ChildRec& r = child->Rec<ChildRec>();
  child->FILE->Decl().Layout().Clear(&r);
  r.ID = id;
  r.PCODE = pcode;
  r.CODE = code;
  (void)r.AMOUNT.SetText(amount);
  return child->Insert();
}

ResultLevel Family::AddGrand(int id, const char* ccode, const char* note) {
  GrandRec& r = grand->Rec<GrandRec>();
  grand->FILE->Decl().Layout().Clear(&r);
  r.ID = id;
  r.CCODE = ccode;
  r.NOTE = note;
  return grand->Insert();
}

bool Family::Load(TestFileManager& fm, int id) {
  fm.FILE->Decl().Layout().Clear(fm.BUFFER.address);
  fm.FILE->Decl().Layout().Set(fm.BUFFER.address, 0, SqlValue::Integer(id));  // the ID
  return fm.TryFetch(1) == Benign;
}

std::vector<std::string> Family::Rows(TestFileManager& fm) {
  std::vector<std::string> out;
  std::uint16_t state = fm.SaveFile();
  EXPECT_EQ(fm.FILE->SetKey(1), kNoError);
  const RecordLayout& layout = fm.FILE->Decl().Layout();
  while (fm.TryNext() == Benign)
    out.push_back(std::to_string(layout.Get(fm.BUFFER.address, 0).integer) + ":" +
                  layout.Get(fm.BUFFER.address, 1).text);
  fm.RestoreFile(state, true);
  return out;
}

}  // namespace kv::testing
