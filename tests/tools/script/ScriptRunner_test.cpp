#include "platform/script/ScriptRunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/headless/HeadlessScriptDriver.h"
#include "platform/script/Script.h"
#include "platform/window/Window.h"
#include "tools/script/SampleActions.h"
#include "tools/script/SampleProcedure.h"

namespace kv {
namespace {

ScriptResult RunSample(const std::string& text) {
  Script script;
  std::string error;
  EXPECT_TRUE(ParseScript(text, &script, &error)) << error;
  int code = -1;
  ScriptResult result = RunScriptHeadless(script, SampleItemsProcedure, &code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(Window::OpenWindows().empty()) << "the runner brought the program down";
  return result;
}

TEST(ScriptRunner, DrivesTheSampleProcedureThroughEveryKindOfInput) {
  ScriptResult r = RunSample(R"(# typing, buttons, messages, keys, clicks and a pop-up menu
check caption "Sample Items"
window "Sample Items" 1
check state "?ADD" enabled visible default
press "?ADD"
check message "Type a name first" title "Sample Items" buttons "Ok"
answer Ok
type "?NAME" "apples"
check state "?ADD" focused
press "?ADD"
check text "?NAME" ""
type "?NAME" "pears"
press "?ADD"
type "?NAME" "plums"
press "?ADD"
check rows "?ITEMS" 3
check row "?ITEMS" 2 "pears"
check choice "?ITEMS" 3
key "?ITEMS" Up
check choice "?ITEMS" 2
check state "?ITEMS" focused
key "?ITEMS" Ctrl+Home
check choice "?ITEMS" 1
# answered in advance: the next message box takes it
answer No
key "?ITEMS" Delete
check message "Delete apples?" buttons "Yes,No"
check rows "?ITEMS" 3
key "?ITEMS" Delete
answer Yes
check rows "?ITEMS" 2
check row "?ITEMS" 1 "pears"
resize 300 200
answer menu "&Delete"
answer Yes
click "?ITEMS" 2 right
check rows "?ITEMS" 1
check messages 4
answer menu "Close"
click "?ITEMS" 1 right
check ended
)");
  EXPECT_TRUE(r.passed) << r.message;
  EXPECT_EQ(r.linesRun, 39);
}

// Every failing command names its line; the program is brought down afterwards either way.
TEST(ScriptRunner, AFailingCommandReportsItsLine) {
  struct Case {
    const char* script;
    int line;
    const char* message;
  };
  const Case cases[] = {
      {"check caption \"Sample Items\"\n\ncheck text \"?NAME\" \"x\"\n", 3,
       "line 3: text of ?NAME is \"\", expected \"x\""},
      {"check caption \"Other\"\n", 1, "line 1: caption is \"Sample Items\", expected \"Other\""},
      {"# comment\npress \"?NOPE\"\n", 2, "line 2: window \"Sample Items\" has no control ?NOPE"},
      {"press \"?ADD\"\npress \"?ADD\"\n", 2,
       "line 2: the message box \"Type a name first\" is waiting for an answer"},
      {"press \"?ADD\"\nanswer Yes\n", 2,
       "line 2: the message box \"Type a name first\" has no button Yes"},
      {"answer menu \"Paste\"\nclick \"?ITEMS\" 0 right\n", 2,
       "line 2: the menu has no item \"Paste\""},
      {"click \"?ITEMS\" 5\n", 1, "line 1: click ?ITEMS: no such row"},
      {"type \"?ADD\" \"x\"\n", 1,
       "line 1: type ?ADD: gesture does not apply to this kind of control"},
      {"check rows \"?ITEMS\" 1\n", 1, "line 1: ?ITEMS shows 0 rows, expected 1"},
      {"check state \"?NAME\" readonly\n", 1, "line 1: ?NAME is not readonly"},
      {"check messages 1\n", 1, "line 1: 0 message boxes were shown, expected 1"},
      {"key \"?ITEMS\" Hyper+Q\n", 1, "line 1: unknown key Hyper+Q"},
      {"fly away\n", 1, "line 1: cannot read command: fly ..."},
      {"window \"Sample Items\" 2\n", 1, "line 1: no open window \"Sample Items\" number 2"},
      {"window \"Elsewhere\"\n", 1, "line 1: no open window \"Elsewhere\""},
      {"key \"?ITEMS\" Down\ncheck state \"?NAME\" focused\n", 2, "line 2: ?NAME is not focused"},
      {"check ended\n", 1, "line 1: the program has not ended"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    ScriptResult r = RunSample(c.script);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.failedLine, c.line);
    EXPECT_EQ(r.message, c.message);
  }
}

// The pop-up menu and toolbox session of the actions sample, as kvscript --actions runs it.
TEST(ScriptRunner, DrivesPopupMenusAndTheToolbox) {
  std::ifstream in(std::string(KORVANDEL_SOURCE_DIR) + "/tools/script/actions.kvs");
  std::stringstream text;
  text << in.rdbuf();
  Script script;
  std::string error;
  ASSERT_TRUE(ParseScript(text.str(), &script, &error)) << error;
  ASSERT_GT(script.lines.size(), 30u);
  int code = -1;
  ScriptResult r = RunScriptHeadless(script, SampleActionsProcedure, &code);
  EXPECT_TRUE(r.passed) << r.message;
  EXPECT_EQ(r.linesRun, static_cast<int>(script.lines.size()));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(Window::OpenWindows().empty());
}

TEST(ScriptRunner, CommandsAfterTheProgramEndedFail) {
  ScriptResult r = RunSample("press \"?CLOSE\"\ncheck ended\npress \"?ADD\"\n");
  EXPECT_FALSE(r.passed);
  EXPECT_EQ(r.message, "line 3: no window is open");
}

TEST(Script, ParsesWordsQuotesAndComments) {
  Script s;
  std::string error;
  ASSERT_TRUE(
      ParseScript("# c\n\n  type \"?A\" \"say \\\"hi\\\" \\\\ now\"\r\nclose\n", &s, &error));
  ASSERT_EQ(s.lines.size(), 2u);
  EXPECT_EQ(s.lines[0].number, 3);
  EXPECT_EQ(s.lines[0].words, (std::vector<std::string>{"type", "?A", "say \"hi\" \\ now"}));
  EXPECT_EQ(s.lines[1].number, 4);
  struct Bad {
    const char* text;
    const char* error;
  };
  for (const Bad& b :
       {Bad{"close\ntype \"?A\" \"open\n", "line 2: unterminated quote"},
        Bad{"type \"a\\n\"", "line 1: a backslash in quotes must come before \" or \\"}}) {
    SCOPED_TRACE(b.text);
    EXPECT_FALSE(ParseScript(b.text, &s, &error));
    EXPECT_EQ(error, b.error);
  }
  EXPECT_EQ(ButtonValue("yes"), kButtonYes);
  EXPECT_EQ(ButtonNames(kButtonYes | kButtonNo | kButtonCancel), "Yes,No,Cancel");
}

}  // namespace
}  // namespace kv
