#pragma once

#include "platform/window/WindowModel.h"

namespace kv::control_access {

// Reads one control of window `id` under the model's lock: `f(control)` gives the answer, or
// `fallback` when the window or the control does not exist. Thread: any.
template <class T, class F>
T ReadControl(WindowId id, int control, T fallback, F f) {
  T out = fallback;
  WindowModel::Instance().Read(id, [&](const WindowState& w) {
    if (const Control* c = w.Find(control)) out = f(*c);
  });
  return out;
}

// Changes one control of window `id` under the model's lock, then reports the change to the
// backend (outside the lock). Nothing when the window or the control does not exist.
template <class F>
void ChangeControl(WindowId id, int control, F f) {
  bool found = false;
  WindowModel::Instance().With(id, [&](WindowState& w) {
    if (Control* c = w.Find(control)) {
      f(*c);
      found = true;
    }
  });
  if (found) WindowModel::Instance().ReportChange(id, control);
}

}  // namespace kv::control_access
