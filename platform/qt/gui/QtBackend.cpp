#include "platform/qt/gui/QtBackend.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QSessionManager>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <vector>

#include "platform/qt/gui/QtModalDialogs.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/EventHub.h"
#include "platform/window/KeyCode.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

std::atomic<QtBackend*> gCurrent{nullptr};

bool OnGuiThread() {
  return QCoreApplication::instance() != nullptr &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

QtBackend::QtBackend() {
  EventHub::Instance();
  Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
  if (held & Qt::ShiftModifier) modifiersAtStart_ |= kShift;
  if (held & Qt::ControlModifier) modifiersAtStart_ |= kCtrl;
  if (held & Qt::AltModifier) modifiersAtStart_ |= kAlt;
  QApplication::setQuitOnLastWindowClosed(false);
  dialogs_ = std::make_unique<QtModalDialogs>(
      this,
      [this](WindowId window) -> QWidget* {
        QWidget* top = TopLevel(window);
        return top != nullptr ? top->window() : nullptr;
      },
      [this](WindowId window, int x, int y, QPoint* global) {
        QtWindow* view = WindowView(window);
        if (view == nullptr || view->Content() == nullptr) return false;
        *global = view->Content()->mapToGlobal(QPoint(view->Units().X(x), view->Units().Y(y)));
        return true;
      });
  // A session that ends asks every window to close, as the program's own close-down.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    QObject::connect(app, &QGuiApplication::commitDataRequest, this,
                     [this](QSessionManager&) { CloseDown(); });
  }
  gCurrent.store(this);
}

QtBackend::~QtBackend() {
  QtBackend* self = this;
  gCurrent.compare_exchange_strong(self, nullptr);
  views_.clear();
}

QtBackend* QtBackend::Current() {
  return gCurrent.load();
}

ModalServices& QtBackend::Services() {
  return *dialogs_;
}

int QtBackend::Run() {
  if (session_) QTimer::singleShot(0, this, [this] { session_(); });
  // A Quit before the loop runs is not lost: its queued exit is handled by this loop.
  return QApplication::exec();
}

void QtBackend::Quit(int exitCode) {
  if (quit_.exchange(true)) return;
  dialogs_->Quit();
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); },
      Qt::QueuedConnection);
}

bool QtBackend::QuitRequested() {
  return quit_.load();
}

void QtBackend::SetSession(std::function<void()> session) {
  session_ = std::move(session);
}

void QtBackend::Mark(WindowId window, const std::function<void(Dirty&)>& change) {
  bool queue = false;
  {
    std::lock_guard lock(mutex_);
    change(dirty_[window]);
    if (!flushQueued_) {
      flushQueued_ = true;
      queue = true;
    }
  }
  if (queue)
    QMetaObject::invokeMethod(
        this, [this] { Flush(); }, Qt::QueuedConnection);
}

void QtBackend::WindowOpened(WindowId window) {
  Mark(window, [](Dirty& d) { d.opened = true; });
}

void QtBackend::WindowClosed(WindowId window) {
  Mark(window, [](Dirty& d) { d.closed = true; });
}

void QtBackend::WindowChanged(WindowId window, int control) {
  Mark(window, [control](Dirty& d) {
    if (control == 0) {
      d.window = true;
    } else {
      d.controls.insert(control);
    }
  });
}

void QtBackend::BeepRequested() {
  {
    std::lock_guard lock(mutex_);
    ++beeps_;
  }
  QMetaObject::invokeMethod(
      this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

int QtBackend::BeepCount() {
  std::lock_guard lock(mutex_);
  return beeps_;
}

void QtBackend::Flush() {
  std::map<WindowId, Dirty> work;
  {
    std::lock_guard lock(mutex_);
    work.swap(dirty_);
    flushQueued_ = false;
    applying_ = true;
  }
  // Ascending ids: a frame is built before the children opened after it.
  for (const auto& [window, dirty] : work) Apply(window, dirty);
  std::lock_guard lock(mutex_);
  applying_ = false;
}

void QtBackend::Apply(WindowId id, const Dirty& dirty) {
  auto it = views_.find(id);
  Window window(id);
  if (dirty.closed || !window.IsOpen()) {
    if (it == views_.end()) return;
    int thread = it->second->Thread();
    DropView(id);
    // The keyboard goes back to the window of that thread that is now in front.
    if (thread != 0) {
      if (QtWindow* next = WindowView(Window::Active(thread).Id())) next->Activate();
    }
    return;
  }
  WindowSnapshot s = window.Snapshot();
  if (s.id == 0) return;
  if (it == views_.end()) {
    QMdiArea* area = s.kind == WindowKind::kFrameChild ? FrameArea() : nullptr;
    QWidget* owner = s.owner != 0 ? TopLevel(s.owner) : nullptr;
    views_[id] = std::make_unique<QtWindow>(s, area, owner);
    if (owner != nullptr) owners_[id] = s.owner;
    return;  // built from the snapshot: every control is current
  }
  QtWindow& view = *it->second;
  if (dirty.window || dirty.opened) {
    view.SyncWindow(s);
    for (const Control& c : s.controls) {
      if (c.number != 0) view.SyncControl(c.number, &c);
    }
    return;
  }
  for (int number : dirty.controls) {
    const Control* found = nullptr;
    for (const Control& c : s.controls) {
      if (c.number == number) found = &c;
    }
    view.SyncControl(number, found);
  }
}

void QtBackend::DropView(WindowId id) {
  // Closes are applied in ascending order, so an owner may go before the window shown over it
  // in the same flush. Deleting the owner's widgets would delete that window's widgets too,
  // behind the back of its view: the owned views go first.
  std::vector<WindowId> owned;
  for (const auto& [window, owner] : owners_) {
    if (owner == id) owned.push_back(window);
  }
  for (WindowId window : owned) DropView(window);
  views_.erase(id);
  owners_.erase(id);
  for (WindowId window : owned) {
    Window w(window);
    if (!w.IsOpen()) continue;
    WindowSnapshot s = w.Snapshot();
    if (s.id == 0) continue;
    QMdiArea* area = s.kind == WindowKind::kFrameChild ? FrameArea() : nullptr;
    views_[window] = std::make_unique<QtWindow>(s, area, nullptr);
  }
}

void QtBackend::CloseDown() {
  for (WindowId id : Window::OpenWindows()) Window(id).Post(kEventCloseDown);
}

bool QtBackend::GuiIdle() {
  {
    std::lock_guard lock(mutex_);
    if (flushQueued_ || applying_ || !dirty_.empty()) return false;
  }
  return dialogs_->PendingShows() == 0;
}

bool QtBackend::WaitSettled(std::chrono::milliseconds timeout) {
  QDeadlineTimer deadline(timeout.count());
  EventHub& hub = EventHub::Instance();
  bool gui = OnGuiThread();
  while (true) {
    if (gui) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    // Idle, settled and still idle: nothing was queued between the two looks.
    if (GuiIdle() && hub.IsSettled() && GuiIdle()) {
      if (!gui) return true;
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (GuiIdle() && hub.IsSettled()) return true;
    }
    if (deadline.hasExpired()) return false;
    if (gui) {
      // Settling does not wake this thread, and the GUI must keep drawing, so the wait on the
      // hub is short and the loop processes events again.
      (void)hub.WaitSettled(std::chrono::milliseconds(2));
    } else {
      (void)hub.WaitSettled(std::chrono::milliseconds(2));
    }
  }
}

QtWindow* QtBackend::WindowView(WindowId window) {
  auto it = views_.find(window);
  return it == views_.end() ? nullptr : it->second.get();
}

QWidget* QtBackend::TopLevel(WindowId window) {
  QtWindow* view = WindowView(window);
  return view != nullptr ? view->TopLevel() : nullptr;
}

QWidget* QtBackend::ControlWidget(WindowId window, int control) {
  QtWindow* view = WindowView(window);
  return view != nullptr ? view->ControlWidget(control) : nullptr;
}

QMdiArea* QtBackend::FrameArea() {
  for (auto& [id, view] : views_) {
    if (view->Kind() == WindowKind::kFrame && view->DocumentArea() != nullptr) {
      return view->DocumentArea();
    }
  }
  return nullptr;
}

QtModalDialogs& QtBackend::Dialogs() {
  return *dialogs_;
}

}  // namespace kv
