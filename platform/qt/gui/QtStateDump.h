#pragma once

#include <QObject>
#include <QString>
#include <string>

class QTimer;

namespace kv {

class QtBackend;

// Keeps a text file up to date with what the program shows: every open window of the model with
// the screen rectangles of its controls, the keyboard focus as the model and as the screen have
// it, menus and their items, and the message boxes on screen. Tests that drive the program with
// real X input read it to find where to click and to wait for the program's answer; nothing in
// the program reads it.
//
// The file is written only in the settled state (QtBackend::WaitSettled's meaning: every logical
// thread waits, nothing waits to be drawn) and only when its text changed, each time as a whole
// (a temporary file renamed over it), so a reader never sees half a state or a passing one.
// Its first line is "korvandel-state 1", then "serial N" (grows with each write), then one
// record per line:
//   screen x y width height                      the available area of the primary screen
//   window id=.. caption=".." kind=ordinary|frame|child thread=.. active=0|1 focus=N
//          screenfocus=N requests=N rect=x,y,w,h screen=x,y,w,h xid=N
//   control window=.. number=N label=".." kind=entry|button|check-box|... text=".." shown=".."
//          focused=0|1 enabled=0|1 visible=0|1 checked=0|1 default=0|1 looksdefault=0|1
//          password=0|1 screen=x,y,w,h
//   menu / item window=.. number=N label=".." text=".." shown=".." enabled=0|1 open=0|1
//          active=0|1 screen=x,y,w,h          (items only while their menu is on screen)
//   message text=".." title=".." screen=x,y,w,h
//   button of=message text=".." default=0|1 screen=x,y,w,h
//   beeps N
// `rect` is the model's (dialog units), `screen` global pixels (0,0,0,0 when not on screen),
// `xid` the window system's number of its top-level window (0 when none);
// `focus` is the model's focused control, `screenfocus` the control whose widget has the
// keyboard focus; `text` is the model's text, `shown` what the widget holds (for an entry, what
// is being typed; a menu's text with its keyboard mnemonic); `password` says that the widget
// masks what it holds. Text is in double quotes with \",
// \\ and \n escaped.
//
// A file "<path>.shot" holding a file name asks for a PNG image of the whole screen there; the
// request file is removed once the image is saved. Thread: the GUI thread.
class QtStateDump final : public QObject {
 public:
  QtStateDump(QtBackend& backend, std::string path);
  ~QtStateDump() override;

  // The state as the file would hold it now (without the serial line).
  QString Compose() const;

 private:
  void Tick();

  QtBackend& backend_;
  QString path_;
  QString last_;
  int serial_ = 0;
  QTimer* timer_;
};

}  // namespace kv
