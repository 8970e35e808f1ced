#include "tools/script/SampleQuery.h"

#include <memory>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/RowQueue.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/query/QueryEntryWindow.h"
#include "framework/query/QueryManager.h"
#include "framework/window/IniManager.h"
#include "framework/window/WindowManager.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/storage/View.h"
#include "platform/values/Decimal.h"
#include "tools/script/SampleFile.h"
#include "tools/script/SampleProducts.h"

namespace kv {
namespace {

using sample::ProductRec;
using sample::ProductRow;

const FieldTable& RowFields() {
  return sample::ProductRowFields();
}

const TableDecl& ProductsDecl() {
  static const std::unique_ptr<TableDecl> decl = sample::MakeProductsDecl(",qbesample");
  return *decl;
}

constexpr struct {
  const char* code;
  const char* description;
  const char* price;
} kProducts[] = {
    {"B100", "Hex bolt M8", "0.35"},         {"B110", "Hex bolt M10", "0.48"},
    {"B200", "Carriage bolt M6", "0.30"},    {"B300", "Anchor BOLT 10x80", "1.20"},
    {"N100", "Hex nut M8", "0.08"},          {"N110", "Lock nut M10", "0.15"},

    {"W100", "Washer 8 mm", "0.02"},         {"W110", "Spring washer 10 mm", "0.04"},
    {"T100", "Bolt cutter 600 mm", "38.90"}, {"T200", "Écrou à oreilles M6", "0.22"},
};

// Creates the table on first use and fills it when it is empty.
void PrepareProducts() {
  sample::PrepareTable(ProductsDecl(), [](Table& t) {
    ProductRec& r = t.RecordAs<ProductRec>();
    for (const auto& p : kProducts) {
      r.PCODE = p.code;
      r.DESCRIPTION = p.description;
      (void)VarRef(r.PRICE).SetText(p.price);
      (void)t.Add();
    }
  });
}

WindowDefinition QueryListWindow() {
  WindowDefinition def("Sample Query");
  def.Size(300, 170).Font("MS Sans Serif,8");
  def.List("?LIST", "60L(2)|M~Code~@s20@150L(2)|M~Description~@s40@50R(2)|M~Price~@n9.2@")
      .At(4, 4, 292, 120)
      .Immediate();
  def.Prompt("?QUERYRESULT", "").At(4, 128, 292, 10);
  def.Button("?QUERY", "&Query").At(184, 146, 52, 14).ControlIcon("edit-find");
  def.Button("?CLOSE", "&Close").At(244, 146, 52, 14);
  return def;
}

class QueryList : public WindowManager {
 public:
  QueryList(sample::SampleFile& file, RelationManager& relations, ErrorManager& errors,
            IniManager& settings)
      : file_(file), relations_(relations), errors_(errors), settings_(settings) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    ERRORS = &errors_;
    (void)relations_.Open();
    FILESOPENED = 1;
    queue_ = std::make_unique<RowQueue>(RowFields(), &row_);
    view_ = std::make_unique<View>(*file_.FILE);
    const WindowDefinition def = QueryListWindow();
    AddItem(def.Find("?CLOSE"), RequestCompleted);
    browse_.Init(def.Find("?LIST"), VarRef(row_.VIEWPOSITION), *view_, *queue_, relations_, *this);
    browse_.QUERYCONTROL = def.Find("?QUERY");
    browse_.QUERYRESULT = def.Find("?QUERYRESULT");
    Open(def);
    browse_.AddSortOrder(nullptr, 1);
    ProductRec& rec = file_.RecAs<ProductRec>();
    browse_.AddField(rec.PCODE, row_.PCODE);
    browse_.AddField(rec.DESCRIPTION, row_.DESCRIPTION);
    browse_.AddField(VarRef(rec.PRICE), VarRef(row_.PRICE));
    query_.Init(errors_, &entry_, &settings_, "SampleQuery");
    query_.AddItem("PRO:PCODE", "Code", "@s20");
    query_.AddItem("PRO:DESCRIPTION", "Description", "@s40");
    query_.AddItem("PRO:PRICE", "Price", "@n9.2");
    browse_.QUERY = &query_;
    SetAlerts();
    return Benign;
  }
  ResultLevel Kill() override {
    if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
    query_.Kill();
    if (FILESOPENED) (void)relations_.Close();
    return Benign;
  }

 private:
  sample::SampleFile& file_;
  RelationManager& relations_;
  ErrorManager& errors_;
  IniManager& settings_;
  ProductRow row_{};
  std::unique_ptr<RowQueue> queue_;
  std::unique_ptr<View> view_;
  BrowseManager browse_;
  QueryEntryWindow entry_;
  QueryManager query_;
};

}  // namespace

void SampleQueryProcedure() {
  PrepareProducts();
  sample::RunOverTable(
      ProductsDecl(), "Products", "Product code",
      [](sample::SampleFile& file, RelationManager& relations, ErrorManager& errors) {
        IniManager settings;
        settings.Init("qbesample.ini");
        {
          QueryList list(file, relations, errors, settings);
          (void)list.Run();
        }
        settings.Kill();
      });
}

}  // namespace kv
