#pragma once

#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/WindowDefinition.h"

namespace kv {

// The application frame, the first procedure program main runs. Its window manager opens the
// frame window with the "Articulos" menu; "Browse Articulos" starts the products list on a
// thread of its own (stack of 50000 bytes) and "Exit", like the frame's close box, closes the
// frame and ends the procedure. The frame saves no window position.
//
// Init runs the connection dialog (app/SQLConnect.h) before the frame opens: the frame opens
// only once a connection works. Closing the frame while lists are open closes the lists first
// (each as its Close button would, saving its window's place); the runtime does that, and a
// list whose form keeps its changes keeps the frame open.
//
// Thread: Main runs on the program's main logical thread.
class MainFrame : public WindowManager {
 public:
  explicit MainFrame(WindowDefinition window) : window_(std::move(window)) {}

  // PushProcedureName "Main"; REQUEST := GlobalRequest; base Init; FIRSTFIELD 1, VCRREQUEST,
  // ERRORS, the toolbar manager; GlobalRequest and GlobalResponse cleared; the frame opens;
  // SetAlerts. Answers Benign, or the base's answer when it is not Benign.
  ResultLevel Init() override;
  // "Browse Articulos" starts the list procedure on a new thread; then the framework's
  // TakeAccepted, whose answer is the answer.
  ResultLevel TakeAccepted() override;
  // Base Kill (its answer when not Benign), then PopProcedureName. Answers Benign.
  ResultLevel Kill() override;

 private:
  WindowDefinition window_;
  ToolbarManager toolbar_;
};

// The procedure: prepares the frame's window, runs the window manager and leaves its answer
// in the thread's GlobalResponse.
void Main();

// The procedure "Browse Articulos" starts, each time on a new thread with a stack of 50000
// bytes: BrowseArticulos (app/BrowseArticulos.h), or the one set here (tests put their own in;
// an empty one restores BrowseArticulos). Set it before the frame runs. Thread: any.
void SetBrowseProcedure(ThreadProc procedure);

// Stack size of each products-list thread, in bytes.
inline constexpr std::size_t kBrowseStackSize = 50000;

}  // namespace kv
