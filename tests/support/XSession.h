#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kv::test {

// Tests that drive the real program on the desktop backend with real X input, the way a person
// does: a virtual X server of the test's own, the program started on it in a folder of the
// test's own, pointer moves, clicks and keys sent with xdotool, and the answers read back from
// the program's state file (korvandel --state-file, format in platform/qt/gui/QtStateDump.h)
// and from the files it writes. Nothing is slept for a fixed time: every step waits for the
// state the program reports.
//
//   XServer x;                                   // Xvfb -displayfd: a free display
//   XProgram program(x, folder.path());
//   ASSERT_TRUE(program.Start()) << program.Describe();
//   ASSERT_TRUE(program.WaitForWindow("MSSQL Connect")) << program.Describe();
//   ASSERT_TRUE(program.ClickControl("?LOC:DBNAME"));
//   ASSERT_TRUE(program.Input().Type("shopdb"));
//   ASSERT_TRUE(program.WaitFor("typed", [](const ProgramState& s) {
//     return s.Field("?LOC:DBNAME", "shown") == "shopdb";
//   })) << program.Describe();
//
// Tests call RequireX() first: it skips the test when Xvfb or xdotool is missing, or fails it
// when KORVANDEL_REQUIRE_X is set (tools/test.sh sets it, so CI never skips them).
// Thread: the test's own thread; the process forks, so no other threads may be running.

// One record of the state file: its kind ("window", "control", "menu", "item", "message",
// "button", "screen", "beeps") and its fields (key=value, quotes removed). Records that are
// not key=value ("screen x y w h", "beeps N") keep their words in `words`.
struct StateRecord {
  std::string kind;
  std::map<std::string, std::string> fields;
  std::vector<std::string> words;

  std::string Get(const std::string& key) const;
  int Int(const std::string& key) const;  // 0 when missing or not a number
  // The centre of its "screen" rectangle; false when it is not on screen.
  bool Centre(int* x, int* y) const;
};

// The program's state as last written.
struct ProgramState {
  int serial = 0;
  std::vector<StateRecord> records;

  // The newest open window with that caption (any window for ""), or null.
  const StateRecord* Window(const std::string& caption = "") const;
  // A control, menu or item by label, in the window with that caption (the newest window
  // holding that label for ""), or null.
  const StateRecord* Control(const std::string& label, const std::string& caption = "") const;
  // A field of a control ("" when there is no such control).
  std::string Field(const std::string& label, const std::string& key) const;
  // The message box on screen, or null; a button of the message box or pop-up by its text
  // without "&".
  const StateRecord* Message() const;
  const StateRecord* ModalButton(const std::string& text) const;
  // The label of the control with the keyboard focus in the window (the screen's), "" none.
  std::string ScreenFocus(const std::string& caption = "") const;
  int Beeps() const;
  // The available area of the screen.
  bool ScreenArea(int* x, int* y, int* width, int* height) const;
};

// Parses the text of a state file. False when it is not one.
bool ParseState(const std::string& text, ProgramState* state);

// Skips (or, with KORVANDEL_REQUIRE_X set, fails) the calling test when the X tools are missing.
#define KV_REQUIRE_X()                                                       \
  do {                                                                       \
    std::string missing_ = ::kv::test::MissingXTools();                      \
    if (!missing_.empty()) {                                                 \
      if (std::getenv("KORVANDEL_REQUIRE_X") != nullptr) FAIL() << missing_; \
      GTEST_SKIP() << missing_;                                              \
    }                                                                        \
  } while (0)
// "" when Xvfb, xdotool and xmodmap can be run, else what is missing.
std::string MissingXTools();

// A virtual X server (Xvfb) on a display it chose itself, so that tests running at once never
// share one. Stopped when destroyed.
class XServer {
 public:
  explicit XServer(int width = 1024, int height = 768);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  bool Ok() const { return !display_.empty(); }
  const std::string& Display() const { return display_; }  // ":3"
  const std::string& Error() const { return error_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
};

// Input through xdotool on a display. Each call returns once xdotool has sent the events; the X
// server keeps their order, so a click sent after typing lands after it.
class XInput {
 public:
  explicit XInput(std::string display) : display_(std::move(display)) {}
  ~XInput();  // ends the clipboard's holder
  XInput(const XInput&) = delete;
  XInput& operator=(const XInput&) = delete;

  bool Click(int x, int y, int button = 1);  // moves the pointer there and clicks
  bool Type(const std::string& text);        // UTF-8 text typed key by key
  // Keys as xdotool names them, pressed one after the other: "Tab", "shift+Tab", "alt+c",
  // "Return", "Escape", "space", "F10", "Down".
  bool Key(const std::vector<std::string>& keys);
  bool KeyDown(const std::string& key);
  // The X window that has the keyboard focus, as a decimal number ("" when none).
  std::string FocusedWindow();
  bool KeyUp(const std::string& key);
  // Runs xdotool with these arguments; its exit code (-1 when it cannot be run).
  int Run(const std::vector<std::string>& args);
  // Puts `text` on the display's clipboard, held by an xclip process of its own until the next
  // call or the object's end, so that Ctrl+V pastes it as a person's paste does. True once the
  // clipboard gives the text back.
  bool SetClipboard(const std::string& text);

 private:
  // Puts the characters of `text` beyond ASCII on spare keys of the keyboard map (xmodmap).
  bool MapCharacters(const std::string& text);

  std::string display_;
  std::set<char32_t> mapped_;
  std::vector<int> spareKeys_;
  pid_t clipboard_ = -1;
  std::string clipboardFile_;
};

// The program (the korvandel binary beside the test programs) on a display, in `folder`.
class XProgram {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kWait{20000};

  // `environment` adds or replaces variables ("QT_SCALE_FACTOR=2").
  XProgram(const XServer& server, std::string folder, std::vector<std::string> environment = {});
  ~XProgram();  // kills the program when it still runs
  XProgram(const XProgram&) = delete;
  XProgram& operator=(const XProgram&) = delete;

  bool Start();
  XInput& Input() { return input_; }

  // Waits until `done` holds for the state the program reports (or the program ended and its
  // last state does not hold it). `what` names the wait in Describe().
  bool WaitFor(const std::string& what, const std::function<bool(const ProgramState&)>& done,
               std::chrono::milliseconds timeout = kWait);
  // Waits until the window with that caption ("": any) is active and has the X server's
  // keyboard focus.
  bool WaitForWindow(const std::string& caption, std::chrono::milliseconds timeout = kWait);
  // Waits until the control has the keyboard focus on the screen and in the model.
  bool WaitForFocus(const std::string& label, std::chrono::milliseconds timeout = kWait);
  // The last state read.
  const ProgramState& State() const { return state_; }

  // Clicks the middle of a control, menu or item (of the window with that caption, or the
  // newest holding it), or of a button of the message box once it is on screen.
  bool ClickControl(const std::string& label, const std::string& caption = "");
  bool ClickModalButton(const std::string& text);

  // Waits for the program to end; its exit code, or -1 (not ended in time, or killed).
  int WaitExit(std::chrono::milliseconds timeout = kWait);
  bool Running();

  // Saves an image of the whole screen (to look at when a test fails).
  bool Shot(const std::string& pngPath);
  // What went wrong: the failing wait, the last state, the program's output and, when a wait
  // timed out and gdb is installed, where the program's threads were.
  std::string Describe() const;
  std::string StateFile() const { return folder_ + "/state.txt"; }

 private:
  bool Read();

  std::string display_;
  std::string folder_;
  std::vector<std::string> environment_;
  XInput input_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  bool exited_ = false;
  ProgramState state_;
  std::string stateText_;
  std::string failedWait_;
  std::string stacks_;  // the program's threads when a wait timed out (gdb, when installed)
};

// The korvandel binary of this build.
std::string ProgramBinary();

}  // namespace kv::test
