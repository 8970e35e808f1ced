// The products list and form driven by scripted sessions (tests/app/scripts/products_*.kvs),
// with the program binary in a folder of its own, on the embedded SQLite database and on
// PostgreSQL. What the sessions stored is then read from the database behind the program's
// back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/ProductsDb.h"
#include "tests/app/ProgramScript.h"
#include "tests/app/ProgramSession.h"

namespace kv {
namespace {

using test::ProductsDb;

class ProductsScript : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(test::ProgramBinary())) << "build the korvandel target";
    if (!test::DatabaseAvailable(GetParam())) GTEST_SKIP() << "PGHOST/PGDATABASE not set";
    db = std::make_unique<ProductsDb>(GetParam(), folder);
    ASSERT_TRUE(db->Ok()) << db->Error();
  }
  test::ScriptRun Run(const std::string& name) {
    return test::RunScript(folder, name, {{"CONNECT", db->ConnectLines()}});
  }

  test::TempDirectory folder;
  std::unique_ptr<ProductsDb> db;
};

// Insert, view, change and delete from the buttons, the keys, a double click and the pop-up
// menu; the products are stored as typed, a 20-character code and a description of 50 bytes
// with accented letters included; both windows keep their places in the settings file.
TEST_P(ProductsScript, ASessionWithTheListAndTheForm) {
  test::ScriptRun run = Run("products_session.kvs");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<std::string> expected = {
      "A050|Car keys|3.50|0",
      "B200|Bolts|0.25|7",
      "ZZ-0123456789-ABCDEF|Crème brûlée, façon grand-mère, café épicé|1234.50|42",
  };
  EXPECT_EQ(db->Products(), expected);
  const std::string ini = test::ReadFile(folder.File("Korvandel.INI"));
  for (const char* section : {"[BrowseArticulos]", "[UpdateProducts]"})
    EXPECT_NE(ini.find(section), std::string::npos) << section << "\n" << ini;
}

// Two lists in one program: a form open over the first leaves the second usable, and the same
// product changed through both is found by the first to save last, which then stores what its
// user typed, recalled with Ctrl+H.
TEST_P(ProductsScript, TwoListsOneFormEachAndTheSameProductChangedThroughBoth) {
  test::ScriptRun run = Run("products_two_lists.kvs");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(db->Products(),
            (std::vector<std::string>{"A100|Anchors, first|3.00|0", "B200|Bolts|2.00|0"}));
}

// Exit with two lists open, a form changed on one of them: the form asks, the program ends
// with exit code 0, nothing of the dropped change is stored, and the lists' place is kept.
TEST_P(ProductsScript, ExitWithListsAndAFormOpenEndsCleanly) {
  test::ScriptRun run = Run("products_frame_close.kvs");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(db->Products(), (std::vector<std::string>{"A100||0.00|0"}));
  const std::string ini = test::ReadFile(folder.File("Korvandel.INI"));
  for (const char* section : {"[BrowseArticulos]", "[UpdateProducts]"})
    EXPECT_NE(ini.find(section), std::string::npos) << section << "\n" << ini;
}

INSTANTIATE_TEST_SUITE_P(Db, ProductsScript, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kv
