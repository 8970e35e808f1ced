#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <map>
#include <memory>
#include <string>

#include "platform/qt/gui/DialogUnits.h"
#include "platform/window/Window.h"

class QAction;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMenuBar;
class QTimer;
class QWidget;

namespace kv {

class QtControl;

// The widgets of one open window. The frame is a main window holding a multiple-document
// area and the menu bar; a frame child is a sub-window of that area; a tool window is a small
// top-level tool window, placed beside its owner unless the model gives it a place, that
// stays above its owner without blocking it and closes with Escape as with its close box; any
// other window is a top-level window (kept above its owner when it has one, and centred on it
// when the model gives it no place). The window's controls
// sit on a content widget at the places their definitions give, converted from dialog units with
// the window's font.
//
// The widgets follow the model: the backend calls Sync* with copies read from the model, and
// the widgets never change the model themselves. What the user does (closing, resizing,
// maximizing, typing, clicking) goes to the window platform's gestures, which change the
// model and post the events. Thread: the GUI thread only.
class QtWindow final : public QObject {
 public:
  // Builds the widgets of `window` and shows them. `frameArea` is the frame's document area
  // (for frame children), `owner` the top-level widget of the owning window (or null).
  QtWindow(const WindowSnapshot& window, QMdiArea* frameArea, QWidget* owner);
  ~QtWindow() override;

  WindowId Id() const { return id_; }
  WindowKind Kind() const { return kind_; }
  const DialogUnits& Units() const { return units_; }

  // Window properties and the set of controls (controls made or removed at run time).
  void SyncWindow(const WindowSnapshot& window);
  // One control's properties; a control the window no longer has loses its widget.
  void SyncControl(int number, const Control* control);

  QWidget* TopLevel() const;       // main window, sub-window or top-level widget
  QWidget* Content() const;        // the widget the controls sit on
  QMdiArea* DocumentArea() const;  // the frame's area; null for other windows
  QWidget* ControlWidget(int number) const;
  QAction* MenuAction(int number) const;  // menus and menu items
  QMenu* Menu(int number) const;          // the pop-up of a menu (null for items)
  QMenuBar* MenuBar() const { return bar_; }
  QtControl* ControlView(int number) const;

  // True while the backend changes the widgets (their signals are not user input).
  bool Syncing() const { return syncing_ > 0; }
  // True while the backend itself places the keyboard (a window shown or brought to the front):
  // where Qt puts it on the way (the frame's area gives an activated child's keyboard to its
  // first widget, a sheet's tabs) is not the person's doing and is not reported to the model.
  bool PlacingFocus() const { return placingFocus_ > 0; }
  // Shows or hides the controls on the pages of `sheet` as its selected tab says.
  void UpdatePages(int sheet);
  // False for a control on a sheet page that is not shown.
  bool OnVisiblePage(int number) const;
  // Accepts what was typed into the window's focused entry, if anything, without moving the
  // focus: a button's mnemonic or a menu item acts on the text as the person sees it.
  void CommitFocusedEntry();
  // The control whose widget has the window's keyboard focus (0 for none).
  int FocusedControl() const;
  // Brings the window to the front and gives it the keyboard (a frame child becomes the
  // frame's active child).
  void Activate();
  int Thread() const { return thread_; }
  // The button that has the focus (0: none), which is drawn as the default one meanwhile.
  int FocusedButton() const { return focusedButton_; }
  void SetFocusedButton(int number);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus(const WindowSnapshot& window, QMenuBar* bar);
  // The text a menu or item shows: the model's, with a keyboard mnemonic when it has none.
  QString MenuText(int number, const std::string& text) const;
  void AddControl(const Control& control);
  // Sizes and places the widgets as the model says, within the screen's available area;
  // `initial` when the window has just been built.
  void ApplyGeometry(const WindowSnapshot& window, bool initial);
  // Lists put the controls of their edit slots over their cells (QtList::PlaceEditors).
  void PlaceCellEditors();
  void ApplyState(const WindowSnapshot& window);
  void PlaceBeside(QWidget* owner);  // a tool window's first place: right of (or below) it
  void UserResized();
  void UserChangedState();
  QSize ClientSize() const;                // pixels of the content, which the definition sizes
  QSize Outer(const QSize& client) const;  // the top-level size that gives that content

  WindowId id_ = 0;
  int thread_ = 0;
  WindowKind kind_ = WindowKind::kOrdinary;
  DialogUnits units_;
  QPointer<QWidget> top_;  // owns everything below
  QMainWindow* frame_ = nullptr;
  QPointer<QMdiSubWindow> sub_;  // cleared when the frame's area deleted it first
  QWidget* body_ = nullptr;      // menu bar (other than the frame's) and content
  QWidget* content_ = nullptr;
  QMdiArea* area_ = nullptr;
  QTimer* timer_ = nullptr;
  std::map<int, std::unique_ptr<QtControl>> controls_;
  std::map<int, QAction*> menuActions_;
  std::map<int, QMenu*> menus_;
  std::map<int, int> menuParents_;    // menu or item -> the menu holding it (0: the bar)
  std::map<int, QString> menuShown_;  // menu or item -> the text it shows
  QMenuBar* bar_ = nullptr;
  WindowSnapshot last_;  // the model as last applied (without controls)
  QSize decoration_;     // what a sub-window adds around its widget
  int syncing_ = 0;
  int focusedButton_ = 0;
  int placingFocus_ = 0;
  bool closing_ = false;  // the widgets are being destroyed
};

}  // namespace kv
