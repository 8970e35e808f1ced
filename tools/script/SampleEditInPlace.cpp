#include "tools/script/SampleEditInPlace.h"

#include <memory>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/RowQueue.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/window/WindowManager.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/storage/View.h"
#include "platform/values/Decimal.h"
#include "tools/script/SampleFile.h"

namespace kv {
namespace {

struct PartRec {
  String<10> CODE;
  String<20> DESCRIPTION;
  Decimal<9, 2> PRICE;
};
struct PartRow {
  String<10> CODE;
  String<20> DESCRIPTION;
  Decimal<9, 2> PRICE;
  String<1024> VIEWPOSITION;
};

const FieldTableLayout& PartLayout() {
  static const FieldTable fields = FieldTable::For<PartRec>({
      KV_FIELD(PartRec, CODE, "PAR:CODE", "@s10", "Code"),
      KV_FIELD(PartRec, DESCRIPTION, "PAR:DESCRIPTION", "@s20", "Description"),
      KV_FIELD(PartRec, PRICE, "PAR:PRICE", "@n9.2", "Price"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

const FieldTable& RowFields() {
  static const FieldTable fields = FieldTable::For<PartRow>({
      KV_FIELD(PartRow, CODE, "ROW:CODE", "@s10", ""),
      KV_FIELD(PartRow, DESCRIPTION, "ROW:DESCRIPTION", "@s20", ""),
      KV_FIELD(PartRow, PRICE, "ROW:PRICE", "@n9.2", ""),
      KV_FIELD(PartRow, VIEWPOSITION, "ROW:VIEWPOSITION", "@s255", ""),
  });
  return fields;
}

const TableDecl& PartsDecl() {
  static const std::unique_ptr<TableDecl> decl = [] {
    auto d = std::make_unique<TableDecl>("Parts", "Parts", kSqlDriver, PartLayout());
    d->SetOwnerText(",eipsample");
    d->AddKey({"PAR:PK_Code", "", {{0, true}}, false, false, true});
    return d;
  }();
  return *decl;
}

constexpr struct {
  const char* code;
  const char* description;
  const char* price;
} kParts[] = {
    {"P100", "Hex bolt M8", "0.35"}, {"P110", "Hex bolt M10", "0.48"},
    {"P200", "Hex nut M8", "0.08"},  {"P300", "Washer 8 mm", "0.02"},
    {"P400", "Wing nut M6", "0.22"}, {"P500", "Split pin 3 mm", "0.05"},
};

// Creates the table on first use and fills it when it is empty.
void PrepareParts() {
  sample::PrepareTable(PartsDecl(), [](Table& t) {
    PartRec& r = t.RecordAs<PartRec>();
    for (const auto& p : kParts) {
      r.CODE = p.code;
      r.DESCRIPTION = p.description;
      (void)VarRef(r.PRICE).SetText(p.price);
      (void)t.Add();
    }
  });
}

WindowDefinition EditListWindow() {
  WindowDefinition def("Sample Edit");
  def.Size(300, 150).Font("MS Sans Serif,8");
  def.List("?LIST", "60L(2)|M~Code~@s10@150L(2)|M~Description~@s20@60R(2)|M~Price~@n9.2@")
      .At(4, 4, 292, 110)
      .Immediate();
  def.Button("?INSERT", "&Insert").At(4, 126, 52, 14);
  def.Button("?CHANGE", "&Change").At(60, 126, 52, 14);
  def.Button("?DELETE", "&Delete").At(116, 126, 52, 14);
  def.Button("?CLOSE", "C&lose").At(244, 126, 52, 14);
  return def;
}

class EditList : public WindowManager {
 public:
  EditList(sample::SampleFile& file, RelationManager& relations, ErrorManager& errors)
      : file_(file), relations_(relations), errors_(errors) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    ERRORS = &errors_;
    VCRREQUEST = &vcr_;
    (void)relations_.Open();
    FILESOPENED = 1;
    queue_ = std::make_unique<RowQueue>(RowFields(), &row_);
    view_ = std::make_unique<View>(*file_.FILE);
    const WindowDefinition def = EditListWindow();
    AddItem(def.Find("?CLOSE"), RequestCompleted);
    browse_.Init(def.Find("?LIST"), VarRef(row_.VIEWPOSITION), *view_, *queue_, relations_, *this);
    browse_.ASKPROCEDURE = 0;  // no form: rows are edited in the list
    browse_.INSERTCONTROL = def.Find("?INSERT");
    browse_.CHANGECONTROL = def.Find("?CHANGE");
    browse_.DELETECONTROL = def.Find("?DELETE");
    browse_.DELETEACTION = 4;  // confirm deletes
    Open(def);
    browse_.AddSortOrder(nullptr, 1);
    PartRec& rec = file_.RecAs<PartRec>();
    browse_.AddField(rec.CODE, row_.CODE);
    browse_.AddField(rec.DESCRIPTION, row_.DESCRIPTION);
    browse_.AddField(VarRef(rec.PRICE), VarRef(row_.PRICE));
    SetAlerts();
    return Benign;
  }
  ResultLevel Kill() override {
    if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
    if (FILESOPENED) (void)relations_.Close();
    return Benign;
  }

 private:
  sample::SampleFile& file_;
  RelationManager& relations_;
  ErrorManager& errors_;
  std::int32_t vcr_ = 0;
  PartRow row_{};
  std::unique_ptr<RowQueue> queue_;
  std::unique_ptr<View> view_;
  BrowseManager browse_;
};

}  // namespace

void SampleEditInPlaceProcedure() {
  PrepareParts();
  sample::RunOverTable(
      PartsDecl(), "Parts", "Part code",
      [](sample::SampleFile& file, RelationManager& relations, ErrorManager& errors) {
        EditList list(file, relations, errors);
        (void)list.Run();
      });
}

}  // namespace kv
