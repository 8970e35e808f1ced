#include "app/data/ProductsManagers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <latch>
#include <memory>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "framework/data/ManagerRegistry.h"
#include "framework/errors/ErrorStatus.h"
#include "platform/RuntimeError.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/storage/Table.h"
#include "platform/thread/LogicalThread.h"
#include "tests/app/PgAdmin.h"
#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

// Runs `body` on a new logical thread and waits for it (its thread-end hooks included).
void OnThread(const std::function<void()>& body) {
  JoinThread(StartThread(body, 0));
}

// What one thread saw of its managers right after creating them.
struct Seen {
  ProductsFileManager* productsFile = nullptr;
  ProductsRelationManager* productsRelations = nullptr;
  SQLInterfaceFileManager* interfaceFile = nullptr;
  SQLInterfaceRelationManager* interfaceRelations = nullptr;
  void* productsBuffer = nullptr;
};

Seen Look() {
  return {ProductsFile(), ProductsRelations(), SQLInterfaceFile(), SQLInterfaceRelations(),
          &ProductsBuffer()};
}

// The four managers of a thread, as created: each relation manager over its own file manager,
// the file managers set up with their names, buffers, error manager and table but not yet
// initialised (no table opened, no key declared), registered SQLInterface first; a second
// creation changes nothing; the release clears every reference and the registry.
TEST(ProductsManagers, CreatedOnEachThreadAndReleasedInOrder) {
  std::vector<std::string> problems;
  auto expect = [&](bool ok, const char* what) {
    if (!ok) problems.push_back(what);
  };
  OnThread([&] {
    expect(ProductsFile() == nullptr && SQLInterfaceRelations() == nullptr, "before create");
    CreateProductsManagers();
    Seen s = Look();
    expect(s.productsFile && s.productsRelations && s.interfaceFile && s.interfaceRelations,
           "four managers");
    if (!s.productsFile || !s.interfaceFile) return;
    expect(s.productsRelations->ME == s.productsFile, "products relation over its file");
    expect(s.interfaceRelations->ME == s.interfaceFile, "interface relation over its file");
    expect(!s.productsRelations->USELOGOUT && !s.interfaceRelations->USELOGOUT, "no transactions");
    expect(s.productsFile->FILENAMEVALUE == "Products", "products name");
    expect(s.interfaceFile->FILENAMEVALUE == "SQLInterface", "interface name");
    expect(s.productsFile->ERRORS == &GlobalErrors, "error manager");
    expect(s.productsFile->FILE == &ProductsTable().Instance(), "products table");
    expect(s.interfaceFile->FILE == &SQLInterfaceTable().Instance(), "interface table");
    expect(s.productsFile->BUFFER.address == s.productsBuffer && s.productsFile->BUFFER.size == 80,
           "products buffer");
    expect(s.interfaceFile->BUFFER.size == 2048, "interface buffer");
    expect(!s.productsFile->INITIALIZED && s.productsFile->KEYS.empty(), "lazy set-up");
    expect(!ProductsTable().Instance().IsOpen(), "nothing opened");
    const auto& rows = ManagerRegistry::ThisThread().FILEMAPPING();
    expect(rows.size() == 2 && rows[0].FILEMANAGER == s.interfaceFile &&
               rows[1].FILEMANAGER == s.productsFile,
           "registered SQLInterface first");
    CreateProductsManagers();
    Seen again = Look();
    expect(again.productsFile == s.productsFile && again.interfaceRelations == s.interfaceRelations,
           "second create changes nothing");
    ReleaseProductsManagers();
    Seen after = Look();
    expect(!after.productsFile && !after.productsRelations && !after.interfaceFile &&
               !after.interfaceRelations,
           "references cleared");
    expect(ManagerRegistry::ThisThread().FILEMAPPING().empty(), "registry emptied");
    ReleaseProductsManagers();  // a second release does nothing
  });
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

// Two threads: each has its own managers and record buffer; what one writes into its buffer the
// other does not see.
TEST(ProductsManagers, EachThreadHasItsOwn) {
  std::latch created(2), compared(2);
  Seen seen[2];
  std::string codes[2];
  auto body = [&](int i) {
    return [&, i] {
      CreateProductsManagers();
      seen[i] = Look();
      (void)VarRef(ProductsBuffer().PCODE).SetText(i == 0 ? "first" : "second");
      created.arrive_and_wait();
      codes[i] = VarRef(ProductsBuffer().PCODE).ToClippedText();
      compared.arrive_and_wait();
      ReleaseProductsManagers();
    };
  };
  int a = StartThread(body(0), 0);
  int b = StartThread(body(1), 0);
  JoinThread(a);
  JoinThread(b);
  EXPECT_NE(seen[0].productsFile, seen[1].productsFile);
  EXPECT_NE(seen[0].productsRelations, seen[1].productsRelations);
  EXPECT_NE(seen[0].interfaceFile, seen[1].interfaceFile);
  EXPECT_NE(seen[0].productsBuffer, seen[1].productsBuffer);
  EXPECT_EQ(codes[0], "first");
  EXPECT_EQ(codes[1], "second");
}

// ---- On a database ------------------------------------------------------------------------

struct Db {
  const char* name;
  bool postgres;
};

class ProductsOnDatabase : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override {
    RegisterSqlDrivers();
    ErrorStatus::ThisThread().Reset();
    GlobalErrors.Init(ErrorStatus::ThisThread());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    if (!GetParam().postgres) {
      ConnectionOwner.Set(",managers");
      return;
    }
    if (!test::PgAvailable()) {
      if (test::PgRequired()) FAIL() << "PostgreSQL is required but PGHOST is not set";
      GTEST_SKIP() << "PGHOST/PGDATABASE not set";
    }
    scratch_ = std::make_unique<test::PgScratch>("mgr", 0, 0, "");
    ASSERT_TRUE(scratch_->Ok()) << scratch_->Error();
    ConnectionOwner.Set(test::PgServer() + "," + scratch_->Database() + "," + scratch_->User() +
                        "," + scratch_->Password());
  }
  void TearDown() override {
    ConnectionOwner.Clear();
    std::filesystem::current_path(previous_);
  }

  test::TempDirectory dir_;
  std::filesystem::path previous_;
  std::unique_ptr<test::PgScratch> scratch_;
};

// The first open through the relation manager initialises the file manager (the key
// PRO:PK_Pcode, create allowed, lock recovery 10) and creates the missing table; a product code
// of 20 characters is stored and read back exactly. SQLInterface is created with its eight
// distinct columns and keeps what each holds.
TEST_P(ProductsOnDatabase, FirstUseInitialisesAndCreates) {
  std::vector<std::string> problems;
  auto expect = [&](bool ok, const std::string& what) {
    if (!ok) problems.push_back(what);
  };
  OnThread([&] {
    CreateProductsManagers();
    ProductsFileManager& file = *ProductsFile();
    expect(ProductsRelations()->Open() == Benign, "products open: " + LastErrorText());
    expect(file.INITIALIZED && file.CREATE && file.LOCKRECOVER == 10, "initialised");
    expect(file.KEYS.size() == 1 && file.KEYS[0].KEY == kProductsKeyPcode &&
               file.KEYS[0].PDESCRIPTION == "PRO:PK_Pcode" && file.KEYS[0].AUTOINC == 0,
           "key declared");
    ProductsRecord& rec = ProductsBuffer();
    const std::string code = "ABCDEFGHIJ0123456789";
    (void)VarRef(rec.PCODE).SetText(code);
    (void)VarRef(rec.DESCRIPTION).SetText("A product with a full-length code");
    (void)VarRef(rec.PRICE).SetText("-1234.56");
    rec.PROVIDERID = 77;
    expect(file.Insert() == Benign, "insert: " + LastErrorText());
    ProductsFields().ClearRecord(&rec);
    (void)VarRef(rec.PCODE).SetText(code);
    expect(file.Fetch(kProductsKeyPcode) == Benign, "fetch: " + LastErrorText());
    expect(VarRef(rec.PCODE).ToText() == code, "code: " + VarRef(rec.PCODE).ToText());
    expect(VarRef(rec.PRICE).ToClippedText() == "-1234.56",
           "price: " + VarRef(rec.PRICE).ToClippedText());
    expect(rec.PROVIDERID == 77, "provider");
    (void)ProductsRelations()->Close();

    SQLInterfaceFileManager& sql = *SQLInterfaceFile();
    expect(SQLInterfaceRelations()->Open() == Benign, "interface open: " + LastErrorText());
    SQLInterfaceRecord& row = SQLInterfaceBuffer();
    const FieldTable& f = SQLInterfaceFields();
    for (int n = 1; n <= 8; ++n) (void)f.Ref(&row, n).SetText("value " + std::to_string(n));
    expect(sql.Insert() == Benign, "interface insert: " + LastErrorText());
    f.ClearRecord(&row);
    (void)SQLInterfaceTable().Instance().SetKey(0);
    expect(sql.Next() == Benign, "interface read: " + LastErrorText());
    for (int n = 1; n <= 8; ++n) {
      expect(f.Ref(&row, n).ToClippedText() == "value " + std::to_string(n),
             "column " + std::to_string(n) + ": " + f.Ref(&row, n).ToClippedText());
    }
    (void)SQLInterfaceRelations()->Close();
    ReleaseProductsManagers();
  });
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

INSTANTIATE_TEST_SUITE_P(Databases, ProductsOnDatabase,
                         ::testing::Values(Db{"sqlite", false}, Db{"postgres", true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv
