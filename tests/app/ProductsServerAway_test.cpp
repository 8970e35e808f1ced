// The PostgreSQL server goes away while the program has "Browse the Products file" and its form
// open, and comes back, several times. The whole program runs on the headless backend in a child
// process, on a server of the test's own (the test run's shared server is never stopped). Every
// action tried while the server is away ends within the driver's time-out with a message through
// the error manager and nothing crashes or hangs: a form's save says it was not made and keeps
// the form, a list whose read fails closes saying so, and a table that cannot be opened ends the
// program, as its message says. Once the server is back, the next action works without
// restarting the program, and only the change made then is stored.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/ProgramScript.h"
#include "tests/app/ProgramSession.h"
#include "tests/support/PgCluster.h"

namespace kv {
namespace {

using Clock = std::chrono::steady_clock;

// The driver gives up on a server it cannot reach within 10 s; an action may take that once.
constexpr double kDriverTimeOut = 12;

struct Step {
  const char* name;  // "stop" and "start" stop and start the server
  std::string script;
  std::vector<const char*> expected;  // parts of the messages it must show; none: no message
  int answer = kButtonOk;             // to a question
};

// What a step met, as the child wrote it down line by line ("step", "message", "took",
// "failed"): the last step ends the program, so nothing waits for the end to be written.
struct Outcome {
  std::string messages;
  double seconds = -1;
  std::string failed;
};

// Runs `s` on the running program and writes down what it met in `out`: every message box it
// leaves waiting is written, then answered with the step's answer when the box offers it (else
// with its default button).
void Act(HeadlessBackend& backend, const Step& s, std::ostream& out) {
  out << "step " << s.name << std::endl;
  const auto start = Clock::now();
  auto took = [&] {
    out << "took " << std::chrono::duration<double>(Clock::now() - start).count() << std::endl;
  };
  const std::string failed = test::RunScriptLines(backend, s.script);
  if (!failed.empty()) out << "failed " << failed << std::endl;
  while (backend.WaitSettled()) {
    const auto pending = backend.Pending();
    if (!pending) break;
    const MessageBoxRequest& box = pending->message;
    std::string text = box.caption + ": " + box.text;
    for (char& c : text)
      if (c == '\n') c = ' ';
    out << "message " << text << std::endl;
    took();
    (void)backend.AnswerPending((box.buttons & s.answer) != 0 ? s.answer : box.defaultButton);
  }
  took();
}

std::vector<Outcome> ReadWalk(const std::string& file) {
  std::vector<Outcome> walk;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    const std::size_t blank = line.find(' ');
    const std::string word = line.substr(0, blank), rest = line.substr(blank + 1);
    if (word == "step") walk.emplace_back();
    if (walk.empty()) continue;
    if (word == "message") walk.back().messages += rest + "\n";
    if (word == "took") walk.back().seconds = std::stod(rest);
    if (word == "failed") walk.back().failed = rest;
  }
  return walk;
}

TEST(ProductsServerAway, ListAndFormSayWhatFailedAndWorkAgainWhenTheServerIsBack) {
  ASSERT_TRUE(std::filesystem::exists(test::ProgramBinary())) << "build the korvandel target";
  test::PgCluster cluster;
  if (!cluster.Ok()) GTEST_SKIP() << cluster.Error();
  const std::string list = "window \"Browse the Products file\"\n";
  const std::string openList = "window frame\nchoose \"?BROWSEARTICULOS\"\n";
  const std::string form = "window \"Record Will Be Changed\"\n";
  const std::string change = list + "key \"?BROWSE:1\" Ctrl+Home\npress \"?CHANGE:3\"\n";
  const char* lost = "the connection to the database server was lost; the next action connects";
  const char* back = "Returning to previous window";
  const Step walk[] = {
      {"connect",
       "window \"MSSQL Connect\"\ntype \"?LOC:SERVER\" \"postgresql://127.0.0.1:" +
           std::to_string(cluster.Port()) +
           "\"\ntype \"?LOC:DBNAME\" \"postgres\"\ntype \"?LOC:USER\" \"korvandel\"\n"
           "press \"?OKBUTTON\"\ncheck closed \"MSSQL Connect\"\n" +
           openList + list + "close\n",  // the list's first opening makes the table
       {}},
      {"fill", "", {}},  // sixty products behind the program's back, more than a page
      {"open the list", openList + list, {}},
      {"stop", "", {}},
      // Within the page shown nothing is read.
      {"scroll the list", list + "key \"?BROWSE:1\" Down\n", {}},
      // A read that fails closes the list, saying so.
      {"page the list", list + "key \"?BROWSE:1\" PageDown\n", {lost, back}},
      {"start", "", {}},
      {"open the list", openList + list + "key \"?BROWSE:1\" PageDown\n", {}},
      {"stop", "", {}},
      {"open the form", list + "press \"?CHANGE:3\"\n", {lost, back}},
      {"start", "", {}},
      {"open the form", openList + change + form, {}},
      {"stop", "", {}},
      {"OK a change",
       form + "type \"?PRO:DESCRIPTION\" \"away\"\npress \"?OK\"\n",
       {"Record was not updated", lost, "Do you want to try to save again?"},
       kButtonNo},
      {"cancel the form",
       form + "press \"?CANCEL\"\n",
       {"Are you sure you want to cancel?", "no connection to the database server", back},
       kButtonYes},
      {"start", "", {}},
      {"open the form and OK a change",
       openList + change + form +
           "type \"?PRO:DESCRIPTION\" \"back\"\npress \"?OK\"\ncheck closed \"Record Will Be "
           "Changed\"\n",
       {}},
      {"stop", "", {}},
      // A table that cannot be opened ends the program, as its message says.
      {"open the list",
       openList,
       {"File Products could not be opened", "Connection refused",
        "Press OK to end this application"}},
  };
  test::TempDirectory folder;
  const std::string walkFile = folder.File("walk.txt");
  test::ProgramSession session(
      [&](HeadlessBackend& backend, const std::function<void(std::string)>&) {
        std::ofstream out(walkFile);
        for (const Step& s : walk) {
          const std::string name = s.name;
          if (name == "fill") {
            out << "step fill\n"
                << cluster.Query(
                       "INSERT INTO \"Products\" SELECT 'P' || lpad(i::text, 3, '0'), 'product ' "
                       "|| i, "
                       "i, 0 FROM generate_series(1, 60) AS i")
                << "took 0" << std::endl;
          } else if (name == "stop" || name == "start") {
            out << "step " << name << "\n"
                << ((name == "stop" ? cluster.Stop() : cluster.Start()) ? "took 0" : "failed")
                << std::endl;
          } else {
            Act(backend, s, out);
          }
        }
        // The last step ends the program; should it not, the walk ends it.
        for (int i = 0; i < 100 && !backend.QuitRequested(); ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!backend.QuitRequested()) {
          out << "step the program did not end" << std::endl;
          backend.Quit(1);
        }
      },
      {}, &folder);
  EXPECT_EQ(session.ExitCode(), 0);
  const std::vector<Outcome> met = ReadWalk(walkFile);
  ASSERT_EQ(met.size(), std::size(walk)) << test::ReadFile(walkFile);
  for (std::size_t i = 0; i < met.size(); ++i) {
    SCOPED_TRACE(std::to_string(i) + " " + walk[i].name);
    EXPECT_EQ(met[i].failed, "");
    EXPECT_GE(met[i].seconds, 0);
    EXPECT_LT(met[i].seconds, kDriverTimeOut);
    if (walk[i].expected.empty()) {
      EXPECT_EQ(met[i].messages, "");
    }
    for (const char* part : walk[i].expected)
      EXPECT_NE(met[i].messages.find(part), std::string::npos) << part << "\n" << met[i].messages;
  }
  // Only the change made after the server came back is stored.
  ASSERT_TRUE(cluster.Start());
  EXPECT_EQ(cluster.Query("SELECT \"DESCRIPTION\" FROM \"Products\" WHERE \"PCODE\" = 'P001'"),
            "back\n");
}

}  // namespace
}  // namespace kv
