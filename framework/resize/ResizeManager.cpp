#include "framework/resize/ResizeManager.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "platform/window/Event.h"

namespace kv {
namespace {

// The window events after which the layout may be out of date.
constexpr int kResizeEvents[] = {kEventFocusGained, kEventSized, kEventStateChanged,
                                 kEventDeferredResize};

// Control types that are never laid out: menus and their parts, and the tabs of a sheet
// (a tab page moves with its sheet; the controls on it belong to the sheet).
bool IsSkippedType(std::int32_t type) {
  switch (type) {
    case 19:
    case 20:
    case 22:
    case 24:
    case 25:
    case 38:
      return true;
    default:
      return type < 1 || type > 127;
  }
}

std::int64_t SquaredLength(const Rect& r) {
  return static_cast<std::int64_t>(r.width) * r.width +
         static_cast<std::int64_t>(r.height) * r.height;
}

}  // namespace

ResizeManager::~ResizeManager() {
  Kill();
}

void ResizeManager::Init(std::uint8_t appStrategy, bool setMinimum, bool setMaximum) {
  Init(Window::Active(), appStrategy, setMinimum, setMaximum);
}

void ResizeManager::Init(Window window, std::uint8_t appStrategy, bool setMinimum,
                         bool setMaximum) {
  Kill();
  window_ = window;
  CONTROLQUEUE = std::make_unique<std::vector<ControlRecord>>();
  RESIZELIST = std::make_unique<std::vector<ResizeRecord>>();
  APPSTRATEGY = appStrategy;
  DEFERMOVES = 1;
  if (!window_.IsOpen()) return;
  for (int code : kResizeEvents) {
    handlerIds_.push_back(window_.Register(code, [this](const Event&) {
      ResizeWindow();
      return false;  // the window manager still sees the event
    }));
  }
  window_.SetWindowProperty(kPropertyResizeManaged, "1");
  CaptureControls();
  if (APPSTRATEGY == 2 || APPSTRATEGY == 4) AssignParents();
  if (setMinimum) window_.SetMinimumSize(ORIGWIN.WIDTH, ORIGWIN.HEIGHT);
  if (setMaximum) window_.SetMaximumSize(ORIGWIN.WIDTH, ORIGWIN.HEIGHT);
}

void ResizeManager::Kill() {
  UnregisterHandlers();
  CONTROLQUEUE.reset();
  RESIZELIST.reset();
}

void ResizeManager::UnregisterHandlers() {
  for (int id : handlerIds_) window_.Unregister(id);
  handlerIds_.clear();
}

std::int32_t ResizeManager::GetParentID(std::int32_t control) {
  const ControlRecord* r = Find(control);
  return r == nullptr ? 0 : r->PARENTID;
}

void ResizeManager::CaptureControls() {
  if (!CONTROLQUEUE) return;
  const Rect w = GetPosition(0);
  ORIGWIN = WindowRecord{w.x,
                         w.y,
                         w.width,
                         w.height,
                         static_cast<std::uint8_t>(window_.Maximized() ? 1 : 0),
                         static_cast<std::uint8_t>(window_.Minimized() ? 1 : 0)};
  PREVIOUSWIN = w;
  for (int number : window_.ControlNumbers()) {
    if (ControlRecord* known = FindRecord(number)) {
      known->POS = window_.ControlRect(number);
      continue;
    }
    if (ControlFlag(number, kPropertyNoResize)) continue;
    std::int32_t type = static_cast<std::int32_t>(window_.Kind(number));
    if (IsSkippedType(type)) continue;
    if (type == static_cast<std::int32_t>(ControlKind::kList) &&
        ControlFlag(number, kPropertyDropDown)) {
      type = static_cast<std::int32_t>(ControlKind::kEntry);
    }
    const ControlStrategies s = DefaultStrategies(APPSTRATEGY, type);
    ControlRecord record;
    record.ID = number;
    record.TYPE = type;
    record.POSITIONALSTRATEGY = s.positional;
    record.RESIZESTRATEGY = s.resize;
    record.POS = window_.ControlRect(number);
    auto at = std::lower_bound(CONTROLQUEUE->begin(), CONTROLQUEUE->end(), number,
                               [](const ControlRecord& r, std::int32_t id) { return r.ID < id; });
    CONTROLQUEUE->insert(at, record);
  }
  RESIZECALLED = 0;
}

void ResizeManager::ResizeWindow() {
  (void)Resize(0);
}

std::uint8_t ResizeManager::Resize(std::int32_t control) {
  if (!CONTROLQUEUE || !RESIZELIST) return 0;
  RESIZELIST->clear();
  if (CONTROLQUEUE->empty() || !window_.IsOpen()) return 0;
  const ControlRecord* target = control == 0 ? nullptr : Find(control);
  if (control != 0 && target == nullptr) return 0;
  // A minimized window shows no controls; laying them out for whatever client size the
  // backend reports then would only be undone on restore.
  if (window_.Minimized()) return 0;
  const Rect now = GetPosition(control);
  if (control == 0 && now.width == PREVIOUSWIN.width && now.height == PREVIOUSWIN.height) {
    return 0;
  }

  int remembered = 0;
  if (DEFERMOVES) {
    remembered = window_.DeferredMoveCount();
    window_.SetDeferredMoveCount(static_cast<int>(CONTROLQUEUE->size()));
  }
  if (control == 0 && now.width == ORIGWIN.WIDTH && now.height == ORIGWIN.HEIGHT) {
    RestoreControls();
  } else {
    Rect before = control == 0 ? ORIGWIN.Rectangle() : target->POS;
    Rect after = now;
    if (control == 0) before.x = before.y = after.x = after.y = 0;
    ComputeChildren(control, before, after, 0);
    if (!DEFERMOVES) OrderWorkList(GetPosition(0));
    for (const ResizeRecord& r : *RESIZELIST) {
      if (r.BEFORE != r.AFTER) ApplyPosition(r.CONTROLID, r.AFTER);
    }
  }
  // Closing the batch carries out every move at once; a batch opened by an outer caller
  // (a negative count) stays open for that caller to close.
  if (DEFERMOVES) window_.SetDeferredMoveCount(remembered < 0 ? remembered : 0);
  RESIZECALLED = 1;
  if (control == 0) PREVIOUSWIN = now;
  return 0;
}

void ResizeManager::ComputeChildren(std::int32_t parent, const Rect& parentBefore,
                                    const Rect& parentAfter, int depth) {
  // SetParent never makes a loop, but PARENTID is a public field: the depth bound keeps a
  // loop made by hand from recursing without end.
  if (depth > static_cast<int>(CONTROLQUEUE->size())) return;
  for (std::size_t i = 0; i < CONTROLQUEUE->size(); ++i) {
    const ControlRecord rec = (*CONTROLQUEUE)[i];
    if (rec.PARENTID != parent || rec.ID == parent) continue;
    ResizeRecord work;
    work.CONTROLID = rec.ID;
    work.TYPE = rec.TYPE;
    work.BEFORE = GetPosition(rec.ID);
    work.AFTER = ComputePosition(rec.ID, parentBefore, rec.POS, parentAfter);
    RESIZELIST->push_back(work);
    const bool moved =
        work.BEFORE != work.AFTER || ControlFlag(rec.ID, kPropertyAlwaysLayoutChildren);
    if (moved && rec.HASCHILDREN) ComputeChildren(rec.ID, rec.POS, work.AFTER, depth + 1);
  }
}

void ResizeManager::OrderWorkList(const Rect& now) {
  for (ResizeRecord& r : *RESIZELIST) {
    std::int64_t priority;
    if (now.width == PREVIOUSWIN.width) {
      priority = r.AFTER.y;
    } else if (now.height == PREVIOUSWIN.height) {
      priority = r.AFTER.x;
    } else {
      priority = static_cast<std::int64_t>(r.AFTER.x) * r.AFTER.x +
                 static_cast<std::int64_t>(r.AFTER.y) * r.AFTER.y;
    }
    r.PRIORITY = static_cast<std::int32_t>(
        std::min<std::int64_t>(priority, std::numeric_limits<std::int32_t>::max()));
  }
  // Growing, the far controls move first; shrinking, the near ones: a control never lands on
  // a neighbour that has not moved out of the way yet.
  const bool grew = SquaredLength(PREVIOUSWIN) <= SquaredLength(now);
  std::stable_sort(RESIZELIST->begin(), RESIZELIST->end(),
                   [grew](const ResizeRecord& a, const ResizeRecord& b) {
                     return grew ? a.PRIORITY > b.PRIORITY : a.PRIORITY < b.PRIORITY;
                   });
}

void ResizeManager::RestoreWindow() {
  if (!CONTROLQUEUE || !window_.IsOpen()) return;
  if (ORIGWIN.ICONIZED) {
    window_.SetMinimized(true);
  } else {
    window_.SetMinimized(false);
    window_.SetMaximized(ORIGWIN.MAXIMIZED != 0);
  }
  Rect r = window_.Position();
  r.width = ORIGWIN.WIDTH;
  r.height = ORIGWIN.HEIGHT;
  window_.SetPosition(r);
  const int remembered = window_.DeferredMoveCount();
  if (DEFERMOVES) window_.SetDeferredMoveCount(static_cast<int>(CONTROLQUEUE->size()));
  RestoreControls();
  if (DEFERMOVES) window_.SetDeferredMoveCount(remembered < 0 ? remembered : 0);
}

void ResizeManager::RestoreControls() {
  for (const ControlRecord& r : *CONTROLQUEUE) ApplyPosition(r.ID, r.POS);
}

void ResizeManager::AssignParents() {
  if (!CONTROLQUEUE) return;
  for (std::size_t i = 0; i < CONTROLQUEUE->size(); ++i) AssignParent((*CONTROLQUEUE)[i]);
}

void ResizeManager::AssignParent(const ControlRecord& current) {
  if (!CONTROLQUEUE) return;
  const std::int32_t c = current.ID;
  const Rect area = current.POS;
  const std::int32_t ownParent = current.PARENTID;
  int parent = window_.ParentControl(c);
  if (parent != 0) {
    // A tab page is part of its sheet: its controls belong to the sheet's parent chain.
    for (int guard = 0; parent != 0 && window_.Kind(parent) == ControlKind::kTab && guard < 64;
         ++guard) {
      parent = window_.ParentControl(parent);
    }
    SetParent(c, parent);
    return;
  }
  for (std::size_t i = 0; i < CONTROLQUEUE->size(); ++i) {
    const ControlRecord& other = (*CONTROLQUEUE)[i];
    if (other.ID == c || (ownParent != 0 && other.ID == ownParent)) continue;
    const bool inside = other.POS.x >= area.x && other.POS.x < area.x + area.width &&
                        other.POS.y >= area.y && other.POS.y < area.y + area.height;
    if (inside) SetParent(other.ID, c);
  }
}

Rect ResizeManager::ComputePosition(std::int32_t control, const Rect& parentBefore,
                                    const Rect& initial, const Rect& parentAfter) {
  const ControlRecord* r = Find(control);
  if (r == nullptr) return initial;
  return ComputeControlRect(r->POSITIONALSTRATEGY, r->RESIZESTRATEGY, parentBefore, initial,
                            parentAfter);
}

void ResizeManager::SetParent(std::int32_t child, std::int32_t parent) {
  if (!CONTROLQUEUE || child == parent) return;
  if (ControlRecord* rec = FindRecord(child)) {
    // Refuse a parent that already belongs to the child: the parents would form a loop that
    // no resize of the window ever reaches.
    std::int32_t up = parent;
    for (std::size_t steps = 0; up != 0 && steps <= CONTROLQUEUE->size(); ++steps) {
      if (up == child) return;
      const ControlRecord* u = Find(up);
      if (u == nullptr) break;
      up = u->PARENTID;
    }
    rec->PARENTID = parent;
  }
  if (parent != 0) {
    if (ControlRecord* p = FindRecord(parent)) p->HASCHILDREN = 1;
  }
}

bool ResizeManager::SetStrategy(std::int32_t control, std::uint16_t positional,
                                std::uint16_t resize) {
  ControlRecord* r = FindRecord(control);
  if (r == nullptr) return false;
  r->POSITIONALSTRATEGY = positional;
  r->RESIZESTRATEGY = resize;
  return true;
}

const ResizeManager::ControlRecord* ResizeManager::Find(std::int32_t control) const {
  if (!CONTROLQUEUE) return nullptr;
  auto it = std::lower_bound(CONTROLQUEUE->begin(), CONTROLQUEUE->end(), control,
                             [](const ControlRecord& r, std::int32_t id) { return r.ID < id; });
  return it != CONTROLQUEUE->end() && it->ID == control ? &*it : nullptr;
}

ResizeManager::ControlRecord* ResizeManager::FindRecord(std::int32_t control) {
  return const_cast<ControlRecord*>(std::as_const(*this).Find(control));
}

Rect ResizeManager::GetPosition(std::int32_t control) const {
  if (control != 0) return window_.ControlRect(control);
  Rect r = window_.Position();
  const Rect client = window_.ClientArea();
  r.width = client.width;
  r.height = client.height;
  return r;
}

void ResizeManager::ApplyPosition(std::int32_t control, const Rect& rect) {
  const Rect current = window_.ControlRect(control);
  Rect target = rect;
  if (ControlFlag(control, kPropertyOwnWidth)) target.width = current.width;
  if (current != target) window_.SetControlRect(control, target);
}

bool ResizeManager::ControlFlag(std::int32_t control, int property) const {
  const std::string text = window_.Property(control, property);
  return !text.empty() && text != "0";
}

}  // namespace kv
