#include "tests/support/XSession.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kv::test {
namespace {

using namespace std::chrono_literals;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The environment of this process with `changes` ("NAME=value") put in.
std::vector<std::string> Environment(const std::vector<std::string>& changes) {
  std::vector<std::string> out;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& c : changes) replaced = replaced || c.substr(0, c.find('=')) == name;
    if (!replaced) out.push_back(entry);
  }
  out.insert(out.end(), changes.begin(), changes.end());
  return out;
}

// Starts `args` with `environment`, in `folder` when given, its output into `log` when given
// (else discarded). Returns the child's pid, -1 on failure.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
            const std::string& folder = {}, const std::string& log = {}, int keepFd = -1) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls until exec. It never outlives the test.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (!folder.empty() && ::chdir(folder.c_str()) != 0) ::_exit(126);
  int out = ::open(log.empty() ? "/dev/null" : log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (out >= 0) {
    ::dup2(out, 1);
    ::dup2(out, 2);
  }
  int in = ::open("/dev/null", O_RDONLY);
  if (in >= 0) ::dup2(in, 0);
  for (int fd = 3; fd < 256; ++fd) {
    if (fd != keepFd) ::close(fd);
  }
  ::execvpe(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

int WaitChild(pid_t pid);

// Runs `args` and collects what it writes to its standard output; its exit code.
int Capture(const std::vector<std::string>& args, std::string* output,
            const std::vector<std::string>& environment = {}) {
  char path[] = "/tmp/korvandel-capture-XXXXXX";
  int fd = ::mkstemp(path);
  if (fd < 0) return -1;
  ::close(fd);
  pid_t pid = Spawn(args, Environment(environment), {}, path);
  int code = pid > 0 ? WaitChild(pid) : -1;
  if (output != nullptr) *output = ReadAll(path);
  ::unlink(path);
  return code;
}

int WaitChild(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (::access((dir + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Splits one line into words; a word may hold key="quoted text" with \" \\ \n escapes.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  std::string word;
  bool quoted = false;
  bool any = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size()) {
        char n = line[++i];
        word += n == 'n' ? '\n' : n;
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = true;
      any = true;
    } else if (c == ' ') {
      if (any || !word.empty()) out.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
    }
  }
  if (any || !word.empty()) out.push_back(word);
  return out;
}

std::string WithoutMnemonic(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&') continue;
    if (text[i] == '&') ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

std::string StateRecord::Get(const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? std::string() : it->second;
}

int StateRecord::Int(const std::string& key) const {
  std::string v = Get(key);
  char* end = nullptr;
  long n = std::strtol(v.c_str(), &end, 10);
  return v.empty() || *end != '\0' ? 0 : static_cast<int>(n);
}

bool StateRecord::Centre(int* x, int* y) const {
  int r[4] = {};
  if (std::sscanf(Get("screen").c_str(), "%d,%d,%d,%d", &r[0], &r[1], &r[2], &r[3]) != 4) {
    return false;
  }
  if (r[2] <= 0 || r[3] <= 0) return false;
  *x = r[0] + r[2] / 2;
  *y = r[1] + r[3] / 2;
  return true;
}

bool ParseState(const std::string& text, ProgramState* state) {
  std::stringstream lines(text);
  std::string line;
  if (!std::getline(lines, line) || line != "korvandel-state 1") return false;
  ProgramState s;
  while (std::getline(lines, line)) {
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    StateRecord r;
    r.kind = words[0];
    for (std::size_t i = 1; i < words.size(); ++i) {
      auto eq = words[i].find('=');
      if (eq == std::string::npos) {
        r.words.push_back(words[i]);
      } else {
        r.fields[words[i].substr(0, eq)] = words[i].substr(eq + 1);
      }
    }
    if (r.kind == "serial" && !r.words.empty()) s.serial = std::atoi(r.words[0].c_str());
    s.records.push_back(std::move(r));
  }
  *state = std::move(s);
  return true;
}

const StateRecord* ProgramState::Window(const std::string& caption) const {
  const StateRecord* found = nullptr;
  for (const StateRecord& r : records) {
    if (r.kind == "window" && (caption.empty() || r.Get("caption") == caption)) found = &r;
  }
  return found;
}

const StateRecord* ProgramState::Control(const std::string& label,
                                         const std::string& caption) const {
  std::string window;
  if (!caption.empty()) {
    const StateRecord* w = Window(caption);
    if (w == nullptr) return nullptr;
    window = w->Get("id");
  }
  const StateRecord* found = nullptr;
  for (const StateRecord& r : records) {
    if (r.kind != "control" && r.kind != "menu" && r.kind != "item") continue;
    if (r.Get("label") != label) continue;
    if (!window.empty() && r.Get("window") != window) continue;
    found = &r;  // windows come in opening order: the newest wins
  }
  return found;
}

std::string ProgramState::Field(const std::string& label, const std::string& key) const {
  const StateRecord* c = Control(label);
  return c != nullptr ? c->Get(key) : std::string();
}

const StateRecord* ProgramState::Message() const {
  for (const StateRecord& r : records) {
    if (r.kind == "message") return &r;
  }
  return nullptr;
}

const StateRecord* ProgramState::ModalButton(const std::string& text) const {
  for (const StateRecord& r : records) {
    if (r.kind == "button" && WithoutMnemonic(r.Get("text")) == text) return &r;
  }
  return nullptr;
}

std::string ProgramState::ScreenFocus(const std::string& caption) const {
  const StateRecord* w = Window(caption);
  if (w == nullptr) return {};
  std::string number = w->Get("screenfocus");
  for (const StateRecord& r : records) {
    if (r.kind == "control" && r.Get("window") == w->Get("id") && r.Get("number") == number) {
      return r.Get("label");
    }
  }
  return {};
}

int ProgramState::Beeps() const {
  for (const StateRecord& r : records) {
    if (r.kind == "beeps" && !r.words.empty()) return std::atoi(r.words[0].c_str());
  }
  return 0;
}

bool ProgramState::ScreenArea(int* x, int* y, int* width, int* height) const {
  for (const StateRecord& r : records) {
    if (r.kind == "screen" && r.words.size() == 4) {
      *x = std::atoi(r.words[0].c_str());
      *y = std::atoi(r.words[1].c_str());
      *width = std::atoi(r.words[2].c_str());
      *height = std::atoi(r.words[3].c_str());
      return true;
    }
  }
  return false;
}

std::string MissingXTools() {
  std::string missing;
  for (const char* tool : {"Xvfb", "xdotool", "xmodmap", "xclip"}) {
    if (!OnPath(tool)) missing += std::string(missing.empty() ? "" : ", ") + tool;
  }
  return missing.empty() ? missing : "not installed: " + missing + " (tools/setup.sh)";
}

XServer::XServer(int width, int height) {
  int fds[2];
  if (::pipe(fds) != 0) {
    error_ = "pipe failed";
    return;
  }
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten",
                "tcp", "-noreset"},
               Environment({}), {}, {}, fds[1]);
  ::close(fds[1]);
  // Xvfb writes the display number once it takes connections.
  std::string number;
  auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buffer[32];
    ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<std::size_t>(n));
    if (number.find('\n') != std::string::npos) break;
  }
  ::close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) {
    error_ = "Xvfb did not report a display";
    return;
  }
  display_ = ":" + number;
}

XServer::~XServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    (void)WaitChild(pid_);
  }
}

int XInput::Run(const std::vector<std::string>& args) {
  std::vector<std::string> all{"xdotool"};
  all.insert(all.end(), args.begin(), args.end());
  pid_t pid = Spawn(all, Environment({"DISPLAY=" + display_}));
  return pid > 0 ? WaitChild(pid) : -1;
}

XInput::~XInput() {
  if (clipboard_ > 0) {
    ::kill(clipboard_, SIGTERM);
    (void)WaitChild(clipboard_);
  }
  if (!clipboardFile_.empty()) ::unlink(clipboardFile_.c_str());
}

bool XInput::SetClipboard(const std::string& text) {
  if (clipboard_ > 0) {
    ::kill(clipboard_, SIGTERM);
    (void)WaitChild(clipboard_);
    clipboard_ = -1;
  }
  if (clipboardFile_.empty()) {
    char path[] = "/tmp/korvandel-clipboard-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0) return false;
    ::close(fd);
    clipboardFile_ = path;
  }
  std::ofstream(clipboardFile_, std::ios::binary | std::ios::trunc) << text;
  const std::vector<std::string> env = Environment({"DISPLAY=" + display_});
  clipboard_ = Spawn({"xclip", "-quiet", "-selection", "clipboard", "-i", clipboardFile_}, env);
  if (clipboard_ <= 0) return false;
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::string out;
    if (Capture({"xclip", "-o", "-selection", "clipboard"}, &out, {"DISPLAY=" + display_}) == 0 &&
        out == text)
      return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

std::string XInput::FocusedWindow() {
  std::string out;
  if (Capture({"xdotool", "getwindowfocus"}, &out, {"DISPLAY=" + display_}) != 0) return {};
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  auto line = out.rfind('\n');
  return line == std::string::npos ? out : out.substr(line + 1);
}

bool XInput::Click(int x, int y, int button) {
  return Run({"mousemove", std::to_string(x), std::to_string(y), "click",
              std::to_string(button)}) == 0;
}

bool XInput::Type(const std::string& text) {
  if (!MapCharacters(text)) return false;
  return Run({"type", "--delay", "15", "--", text}) == 0;
}

bool XInput::MapCharacters(const std::string& text) {
  // xdotool types a character the keyboard map lacks by mapping it onto a spare key for a
  // moment; a program that reads the map a little later sees another character. Mapping the
  // characters once, before typing, leaves nothing to race.
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t k = 1; k < n && i + k < text.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += n;
    if (cp < 0x80 || mapped_.count(cp)) continue;
    char name[16];
    std::snprintf(name, sizeof name, "U%04X", static_cast<unsigned>(cp));
    missing.push_back(name);
    mapped_.insert(cp);
  }
  if (missing.empty()) return true;
  if (spareKeys_.empty()) {
    std::string map;
    if (Capture({"xmodmap", "-display", display_, "-pke"}, &map) != 0) return false;
    std::stringstream lines(map);
    for (std::string line; std::getline(lines, line);) {
      int code = 0;
      char rest[8] = {};
      // "keycode  93 =" with nothing after it: a key without characters.
      if (std::sscanf(line.c_str(), "keycode %d =%7s", &code, rest) == 1)
        spareKeys_.push_back(code);
    }
  }
  std::vector<std::string> args{"xmodmap", "-display", display_};
  for (const std::string& keysym : missing) {
    if (spareKeys_.empty()) return false;
    args.push_back("-e");
    args.push_back("keycode " + std::to_string(spareKeys_.back()) + " = " + keysym + " " + keysym);
    spareKeys_.pop_back();
  }
  return Capture(args, nullptr) == 0;
}

bool XInput::Key(const std::vector<std::string>& keys) {
  std::vector<std::string> args{"key", "--delay", "15"};
  args.insert(args.end(), keys.begin(), keys.end());
  return Run(args) == 0;
}

bool XInput::KeyDown(const std::string& key) {
  return Run({"keydown", key}) == 0;
}

bool XInput::KeyUp(const std::string& key) {
  return Run({"keyup", key}) == 0;
}

std::string ProgramBinary() {
  char self[PATH_MAX] = {};
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  return (std::filesystem::path(self).parent_path().parent_path() / "korvandel").string();
}

XProgram::XProgram(const XServer& server, std::string folder, std::vector<std::string> environment)
    : display_(server.Display()),
      folder_(std::move(folder)),
      environment_(std::move(environment)),
      input_(server.Display()) {}

XProgram::~XProgram() {
  if (pid_ > 0 && !exited_) {
    ::kill(pid_, SIGKILL);
    (void)WaitChild(pid_);
  }
}

bool XProgram::Start() {
  if (display_.empty()) return false;
  // No session bus: without one, looking for it (Qt's accessibility does, as the program
  // starts) can hang the GUI thread now and then; a bus that is not there fails at once.
  std::vector<std::string> env{"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb",
                               "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/no-bus"};
  env.insert(env.end(), environment_.begin(), environment_.end());
  pid_ = Spawn({ProgramBinary(), "--state-file", StateFile()}, Environment(env), folder_,
               folder_ + "/output.txt");
  return pid_ > 0;
}

bool XProgram::Running() {
  if (pid_ <= 0 || exited_) return false;
  int status = 0;
  pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    exited_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  return true;
}

bool XProgram::Read() {
  std::string text = ReadAll(StateFile());
  if (text.empty() || text == stateText_) return !stateText_.empty();
  ProgramState parsed;
  if (!ParseState(text, &parsed)) return !stateText_.empty();
  stateText_ = text;
  state_ = std::move(parsed);
  return true;
}

bool XProgram::WaitFor(const std::string& what,
                       const std::function<bool(const ProgramState&)>& done,
                       std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (true) {
    bool running = Running();
    if (Read() && done(state_)) return true;
    if (!running || Clock::now() > deadline) break;
    std::this_thread::sleep_for(5ms);
  }
  failedWait_ = what + (Running() ? " (timed out)" : " (the program ended)");
  if (Running() && OnPath("gdb")) {
    // Where the program's threads are: a wait that times out is a hang or a lost event.
    std::string stacks;
    (void)Capture({"gdb", "-p", std::to_string(pid_), "-batch", "-ex", "thread apply all bt 20"},
                  &stacks);
    stacks_ = stacks;
  }
  return false;
}

bool XProgram::WaitForWindow(const std::string& caption, std::chrono::milliseconds timeout) {
  // Active for the program, and holding the X server's keyboard focus: keys sent before the
  // server gave it would go elsewhere.
  return WaitFor(
      "window " + caption + " with the keyboard",
      [&](const ProgramState& s) {
        const StateRecord* w = s.Window(caption);
        return w != nullptr && w->Get("active") == "1" && w->Get("xid") != "0" &&
               input_.FocusedWindow() == w->Get("xid");
      },
      timeout);
}

bool XProgram::WaitForFocus(const std::string& label, std::chrono::milliseconds timeout) {
  return WaitFor(
      "focus on " + label,
      [&](const ProgramState& s) {
        const StateRecord* c = s.Control(label);
        return c != nullptr && c->Get("focused") == "1" && s.ScreenFocus() == label;
      },
      timeout);
}

bool XProgram::ClickControl(const std::string& label, const std::string& caption) {
  const StateRecord* c = state_.Control(label, caption);
  int x = 0, y = 0;
  if (c == nullptr || !c->Centre(&x, &y)) {
    failedWait_ = "no control " + label + " on screen to click";
    return false;
  }
  return input_.Click(x, y);
}

bool XProgram::ClickModalButton(const std::string& text) {
  // The message box may be in the state before its buttons have their places on the screen.
  int x = 0, y = 0;
  if (!WaitFor("button " + text + " on screen", [&](const ProgramState& s) {
        const StateRecord* b = s.ModalButton(text);
        return b != nullptr && b->Centre(&x, &y);
      })) {
    return false;
  }
  return input_.Click(x, y);
}

int XProgram::WaitExit(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (Running() && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  if (!exited_) failedWait_ = "the program to end (timed out)";
  return exited_ ? exitCode_ : -1;
}

bool XProgram::Shot(const std::string& pngPath) {
  std::string request = StateFile() + ".shot";
  std::ofstream(request) << pngPath << "\n";
  auto deadline = Clock::now() + 5s;
  while (Running() && std::filesystem::exists(request) && Clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  return std::filesystem::exists(pngPath);
}

std::string XProgram::Describe() const {
  std::string out = "waiting for: " + (failedWait_.empty() ? "-" : failedWait_) + "\n";
  out += "last state:\n" + (stateText_.empty() ? "(none)\n" : stateText_);
  std::string log = ReadAll(folder_ + "/output.txt");
  if (log.size() > 4000) log = "..." + log.substr(log.size() - 4000);
  out += "program output:\n" + log;
  if (!stacks_.empty()) out += "threads of the program:\n" + stacks_;
  return out;
}

}  // namespace kv::test
