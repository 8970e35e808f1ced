// Hostile text typed into the products form, on the embedded SQLite database and on
// PostgreSQL: control characters, quotes and semicolons that spell SQL, right-to-left marks
// with a combining character, 4-byte characters and a 100 KB paste. Each value is stored as
// data (never as SQL), cut to the field's bytes on a character boundary, and the table is
// still there afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/ProductsDb.h"
#include "tests/app/ProgramScript.h"

namespace kv {
namespace {

// `refused`: the lines that answer a save refused, and leave the form.
std::string Insert(const std::string& code, const std::string& description,
                   const std::string& refused = "") {
  return "press \"?INSERT:3\"\nwindow \"Record Will Be Added\"\ntype \"?PRO:PCODE\" \"" + code +
         "\"\ntype \"?PRO:DESCRIPTION\" \"" + description + "\"\npress \"?OK\"\n" + refused +
         "window \"Browse the Products file\"\n";
}

std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class ProductsHostile : public ::testing::TestWithParam<std::string> {};

TEST_P(ProductsHostile, TypedTextIsStoredAsDataAndCutOnACharacterBoundary) {
  ASSERT_TRUE(std::filesystem::exists(test::ProgramBinary())) << "build the korvandel target";
  if (!test::DatabaseAvailable(GetParam())) GTEST_SKIP() << "PGHOST/PGDATABASE not set";
  test::TempDirectory folder;
  test::ProductsDb db(GetParam(), folder);
  ASSERT_TRUE(db.Ok()) << db.Error();
  const std::string emoji = "\xF0\x9F\x98\x80";      // 4 bytes
  const std::string shinAcute = "\xD7\xA9\xCC\x81";  // right-to-left letter, combining mark
  const std::string rlo = "\xE2\x80\xAE", pdf = "\xE2\x80\xAC";  // direction overrides
  const std::string e = "\xC3\xA9";                              // 2 bytes
  const std::string paste(100 * 1024, 'Z');
  const std::string script =
      db.ConnectLines() + "\nchoose \"?BROWSEARTICULOS\"\nwindow \"Browse the Products file\"\n" +
      Insert("A\x01\x1b;--'", "x'); DROP TABLE Products;--") +
      Insert("B" + shinAcute + emoji, Times(rlo + "evil" + pdf + emoji, 3)) +
      Insert("C" + paste, paste) + Insert("D" + Times(e, 10), Times(emoji, 13)) +
      // PostgreSQL text cannot hold NUL: the save is refused saying so and the form stays.
      Insert(std::string("E\0e", 3), std::string("nul\0after", 9),
             db.Postgres() ? "check message \"An error was experienced during the creation of a "
                             "record.|File: Products|Error: a text holds the NUL character, which "
                             "this database cannot keep in text; the statement was not sent "
                             "(22021).\"\nanswer Ok\npress \"?CANCEL\"\nanswer Yes\n"
                           : "") +
      "check rows \"?BROWSE:1\" " + (db.Postgres() ? "4" : "5") + "\n";
  test::ScriptRun run = test::RunScriptText(folder, script);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::vector<std::string> expected = {
      "A\x01\x1b;--'|x'); DROP TABLE Products;--|0.00|0",
      "B" + shinAcute + emoji + "|" + Times(rlo + "evil" + pdf + emoji, 3) + "|0.00|0",
      // A paste is cut to the field: 20 and 50 bytes.
      "C" + std::string(19, 'Z') + "|" + std::string(50, 'Z') + "|0.00|0",
      // 21 and 52 bytes typed: the last whole character that fits ends the value.
      "D" + Times(e, 9) + "|" + Times(emoji, 12) + "|0.00|0",
  };
  // The embedded database keeps a NUL as data.
  if (!db.Postgres()) expected.push_back(std::string("E\0e|nul\0after|0.00|0", 20));
  EXPECT_EQ(db.Products(), expected);
}

INSTANTIATE_TEST_SUITE_P(Db, ProductsHostile, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kv
