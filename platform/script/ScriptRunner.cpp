#include "platform/script/ScriptRunner.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "platform/thread/LogicalThread.h"
#include "platform/window/KeyCode.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

constexpr std::pair<int, const char*> kButtons[] = {
    {kButtonOk, "Ok"},         {kButtonYes, "Yes"},     {kButtonNo, "No"},
    {kButtonAbort, "Abort"},   {kButtonRetry, "Retry"}, {kButtonIgnore, "Ignore"},
    {kButtonCancel, "Cancel"}, {kButtonHelp, "Help"},
};

bool Same(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trim(std::string_view s) {
  auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  auto last = s.find_last_not_of(' ');
  return std::string(s.substr(first, last - first + 1));
}

std::string Quote(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

bool ToInt(const std::string& s, int* out) {
  if (s.empty()) return false;
  std::size_t i = (s[0] == '-') ? 1 : 0;
  if (i == s.size()) return false;
  for (std::size_t k = i; k < s.size(); ++k) {
    if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
  }
  *out = std::stoi(s);
  return true;
}

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    std::size_t end = s.find(sep, start);
    out.emplace_back(s.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

}  // namespace

void TakeHaltsAsProgramEnd(Backend& backend) {
  SetHaltHandler([&backend](int code, std::string_view) {
    backend.Quit(code);
    for (;;) ::pause();
  });
}

int ButtonValue(std::string_view name) {
  for (const auto& [value, n] : kButtons) {
    if (Same(name, n)) return value;
  }
  return 0;
}

std::string ButtonNames(int buttons) {
  std::string out;
  for (const auto& [value, n] : kButtons) {
    if ((buttons & value) == 0) continue;
    if (!out.empty()) out += ",";
    out += n;
  }
  return out;
}

ScriptRunner::ScriptRunner(ScriptDriver& driver, std::chrono::milliseconds settleTimeout)
    : driver_(driver), timeout_(settleTimeout) {}

ScriptResult ScriptRunner::Run(const Script& script) {
  ScriptResult result;
  for (const ScriptLine& line : script.lines) {
    ++result.linesRun;
    std::string error = Settle();
    if (error.empty()) error = Execute(line);
    if (!error.empty()) {
      result.failedLine = line.number;
      result.message = "line " + std::to_string(line.number) + ": " + error;
      return result;
    }
  }
  result.passed = true;
  return result;
}

const ModalRecord* ScriptRunner::PendingModal(std::vector<ModalRecord>& modals) {
  for (const ModalRecord& m : modals) {
    if (!m.answered) return &m;
  }
  return nullptr;
}

std::string ScriptRunner::Settle() {
  while (true) {
    if (driver_.ProgramEnded()) return {};
    if (!driver_.WaitSettled(timeout_)) return "the program did not settle";
    std::vector<ModalRecord> modals = driver_.Modals();
    const ModalRecord* pending = PendingModal(modals);
    if (pending == nullptr) return {};
    std::deque<std::string>& answers = pending->isMenu ? menuAnswers_ : messageAnswers_;
    if (answers.empty()) return {};  // the script answers it itself, or fails trying to act
    std::string answer = answers.front();
    answers.pop_front();
    int value = 0;
    if (pending->isMenu) {
      if (!answer.empty()) {
        value = FindMenuEntry(ParseMenuDefinition(pending->menu.definition), answer);
        if (value == 0) return "the menu has no item " + Quote(answer);
      }
    } else {
      value = ButtonValue(answer);
      if ((pending->message.buttons & value) == 0) {
        return "the message box " + Quote(pending->message.text) + " has no button " + answer;
      }
    }
    driver_.AnswerPending(value);
  }
}

std::string ScriptRunner::Act(InputStatus status, const std::string& what) {
  if (status != InputStatus::kOk) return what + ": " + InputStatusText(status);
  return Settle();
}

Window ScriptRunner::Current() {
  if (chosen_ != 0 && Window(chosen_).IsOpen()) return Window(chosen_);
  auto open = Window::OpenWindows();
  return open.empty() ? Window() : Window(open.back());
}

std::string ScriptRunner::FindControl(const std::string& label, Window* window, int* control) {
  *window = Current();
  if (!window->IsOpen()) return "no window is open";
  *control = window->Find(label);
  if (*control == 0) return "window " + Quote(window->Caption()) + " has no control " + label;
  return {};
}

std::string ScriptRunner::Execute(const ScriptLine& line) {
  const std::vector<std::string>& w = line.words;
  const std::string& verb = w[0];
  auto need = [&](std::size_t n) { return w.size() >= n; };
  if (verb == "check") return Check(w);
  if (verb == "answer") return Answer(w);
  if (verb == "note" && need(2)) {
    // One write of the whole line: a process killed right after it never leaves half a line.
    const std::string text = w[1] + "\n";
    return ::write(2, text.data(), text.size()) == ssize_t(text.size()) ? "" : "note not written";
  }
  // Every other command acts on the program, which must not be waiting for an answer.
  std::vector<ModalRecord> modals = driver_.Modals();
  if (const ModalRecord* p = PendingModal(modals)) {
    return std::string(p->isMenu ? "a pop-up menu" : "the message box " + Quote(p->message.text)) +
           " is waiting for an answer";
  }
  if (verb == "window" && need(2)) {
    // The n-th open window with that caption, in opening order (the newest without n).
    int wanted = 0;
    if (w.size() > 2 && (!ToInt(w[2], &wanted) || wanted < 1))
      return "not a window number: " + w[2];
    std::vector<WindowId> matches;
    if (w[1] == "frame" && w.size() == 2) {
      if (WindowId frame = WindowModel::Instance().Frame()) matches.push_back(frame);
    }
    for (WindowId id : Window::OpenWindows()) {
      if (Window(id).Caption() == w[1]) matches.push_back(id);
    }
    if (matches.empty() || wanted > static_cast<int>(matches.size())) {
      return "no open window " + Quote(w[1]) + (wanted ? " number " + w[2] : "");
    }
    chosen_ = wanted ? matches[wanted - 1] : matches.back();
    return {};
  }
  Window win;
  int control = 0;
  std::string error;
  if ((verb == "type" && need(3)) || ((verb == "press" || verb == "choose") && need(2)) ||
      ((verb == "key" || verb == "click" || verb == "thumb") && need(3))) {
    if (!(error = FindControl(w[1], &win, &control)).empty()) return error;
    std::string what = verb + " " + w[1];
    if (verb == "type") return Act(driver_.Type(win.Id(), control, w[2]), what);
    if (verb == "press" || verb == "choose") {
      bool item = win.Kind(control) == ControlKind::kMenuItem;
      if ((verb == "choose") != item) return what + ": use choose for menu items, press otherwise";
      return Act(driver_.Press(win.Id(), control), what);
    }
    if (verb == "key") {
      int key = ParseKeyName(w[2]);
      if (key == kKeyNone) return "unknown key " + w[2];
      return Act(driver_.Key(win.Id(), control, key), what);
    }
    int number = 0;
    if (!ToInt(w[2], &number)) return "not a number: " + w[2];
    if (verb == "thumb") return Act(driver_.Thumb(win.Id(), control, number), what);
    int key = kMouseLeft;
    if (w.size() > 3) {
      if (w[3] == "double") {
        key = kMouseLeft2;
      } else if (w[3] == "right") {
        key = kMouseRightUp;
      } else {
        return "click takes double or right, not " + w[3];
      }
    }
    return Act(driver_.Click(win.Id(), control, number, key), what);
  }
  win = Current();
  if (!win.IsOpen() && (verb == "resize" || verb == "close" || verb == "timer")) {
    return "no window is open";
  }
  if (verb == "resize" && need(3)) {
    int width = 0, height = 0;
    if (!ToInt(w[1], &width) || !ToInt(w[2], &height)) return "resize takes a width and a height";
    return Act(driver_.Resize(win.Id(), width, height), "resize");
  }
  if (verb == "close") return Act(driver_.Close(win.Id()), "close " + Quote(win.Caption()));
  if (verb == "timer") return Act(driver_.Timer(win.Id()), "timer");
  return "cannot read command: " + verb + (w.size() > 1 ? " ..." : "");
}

std::string ScriptRunner::Answer(const std::vector<std::string>& w) {
  bool menu = w.size() >= 3 && w[1] == "menu";
  std::string answer;
  if (menu) {
    answer = w[2] == "none" ? "" : w[2];
  } else if (w.size() >= 2 && ButtonValue(w[1]) != 0) {
    answer = w[1];
  } else {
    return "answer takes a button name or menu \"item\"";
  }
  (menu ? menuAnswers_ : messageAnswers_).push_back(answer);
  // A request already waiting takes the answer now; otherwise the next one will.
  return Settle();
}

std::string ScriptRunner::Check(const std::vector<std::string>& w) {
  if (w.size() < 2) return "check what?";
  const std::string& what = w[1];
  if (what == "ended") return driver_.ProgramEnded() ? "" : "the program has not ended";
  if (what == "message" || what == "messages") return CheckMessage(w);
  if ((what == "window" || what == "closed") && w.size() >= 3) {
    bool found = false;
    for (WindowId id : Window::OpenWindows()) found = found || Window(id).Caption() == w[2];
    if (what == "window" && !found) return "no open window " + Quote(w[2]);
    if (what == "closed" && found) return "window " + Quote(w[2]) + " is still open";
    return {};
  }
  if (what == "caption" && w.size() >= 3) {
    Window win = Current();
    if (!win.IsOpen()) return "no window is open";
    if (win.Caption() != w[2])
      return "caption is " + Quote(win.Caption()) + ", expected " + Quote(w[2]);
    return {};
  }
  if (w.size() < 4) return "check " + what + " needs a control and a value";
  Window win;
  int control = 0;
  if (std::string error = FindControl(w[2], &win, &control); !error.empty()) return error;
  if (what == "text") {
    std::string text = Trim(win.Text(control));
    if (text == Trim(w[3])) return {};
    // A masked entry holds a password: the report shows neither what it holds nor what the
    // script expected, since either may be the real one.
    std::optional<Control> shown = win.ControlCopy(control);
    if (shown && shown->password)
      return "text of " + w[2] + " (a password entry) differs from the expected text";
    return "text of " + w[2] + " is " + Quote(text) + ", expected " + Quote(Trim(w[3]));
    return {};
  }
  if (what == "state")
    return CheckState(win, control, std::vector<std::string>(w.begin() + 3, w.end()));
  int number = 0;
  if (!ToInt(w[3], &number)) return "not a number: " + w[3];
  if (what == "rows") {
    int rows = win.RowCount(control);
    if (rows != number) return w[2] + " shows " + std::to_string(rows) + " rows, expected " + w[3];
    return {};
  }
  if (what == "choice") {
    int choice = win.Choice(control);
    if (choice != number)
      return "highlighted row of " + w[2] + " is " + std::to_string(choice) + ", expected " + w[3];
    return {};
  }
  if (what == "row" && w.size() >= 5) {
    std::vector<std::string> cells = win.Row(control, number);
    if (cells.empty()) return w[2] + " has no row " + w[3];
    std::vector<std::string> want = Split(w[4], '|');
    std::string shown;
    for (std::size_t i = 0; i < cells.size(); ++i) shown += (i ? "|" : "") + Trim(cells[i]);
    bool same = want.size() == cells.size();
    for (std::size_t i = 0; same && i < cells.size(); ++i) same = Trim(cells[i]) == Trim(want[i]);
    if (!same)
      return "row " + w[3] + " of " + w[2] + " is " + Quote(shown) + ", expected " + Quote(w[4]);
    return {};
  }
  return "cannot read check: " + what;
}

std::string ScriptRunner::CheckState(Window win, int control,
                                     const std::vector<std::string>& states) {
  auto c = win.ControlCopy(control);
  if (!c) return "no control";
  const std::pair<const char*, bool> known[] = {
      {"enabled", !c->disabled}, {"disabled", c->disabled},
      {"visible", !c->hidden},   {"hidden", c->hidden},
      {"readonly", c->readOnly}, {"editable", !c->readOnly},
      {"checked", c->checked},   {"unchecked", !c->checked},
      {"default", c->isDefault}, {"focused", win.Focus() == control},
  };
  for (const std::string& s : states) {
    auto it = std::find_if(std::begin(known), std::end(known),
                           [&](const auto& k) { return s == k.first; });
    if (it == std::end(known)) return "unknown state " + s;
    if (!it->second) return c->label + " is not " + s;
  }
  return {};
}

std::string ScriptRunner::CheckMessage(const std::vector<std::string>& w) {
  std::vector<ModalRecord> modals = driver_.Modals();
  std::vector<const ModalRecord*> boxes;
  for (const ModalRecord& m : modals) {
    if (!m.isMenu) boxes.push_back(&m);
  }
  if (w[1] == "messages") {
    int n = 0;
    if (w.size() < 3 || !ToInt(w[2], &n)) return "check messages needs a number";
    if (static_cast<int>(boxes.size()) != n) {
      return std::to_string(boxes.size()) + " message boxes were shown, expected " + w[2];
    }
    return {};
  }
  if (w.size() < 3) return "check message needs its text";
  if (boxes.empty()) return "no message box was shown";
  const MessageBoxRequest& m = boxes.back()->message;
  if (m.text != w[2]) return "the last message is " + Quote(m.text) + ", expected " + Quote(w[2]);
  for (std::size_t i = 3; i + 1 < w.size(); i += 2) {
    if (w[i] == "title" && m.caption != w[i + 1]) {
      return "the last message's title is " + Quote(m.caption) + ", expected " + Quote(w[i + 1]);
    }
    if (w[i] == "buttons") {
      int want = 0;
      for (const std::string& name : Split(w[i + 1], ',')) want |= ButtonValue(Trim(name));
      if (want != m.buttons) {
        return "the last message's buttons are " + ButtonNames(m.buttons) + ", expected " +
               w[i + 1];
      }
    }
  }
  return {};
}

bool ScriptRunner::Finish(int rounds) {
  for (int round = 0; round < rounds && !driver_.ProgramEnded(); ++round) {
    if (!driver_.WaitSettled(timeout_)) return false;
    std::vector<ModalRecord> modals = driver_.Modals();
    if (const ModalRecord* p = PendingModal(modals)) {
      int answer = 0;
      if (!p->isMenu) {
        answer = (p->message.buttons & kButtonCancel) ? kButtonCancel : p->message.defaultButton;
      }
      driver_.AnswerPending(answer);
      continue;
    }
    auto open = Window::OpenWindows();
    if (open.empty()) continue;
    Window(open.back()).Post(kEventCloseDown);
  }
  if (!driver_.ProgramEnded()) driver_.WaitSettled(timeout_);
  return driver_.ProgramEnded();
}

}  // namespace kv
