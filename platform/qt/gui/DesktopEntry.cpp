#include "platform/window/DesktopEntry.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/qt/gui/QtBackend.h"
#include "platform/qt/gui/QtScriptDriver.h"
#include "platform/qt/gui/QtStateDump.h"
#include "platform/script/ScriptRunner.h"
#include "platform/thread/LogicalThread.h"

namespace kv {
namespace {

bool DisplayAvailable() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The application of the process: the one that exists, or a new one that is never destroyed,
// since logical threads the program left running may still reach the widgets' backend.
// `created` tells whether this call made it (and may end it once no thread is left).
QApplication* Application(int& argc, char** argv, bool* created) {
  *created = false;
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  auto* app = new QApplication(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvandel"));
  *created = true;
  return app;
}

// Saves the visible top-level windows as they lie on the screen, as one image NAME.png:
// ordinary windows first (owners before the windows shown over them), message boxes and menus
// over them.
void SaveShots(const QString& directory, const QString& name, std::vector<std::string>* saved) {
  QDir().mkpath(directory);
  QList<QWidget*> windows;
  QList<QWidget*> popups;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || w->width() <= 0 || w->height() <= 0) continue;
    bool popup = qobject_cast<QMenu*>(w) != nullptr || qobject_cast<QMessageBox*>(w) != nullptr;
    (popup ? popups : windows).append(w);
  }
  // A window shown over another is drawn after it.
  auto depth = [](QWidget* w) {
    int n = 0;
    for (QWidget* p = w->parentWidget(); p != nullptr; p = p->window()->parentWidget()) ++n;
    return n;
  };
  std::stable_sort(windows.begin(), windows.end(),
                   [&](QWidget* a, QWidget* b) { return depth(a) < depth(b); });
  windows.append(popups);
  if (windows.isEmpty()) return;
  QRect area;
  for (QWidget* w : windows) area |= w->geometry();
  QImage image(area.size(), QImage::Format_RGB32);
  image.fill(QColor(96, 96, 104));
  QPainter painter(&image);
  for (QWidget* w : windows)
    painter.drawPixmap(w->geometry().topLeft() - area.topLeft(), w->grab());
  painter.end();
  QString file = directory + "/" + name + QStringLiteral(".png");
  if (image.save(file) && saved != nullptr) saved->push_back(file.toStdString());
}

}  // namespace

int RunDesktop(int argc, char** argv, const std::function<int(Backend&)>& run,
               const DesktopOptions& options) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr, "korvandel: no display to show the program on (DISPLAY is not set)\n");
    return 2;
  }
  static int args = argc;
  bool created = false;
  QApplication* app = Application(args, argv, &created);
  auto* backend = new QtBackend;
  std::unique_ptr<QtStateDump> dump;
  if (!options.stateFile.empty()) dump = std::make_unique<QtStateDump>(*backend, options.stateFile);
  int code = run(*backend);
  dump.reset();
  if (LiveThreadCount() == 0) {  // else threads may still report to them
    delete backend;
    if (created) delete app;
  }
  return code;
}

int RunScriptFileDesktop(int argc, char** argv, const std::string& path,
                         const std::function<int(Backend&)>& run, const std::string& shotDirectory,
                         std::vector<std::string>* shotsSaved) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "%s: cannot read the script\n", path.c_str());
    return 2;
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();
  Script script;
  std::string error;
  if (!ParseScript(text, &script, &error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return 2;
  }
  // "#shot NAME" lines cut the script into parts; the images are taken between them.
  std::map<int, QString> shots;  // line number -> name
  static const QRegularExpression shotLine(QStringLiteral("^\\s*#shot\\s+(\\S+)\\s*$"));
  int number = 0;
  for (const QString& line : QString::fromStdString(text).split('\n')) {
    ++number;
    auto match = shotLine.match(line);
    if (match.hasMatch()) shots[number] = match.captured(1);
  }
  if (!DisplayAvailable()) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int args = argc;
  bool created = false;
  QApplication* app = Application(args, argv, &created);
  auto* backend = new QtBackend;
  QtScriptDriver driver(*backend);
  ScriptRunner runner(driver);
  ScriptResult result;
  result.passed = true;
  bool ended = false;
  backend->SetSession([&] {
    TakeHaltsAsProgramEnd(*backend);
    std::size_t next = 0;
    auto runUntil = [&](int lineLimit) {
      Script part;
      while (next < script.lines.size() && script.lines[next].number < lineLimit) {
        part.lines.push_back(script.lines[next++]);
      }
      if (part.lines.empty()) return true;
      ScriptResult r = runner.Run(part);
      result.linesRun += r.linesRun;
      if (!r.passed) {
        result.passed = false;
        result.failedLine = r.failedLine;
        result.message = r.message;
      }
      return r.passed;
    };
    bool ok = true;
    for (const auto& [line, name] : shots) {
      ok = runUntil(line);
      if (!ok) break;
      (void)backend->WaitSettled(std::chrono::seconds(30));
      if (!shotDirectory.empty()) {
        SaveShots(QString::fromStdString(shotDirectory), name, shotsSaved);
      }
    }
    if (ok) runUntil(1 << 30);
    ended = runner.Finish();
    if (!backend->QuitRequested()) backend->Quit(0);
  });
  int code = run(*backend);
  if (ended && LiveThreadCount() == 0) {
    delete backend;
    if (created) delete app;
  }
  if (!result.passed) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), result.message.c_str());
    return 1;
  }
  std::fprintf(stderr, "%s: script passed (%d lines, program exit code %d)\n", path.c_str(),
               result.linesRun, code);
  return 0;
}

}  // namespace kv
