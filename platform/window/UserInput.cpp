#include "platform/window/UserInput.h"

#include <algorithm>

#include "platform/window/EntryText.h"
#include "platform/window/KeyCode.h"
#include "platform/window/Window.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

// Checks that `window` takes input and, when `control` is not 0, that the control exists and
// is visible and enabled. Fills `out` with a copy of the control.
InputStatus Check(WindowId window, int control, Control* out) {
  Window w(window);
  int thread = w.Thread();
  if (!w.IsOpen()) return InputStatus::kNoWindow;
  if (Window::Active(thread).Id() != window) return InputStatus::kNotActive;
  if (control == 0) return InputStatus::kOk;
  auto c = w.ControlCopy(control);
  if (!c) return InputStatus::kNoControl;
  if (c->hidden) return InputStatus::kHidden;
  if (c->disabled) return InputStatus::kDisabled;
  if (out) *out = std::move(*c);
  return InputStatus::kOk;
}

int ScrollEventFor(int keyCode) {
  switch (keyCode) {
    case kKeyUp:
      return kEventScrollUp;
    case kKeyDown:
      return kEventScrollDown;
    case kKeyPageUp:
      return kEventPageUp;
    case kKeyPageDown:
      return kEventPageDown;
    case kKeyHome | kCtrl:
      return kEventScrollTop;
    case kKeyEnd | kCtrl:
      return kEventScrollBottom;
    default:
      return 0;
  }
}

// Moves the highlight of a list that scrolls by itself and announces it.
void MoveHighlight(Window& w, const Control& list, int scrollEvent) {
  int rows = static_cast<int>(list.rows.size());
  if (rows == 0) return;
  int page = std::max(1, w.VisibleRows(list.number));
  int choice = list.choice;
  switch (scrollEvent) {
    case kEventScrollUp:
      choice -= 1;
      break;
    case kEventScrollDown:
      choice += 1;
      break;
    case kEventPageUp:
      choice -= page;
      break;
    case kEventPageDown:
      choice += page;
      break;
    case kEventScrollTop:
      choice = 1;
      break;
    case kEventScrollBottom:
      choice = rows;
      break;
    default:
      break;
  }
  choice = std::clamp(choice, 1, rows);
  if (choice == list.choice) return;
  w.SetChoice(list.number, choice);
  w.Post(kEventNewSelection, list.number);
}

// Enter outside a button presses the window's default button, when it has one that is shown
// and enabled.
void PressDefaultButton(WindowId window) {
  int button = 0;
  WindowModel::Instance().Read(window, [&](const WindowState& state) {
    for (const Control& c : state.controls) {
      if (c.kind == ControlKind::kButton && c.isDefault && !c.disabled && state.Shown(c)) {
        button = c.number;
        break;
      }
    }
  });
  if (button != 0) (void)Press(window, button);
}

}  // namespace

const char* InputStatusText(InputStatus status) {
  switch (status) {
    case InputStatus::kOk:
      return "ok";
    case InputStatus::kNoWindow:
      return "window is not open";
    case InputStatus::kNotActive:
      return "window is behind another window of its thread";
    case InputStatus::kNoControl:
      return "no such control";
    case InputStatus::kHidden:
      return "control is hidden";
    case InputStatus::kDisabled:
      return "control is disabled";
    case InputStatus::kReadOnly:
      return "control is read-only";
    case InputStatus::kWrongKind:
      return "gesture does not apply to this kind of control";
    case InputStatus::kNoRow:
      return "no such row";
  }
  return "unknown";
}

InputStatus FocusTo(WindowId window, int control) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  bool moved = false;
  bool refused = false;
  WindowModel::Instance().With(window, [&](WindowState& state) {
    const Control* target = state.Find(control);
    if (target == nullptr || !state.CanFocus(*target)) {
      refused = true;
      return;
    }
    if (state.focus == control) return;
    state.focus = control;
    moved = true;
  });
  if (refused) return InputStatus::kWrongKind;
  if (moved) {
    WindowModel::Instance().ReportChange(window, 0);
    Window(window).Post(kEventSelected, control);
  }
  return InputStatus::kOk;
}

InputStatus TypeText(WindowId window, int control, const std::string& text) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  if (c.kind != ControlKind::kEntry) return InputStatus::kWrongKind;
  if (c.readOnly) return InputStatus::kReadOnly;
  Window(window).SetText(control, FitEntryText(c, text));
  return InputStatus::kOk;
}

InputStatus LeaveEntry(WindowId window, int control, const std::string& text) {
  InputStatus s = TypeText(window, control, text);
  if (s != InputStatus::kOk) return s;
  Window(window).Post(kEventAccepted, control, kKeyTab);
  return InputStatus::kOk;
}

InputStatus TypeInto(WindowId window, int control, const std::string& text) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  if (c.kind != ControlKind::kEntry) return InputStatus::kWrongKind;
  if (c.readOnly) return InputStatus::kReadOnly;
  if (s = FocusTo(window, control); s != InputStatus::kOk) return s;
  if (s = LeaveEntry(window, control, text); s != InputStatus::kOk) return s;
  return PressKey(window, control, kKeyTab);  // Tab takes the focus on
}

InputStatus Press(WindowId window, int control) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  Window w(window);
  switch (c.kind) {
    case ControlKind::kButton:
    case ControlKind::kMenuItem:
      w.Post(kEventAccepted, control, kMouseLeft);
      return InputStatus::kOk;
    case ControlKind::kCheck:
      if (c.readOnly) return InputStatus::kReadOnly;
      w.SetChecked(control, !c.checked);
      w.Post(kEventAccepted, control, kMouseLeft);
      return InputStatus::kOk;
    case ControlKind::kTab: {
      int sheet = c.parent;
      bool changed = false;
      WindowModel::Instance().With(window, [&](WindowState& state) {
        if (Control* sc = state.Find(sheet); sc && sc->selectedTab != control) {
          sc->selectedTab = control;
          changed = true;
        }
      });
      if (changed) {
        WindowModel::Instance().ReportChange(window, sheet);
        w.Post(kEventNewSelection, sheet, kMouseLeft);
      }
      return InputStatus::kOk;
    }
    default:
      return InputStatus::kWrongKind;
  }
}

InputStatus PressKey(WindowId window, int control, int keyCode) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  Window w(window);
  for (const auto& [position, key] : c.alerts) {
    if (key == keyCode) {
      w.Post(kEventAlertKey, control, keyCode);
      return InputStatus::kOk;
    }
  }
  if (keyCode == kKeyTab || keyCode == (kKeyTab | kShift)) {
    int next = 0;
    WindowModel::Instance().Read(window, [&](const WindowState& state) {
      next = state.NextFocusable(control, keyCode != kKeyTab);
    });
    if (next != 0 && next != control) return FocusTo(window, next);
    return InputStatus::kOk;
  }
  if (keyCode == kKeyEsc) {
    // Escape leaves a window as its close box does; the application frame is left on purpose.
    bool frame = false;
    WindowModel::Instance().Read(window, [&](const WindowState& state) {
      frame = state.options.kind == WindowKind::kFrame;
    });
    if (!frame) w.Post(kEventCloseWindow);
    return InputStatus::kOk;
  }
  switch (c.kind) {
    case ControlKind::kList:
      if (int scroll = ScrollEventFor(keyCode)) {
        if (c.immediate) {
          w.Post(scroll, control, keyCode);
        } else {
          MoveHighlight(w, c, scroll);
        }
      } else if (keyCode == kKeyEnter) {
        w.Post(kEventAccepted, control, keyCode);
      } else if (c.immediate && KeyChar(keyCode) != 0) {
        // An immediate list leaves typing to the program (its locator), as it does scrolling.
        w.Post(kEventAlertKey, control, keyCode);
      }
      return InputStatus::kOk;
    case ControlKind::kEntry:
      if (keyCode == kKeyEnter) {
        w.Post(kEventAccepted, control, keyCode);
        PressDefaultButton(window);
      }
      return InputStatus::kOk;
    case ControlKind::kButton:
      if (keyCode == kKeyEnter || keyCode == kKeySpace) return Press(window, control);
      return InputStatus::kOk;
    case ControlKind::kCheck:
      if (keyCode == kKeySpace) return Press(window, control);
      if (keyCode == kKeyEnter) PressDefaultButton(window);
      return InputStatus::kOk;
    default:
      return InputStatus::kOk;
  }
}

InputStatus ClickRow(WindowId window, int control, int row, int keyCode, int column) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  if (c.kind != ControlKind::kList) return InputStatus::kWrongKind;
  int rows = static_cast<int>(c.rows.size());
  if (row < 0 || row > rows) return InputStatus::kNoRow;
  bool doubleClick = keyCode == kMouseLeft2;
  bool right = (keyCode & 0x7F) == kMouseRight;
  WindowModel::Instance().With(window, [&](WindowState& state) {
    Control* lc = state.Find(control);
    if (lc == nullptr) return;
    lc->lastClickRow = row == 0 ? -1 : row;
    lc->lastClickColumn = column;
    if (doubleClick) lc->lastDoubleClickArea = row == 0 ? 2 : 1;
    if (!right && row > 0) lc->choice = row;
  });
  WindowModel::Instance().ReportChange(window, control);
  Window w(window);
  bool alerted = std::any_of(c.alerts.begin(), c.alerts.end(),
                             [&](const auto& entry) { return entry.second == keyCode; });
  if (right) {
    if (alerted) w.Post(kEventAlertKey, control, keyCode);
    return InputStatus::kOk;
  }
  const bool editing = std::any_of(c.columns.begin(), c.columns.end(),
                                   [](const ListColumn& col) { return col.editControl != 0; });
  if (row > 0 && (row != c.choice || (editing && keyCode == kMouseLeft)))
    w.Post(kEventNewSelection, control, keyCode);
  if (doubleClick) w.Post(alerted ? kEventAlertKey : kEventAccepted, control, keyCode);
  return InputStatus::kOk;
}

InputStatus DragThumb(WindowId window, int control, int position) {
  Control c;
  InputStatus s = Check(window, control, &c);
  if (s != InputStatus::kOk) return s;
  if (c.kind != ControlKind::kList) return InputStatus::kWrongKind;
  Window w(window);
  w.SetThumb(control, position);
  w.Post(kEventScrollDrag, control, kMouseLeft);
  return InputStatus::kOk;
}

InputStatus ResizeWindow(WindowId window, int width, int height) {
  InputStatus s = Check(window, 0, nullptr);
  if (s != InputStatus::kOk) return s;
  Window w(window);
  if (!w.Resizable()) return InputStatus::kWrongKind;
  Rect r = w.Position();
  r.width = width;
  r.height = height;
  w.SetPosition(r);
  w.Post(kEventSized);
  return InputStatus::kOk;
}

InputStatus ChangeWindowState(WindowId window, WindowShowState state) {
  InputStatus s = Check(window, 0, nullptr);
  if (s != InputStatus::kOk) return s;
  Window w(window);
  bool maximized = state == WindowShowState::kMaximized;
  bool minimized = state == WindowShowState::kMinimized;
  if (w.Maximized() == maximized && w.Minimized() == minimized) return InputStatus::kOk;
  w.SetMinimized(minimized);
  w.SetMaximized(maximized);
  w.Post(kEventStateChanged);
  return InputStatus::kOk;
}

InputStatus CloseBox(WindowId window) {
  InputStatus s = Check(window, 0, nullptr);
  if (s != InputStatus::kOk) return s;
  Window(window).Post(kEventCloseWindow);
  return InputStatus::kOk;
}

InputStatus TimerTick(WindowId window) {
  InputStatus s = Check(window, 0, nullptr);
  if (s != InputStatus::kOk) return s;
  Window w(window);
  if (w.Timer() == 0) return InputStatus::kWrongKind;
  w.Post(kEventTimer);
  return InputStatus::kOk;
}

}  // namespace kv
