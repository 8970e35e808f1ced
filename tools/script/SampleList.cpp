#include "tools/script/SampleList.h"

#include <cstdio>
#include <memory>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/browse/RowQueue.h"
#include "framework/browse/TextThumbStep.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/window/WindowManager.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/storage/Transaction.h"
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
  static const std::unique_ptr<TableDecl> decl = sample::MakeProductsDecl(",listsample");
  return *decl;
}

// Creates the table on first use and fills it when it is empty.
void PrepareProducts() {
  sample::PrepareTable(ProductsDecl(), [](Table& t) {
    // One transaction: a few thousand single commits would take seconds.
    const bool framed =
        t.SetProperty(kPropEnrolled, "1") == kNoError && BeginTransaction(10) == kNoError;
    ProductRec& r = t.RecordAs<ProductRec>();
    for (int n = 1; n <= kSampleListProducts; ++n) {
      char text[64];
      r.PCODE = SampleListCode(n);
      std::snprintf(text, sizeof text, "Product %d", n);
      r.DESCRIPTION = text;
      std::snprintf(text, sizeof text, "%d.%02d", n % 500, n % 100);
      (void)VarRef(r.PRICE).SetText(text);
      (void)t.Add();
    }
    if (framed) (void)CommitTransaction();
  });
}

WindowDefinition ListWindow() {
  WindowDefinition def("Sample List");
  def.Size(300, 24 + kSampleListRows * kListRowHeight + 22).Font("MS Sans Serif,8");
  def.List("?LIST", "60L(2)|M~Code~@s20@150L(2)|M~Description~@s40@50R(2)|M~Price~@n9.2@")
      .At(4, 4, 292, (kSampleListRows + 1) * kListRowHeight)
      .Immediate()
      .ScrollBar();
  def.Button("?CLOSE", "&Close").At(244, 12 + (kSampleListRows + 1) * kListRowHeight, 52, 14);
  return def;
}

class ProductsList : public WindowManager {
 public:
  ProductsList(sample::SampleFile& file, RelationManager& relations, ErrorManager& errors)
      : file_(file), relations_(relations), errors_(errors) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    ERRORS = &errors_;
    (void)relations_.Open();
    FILESOPENED = 1;
    queue_ = std::make_unique<RowQueue>(RowFields(), &row_);
    view_ = std::make_unique<View>(*file_.FILE);
    const WindowDefinition def = ListWindow();
    AddItem(def.Find("?CLOSE"), RequestCompleted);
    browse_.Init(def.Find("?LIST"), VarRef(row_.VIEWPOSITION), *view_, *queue_, relations_, *this);
    Open(def);
    browse_.AddSortOrder(&step_, 1);
    locator_.Init(0, browse_.CurrentSort()->FREEELEMENT, 1, browse_);
    browse_.AddLocator(&locator_);
    ProductRec& rec = file_.RecAs<ProductRec>();
    browse_.AddField(rec.PCODE, row_.PCODE);
    browse_.AddField(rec.DESCRIPTION, row_.DESCRIPTION);
    browse_.AddField(VarRef(rec.PRICE), VarRef(row_.PRICE));
    SetAlerts();
    return Benign;
  }
  ResultLevel Kill() override {
    if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
    locator_.Kill();
    if (FILESOPENED) (void)relations_.Close();
    return Benign;
  }

 private:
  sample::SampleFile& file_;
  RelationManager& relations_;
  ErrorManager& errors_;
  ProductRow row_{};
  std::unique_ptr<RowQueue> queue_;
  std::unique_ptr<View> view_;
  BrowseManager browse_;
  Locator locator_;
  TextThumbStep step_;
};

}  // namespace

std::string SampleListCode(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%04d", 'A' + (n - 1) % 26, n);
  return text;
}

void SampleListProcedure() {
  PrepareProducts();
  sample::RunOverTable(
      ProductsDecl(), "Products", "Product code",
      [](sample::SampleFile& file, RelationManager& relations, ErrorManager& errors) {
        ProductsList list(file, relations, errors);
        (void)list.Run();
      });
}

}  // namespace kv
