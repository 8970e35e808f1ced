#pragma once

#include "platform/window/Window.h"

namespace kv {

// Closing the application frame while other logical threads still show windows (lists that run
// on threads of their own, with the forms they opened). The runtime does it so that the frame's
// procedure never ends under them: each of those windows is closed the way its own close box
// would close it, so its procedure ends normally (its Kill saves what it saves, its thread
// releases its tables and ends), and only then does the frame close.
//
//   1. A close-window or close-down event reaches the frame's event loop while other threads
//      have open windows: the frame is marked closing, close-down is posted to each of those
//      threads (it reaches the window in front, a form before its list) and the event is
//      consumed; the frame stays open.
//   2. Each time a window of another thread closes while the frame is marked closing,
//      close-down goes on to that thread's next window. When no other thread has a window any
//      more, close-window is posted to the frame, which now closes as usual.
//   3. A window that consumes the close-down and stays open (a form whose user answered "No" to
//      losing the changes) ends the closing: the mark is cleared, the frame stays open and the
//      other windows that are still open stay as they are.
//
// Thread: any; the state is one process-wide mark guarded by its own lock, which is never held
// while an event is posted.

// Step 1 for `frame`: false, with nothing done, when no thread other than the frame's has an
// open window; else marks the frame closing, posts the close-downs and answers true (the
// caller consumes the close event). Called by RunEventLoop for close events of the frame.
bool CloseOtherThreads(Window frame);

// Step 2: a window of logical thread `thread` was closed. Called by Window::Close.
void NoteWindowClosed(int thread);

// Step 3: a close-down was consumed and its window stayed open. Called by RunEventLoop.
void NoteCloseDeclined();

// True while a frame is marked closing.
bool FrameClosing();

}  // namespace kv
