// Two stations on one database: the first program runs on the headless backend in a child
// process and stops with its form open; meanwhile a second program process (the binary, with a
// script of its own, in the same folder) changes or deletes the product the first one holds.
// The first then finds out through its form and its list. On the embedded SQLite file and on
// PostgreSQL.
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

class TwoStations : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(test::ProgramBinary())) << "build the korvandel target";
    if (!test::DatabaseAvailable(GetParam())) GTEST_SKIP() << "PGHOST/PGDATABASE not set";
    db = std::make_unique<ProductsDb>(GetParam(), folder);
    ASSERT_TRUE(db->Ok()) << db->Error();
  }

  // Runs the first station with `steps`: each is script text for the running program, or, when
  // it begins with "other:", the script of the second station run to its end meanwhile. The
  // record holds "failed: <message>" for the first step that failed.
  std::vector<std::string> RunFirstStation(const std::vector<std::string>& steps) {
    const std::string connect = db->ConnectLines();
    const std::string binary = test::ProgramBinary();
    test::ProgramSession station(
        [&](HeadlessBackend& backend, const std::function<void(std::string)>& add) {
          for (const std::string& step : steps) {
            if (step.rfind("other:", 0) == 0) {
              test::ScriptRun run = test::RunScriptText(
                  folder, connect + "\n" + step.substr(6) + "\nwindow frame\nchoose \"?EXIT\"\n");
              if (run.exitCode != 0) {
                add("failed: the other station: " + run.output);
                break;
              }
              continue;
            }
            const std::string error = test::RunScriptLines(backend, step);
            if (!error.empty()) {
              add("failed: " + error);
              break;
            }
            add("done");
          }
          // Leave the program whatever happened, so that it ends.
          (void)test::RunScriptLines(backend, "window frame\nchoose \"?EXIT\"");
        },
        {}, &folder);
    EXPECT_EQ(station.ExitCode(), 0);
    std::vector<std::string> failures;
    for (const std::string& line : station.Record())
      if (line.rfind("failed: ", 0) == 0) failures.push_back(line);
    return failures;
  }

  // Script lines that insert a product from the list's Insert button.
  static std::string Insert(const std::string& code, const std::string& description,
                            const std::string& price) {
    return "press \"?INSERT:3\"\nwindow \"Record Will Be Added\"\ntype \"?PRO:PCODE\" \"" + code +
           "\"\ntype \"?PRO:DESCRIPTION\" \"" + description + "\"\ntype \"?PRO:PRICE\" \"" + price +
           "\"\npress \"?OK\"\nwindow \"Browse the Products file\"\n";
  }

  test::TempDirectory folder;
  std::unique_ptr<ProductsDb> db;
};

constexpr const char* kOpenList =
    "choose \"?BROWSEARTICULOS\"\nwindow \"Browse the Products file\"\n";

// The other station changes the product while the first has it open in the form. The first's
// OK is refused with "Record Was Not Updated", the form shows the other station's values and
// Ctrl+H on an entry brings back what was typed there; OK then stores it.
TEST_P(TwoStations, AChangeMadeMeanwhileIsShownAndWhatWasTypedRecalled) {
  const std::vector<std::string> failures = RunFirstStation({
      db->ConnectLines() + "\n" + kOpenList + Insert("A100", "Anchors", "1.5") +
          Insert("B200", "Bolts", "2"),
      "click \"?BROWSE:1\" 1 double\nwindow \"Record Will Be Changed\"\n"
      "type \"?PRO:DESCRIPTION\" \"Anchors, mine\"\ntype \"?PRO:PRICE\" \"9\"",
      std::string("other:") + kOpenList +
          "click \"?BROWSE:1\" 1 double\nwindow \"Record Will Be Changed\"\n"
          "type \"?PRO:DESCRIPTION\" \"Anchors, theirs\"\npress \"?OK\"\n"
          "check closed \"Record Will Be Changed\"\nwindow \"Browse the Products file\"\n"
          "check row \"?BROWSE:1\" 1 \"A100|Anchors, theirs|1.50|0\"\npress \"?CLOSE\"",
      "window \"Record Will Be Changed\"\nanswer Ok\npress \"?OK\"\n"
      "check message \"This record was changed by another station. Those changes will now be "
      "displayed. Use the Ditto Button or Ctrl+H to recall your changes.\" title \"Record Was "
      "Not Updated\"\n"
      "check window \"Record Will Be Changed\"\n"
      "check text \"?PRO:DESCRIPTION\" \"Anchors, theirs\"\ncheck text \"?PRO:PRICE\" \"1.50\"\n"
      "key \"?PRO:DESCRIPTION\" Ctrl+H\ncheck text \"?PRO:DESCRIPTION\" \"Anchors, mine\"",
      "press \"?OK\"\ncheck closed \"Record Will Be Changed\"\nwindow \"Browse the Products "
      "file\"\n"
      "check choice \"?BROWSE:1\" 1\ncheck row \"?BROWSE:1\" 1 \"A100|Anchors, mine|1.50|0\"",
  });
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_EQ(db->Products(),
            (std::vector<std::string>{"A100|Anchors, mine|1.50|0", "B200|Bolts|2.00|0"}));
}

// The other station deletes the product the first one shows: changing it gives "Record
// Retrieval Error", no form opens, and the row leaves the list.
TEST_P(TwoStations, AProductDeletedMeanwhileCannotBeChangedAndLeavesTheList) {
  const std::vector<std::string> failures = RunFirstStation({
      db->ConnectLines() + "\n" + kOpenList + Insert("A100", "Anchors", "1.5") +
          Insert("B200", "Bolts", "2") + Insert("C300", "Cables", "3"),
      std::string("other:") + kOpenList +
          "click \"?BROWSE:1\" 2\nkey \"?BROWSE:1\" Delete\nanswer Yes\n"
          "check rows \"?BROWSE:1\" 2\npress \"?CLOSE\"",
      "window \"Browse the Products file\"\ncheck rows \"?BROWSE:1\" 3\n"
      "click \"?BROWSE:1\" 2\nanswer Ok\npress \"?CHANGE:3\"\n"
      "check message \"This record was changed or deleted by another station.|Error: (Record "
      "Not Available (33)) attempting to access a record from the Products file.\" title "
      "\"Record Retrieval Error\"\ncheck closed \"Record Will Be Changed\"\n"
      "check rows \"?BROWSE:1\" 2\ncheck row \"?BROWSE:1\" 2 \"C300|Cables|3.00|0\"",
  });
  EXPECT_TRUE(failures.empty()) << failures.front();
}

INSTANTIATE_TEST_SUITE_P(Db, TwoStations, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kv
