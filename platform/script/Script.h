#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv {

// A scripted session: one command per line, words separated by blanks, text with blanks in
// double quotes (\" and \\ inside quotes stand for " and \). "#" starts a comment line;
// blank lines are skipped. Windows are addressed by caption, controls by label ("?OK").
// The runner waits for the settled state before every line and after every action.
//
//   window "Caption" [N]          make that open window the current one (the N-th with that
//                                 caption in opening order; the newest without N);
//                                 "window frame" chooses the application frame
//   type "?LABEL" "text"          type text into an entry and leave it
//   press "?LABEL"                press a button, toggle a check box, show a tab page
//   choose "?LABEL"               choose a menu item of the current window
//   key "?LABEL" KEY              press a key on a control: Insert, Delete, Ctrl+Enter,
//                                 Shift+Enter, Enter, A..Z, Up, Down, PageUp, PageDown,
//                                 Ctrl+Home, Ctrl+End, MouseRightUp, ...
//   click "?LABEL" ROW [double|right]   click a list row (row 0 is the column headers)
//   thumb "?LABEL" POSITION       drop the list's thumb at 0..100
//   resize WIDTH HEIGHT           resize the current window
//   close                         press the current window's close box
//   timer                         let the current window's timer elapse once
//   note "text"                   write text as a line of the run's report (standard error)
//                                 at once, so that a watcher sees how far the script got
//   answer BUTTON                 answer the waiting message box, or the next one shown:
//                                 Ok, Yes, No, Abort, Retry, Ignore, Cancel, Help
//   answer menu "Item"            answer the waiting (or next) pop-up menu with that item;
//   answer menu none              dismiss it
//   check caption "text"          the current window's caption
//   check window "Caption"        a window with that caption is open
//   check closed "Caption"        no open window has that caption
//   check text "?LABEL" "text"    a control's text (blanks around it do not count)
//   check state "?LABEL" STATE... enabled disabled visible hidden readonly editable
//                                 checked unchecked default focused
//   check rows "?LABEL" N         number of rows a list shows
//   check row "?LABEL" N "a|b|c"  the cells of row N (blanks around each do not count)
//   check choice "?LABEL" N       the highlighted row
//   check message "text" [title "t"] [buttons "Yes,No"]   the last message box shown
//   check messages N              number of message boxes shown so far
//   check ended                   program main has returned
struct ScriptLine {
  int number = 0;                  // line number in the script text, from 1
  std::vector<std::string> words;  // the command word first; quotes removed
};

struct Script {
  std::vector<ScriptLine> lines;
};

// Parses `text`. Returns false and sets `error` ("line 4: unterminated quote") when a line
// cannot be split into words; the commands themselves are checked when they run.
// Thread: any.
[[nodiscard]] bool ParseScript(std::string_view text, Script* script, std::string* error);

}  // namespace kv
