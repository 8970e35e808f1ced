#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/window/Event.h"
#include "platform/window/ModalServices.h"

class QMenu;
class QMessageBox;

namespace kv {

// The modal services of the desktop backend: message boxes and pop-up menus shown by the GUI
// thread for logical threads that wait for the answer.
//
// A request is queued to the GUI thread, which builds the box or menu and shows it without
// a nested event loop (a window-modal box over the asking thread's window, a pop-up menu at
// the given place or the mouse); the asking thread waits in the event hub's modal wait, so a
// process whose threads all wait for answers counts as settled once every box is on screen.
// When the user answers, the GUI thread records the answer and wakes that thread only; it
// never waits itself, so any number of threads can ask at once.
//
// Lock: the event hub's lock guards the request list and counters, so that recording an
// answer and waking the waiting thread happen together. No lock is held while a widget is
// built or shown.
class QtModalDialogs final : public ModalServices {
 public:
  // `context` is an object of the GUI thread that queued calls run on; `parentFor` gives the
  // widget a box for a window is shown over (null: none); `placeIn` turns a place in a window,
  // in its dialog units from the top-left corner of its client area, into global coordinates
  // (false when the window has no widgets).
  using PlaceFunction = std::function<bool(WindowId, int x, int y, QPoint* global)>;
  QtModalDialogs(QObject* context, std::function<QWidget*(WindowId)> parentFor,
                 PlaceFunction placeIn = {});
  ~QtModalDialogs() override;

  // ModalServices. Thread: a logical thread (on the GUI thread itself the box runs its own
  // loop, since nothing else could answer it).
  int ShowMessageBox(const MessageBoxRequest& request) override;
  int ShowPopupMenu(const PopupMenuRequest& request) override;

  // The default place of a pop-up menu (a request with a coordinate of 0 or less takes that
  // coordinate from it). NoteClick records where the last mouse click on a control happened
  // (global coordinates): it is where the pointer is after a real click, and input sent
  // straight to widgets (scripts) does not move the pointer. NoteKeyboardMenu records the place
  // below a list's highlighted row when the context-menu key is pressed on it. Whichever came
  // last is the default place; before either, the pointer's position. GUI thread.
  static void NoteClick(const QPoint& global);
  static void NoteKeyboardMenu(const QPoint& global);
  static QPoint DefaultMenuPlace();

  // Answers 0 to every waiting request and refuses new ones (they answer 0 at once); the
  // widgets still shown are closed. Thread: any.
  void Quit();

  // Requests queued but not yet shown. Thread: any.
  int PendingShows();

  // Every request shown so far, oldest first, with its answer once given. Thread: any.
  struct Record {
    bool isMenu = false;
    MessageBoxRequest message;
    PopupMenuRequest menu;
    bool answered = false;
    int answer = 0;
  };
  std::vector<Record> History();
  // GUI thread: the widget of the oldest request still waiting for its answer, or null.
  QWidget* OldestWaiting();

  // GUI thread: the boxes and menus on screen, oldest first.
  std::vector<QWidget*> Shown();
  QMessageBox* LastMessageBox();
  QMenu* LastMenu();

  // The button value a message box widget answers for `button` (0 when it is not one of its
  // buttons). GUI thread.
  static int ButtonValue(QMessageBox* box, QWidget* button);
  // The widget of a box's button for a button value (null when the box lacks it). GUI thread.
  static QWidget* ButtonFor(QMessageBox* box, int value);

 private:
  struct Request {
    bool isMenu = false;
    MessageBoxRequest message;
    PopupMenuRequest menu;
    int thread = 0;
    WindowId window = 0;  // the asking thread's active window
    bool answered = false;
    int answer = 0;
    QPointer<QWidget> widget;  // GUI thread only
  };
  using RequestPtr = std::shared_ptr<Request>;

  int Ask(RequestPtr request);
  void Show(const RequestPtr& request);                             // GUI thread
  QPoint MenuPlace(const PopupMenuRequest& menu, WindowId window);  // GUI thread
  QWidget* BuildMessageBox(const RequestPtr& request, QWidget* parent);
  QWidget* BuildMenu(const RequestPtr& request, QWidget* parent);
  void Answer(const RequestPtr& request, int answer);  // GUI thread

  QObject* context_;
  std::function<QWidget*(WindowId)> parentFor_;
  PlaceFunction placeIn_;
  std::mutex& lock_;                 // the event hub's lock; guards the members below
  std::list<RequestPtr> requests_;   // asked and not answered
  std::vector<RequestPtr> history_;  // every request, oldest first
  int pendingShows_ = 0;
  bool quit_ = false;
};

}  // namespace kv
