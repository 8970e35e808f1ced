#include "framework/window/WindowManager.h"

#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowResizer.h"
#include "framework/window/WindowTranslator.h"
#include "platform/window/EventLoop.h"

namespace kv {

namespace {

// Key codes that must not act on a window that opens while they are pending: the right mouse
// button, pressed and released (a context click that started the procedure).
constexpr int kKeyRightClick = 2;
constexpr int kKeyRightClickUp = 130;

bool IsCloseEvent(int code) {
  return code == kEventCloseWindow || code == kEventCloseDown;
}

}  // namespace

WindowManager::WindowManager() = default;

WindowManager::~WindowManager() {
  CloseWindow();
}

void WindowManager::Ask() {
  if (DEAD) return;
  LASTINSERTEDPOSITION.clear();
  RunEventLoop(MYWINDOW, [this](const Event& event) {
    ResultLevel r = TakeEvent();
    if (r == Fatal) return LoopAnswer::kLeave;
    if (r == Notify) return LoopAnswer::kConsumed;
    // The runtime's default for a close event is to close the window at once. Leaving the loop
    // instead keeps the window open through Kill, so that a Kill override can still read its
    // position; Run closes it right after Kill.
    if (IsCloseEvent(event.code)) return LoopAnswer::kLeave;
    // The runtime's default for a rejected text is the beep TakeRejected has already given.
    if (event.code == kEventRejected) return LoopAnswer::kConsumed;
    return LoopAnswer::kDefault;
  });
}

ResultLevel WindowManager::Init() {
  ORIGINALREQUEST = REQUEST;
  CL = std::make_unique<std::vector<ComponentEntry>>();
  BUTTONS = std::make_unique<std::vector<ButtonEntry>>();
  PushBindLevel();
  if (KeyCode() == kKeyRightClick || KeyCode() == kKeyRightClickUp) SetKeyCode(0);
  INSERTACTION = 2;
  DELETEACTION = 2;
  CHANGEACTION = 2;
  CANCELACTION = 3;
  AUTOTOOLBAR = 1;
  AUTOREFRESH = 1;
  OWNERWINDOW = Window();
  return Benign;
}

ResultLevel WindowManager::Kill() {
  if (DEAD || !CL) return Notify;
  // Each component leaves the list before its Kill runs, so a component that removes itself
  // (or that the window manager would call again) is never seen twice.
  while (!CL->empty()) {
    WindowComponent* component = CL->front().WC;
    CL->erase(CL->begin());
    component->Kill();
  }
  CL.reset();
  BUTTONS.reset();
  HISTORY.reset();
  ReleaseSavedBuffers();
  if (TOOLBAR != nullptr) TOOLBAR->Kill();
  if (RESIZE != nullptr) RESIZE->Kill();
  DEAD = 1;
  PopBindLevel();
  return Benign;
}

void WindowManager::Open() {
  if (TRANSLATOR != nullptr) TRANSLATOR->TranslateWindow(MYWINDOW);
  Reset(0);
  INITED |= 1;
}

void WindowManager::Open(const WindowDefinition& window, Window owner, WindowKind kind) {
  if (owner.Id() != 0) OWNERWINDOW = owner;
  OpenOptions options;
  if (OWNERWINDOW.IsOpen()) {
    options.kind = WindowKind::kOrdinary;
    options.owner = OWNERWINDOW.Id();
  } else {
    options.kind = kind;
  }
  MYWINDOW = Window::Open(window, options);
  OPENED = 1;
}

void WindowManager::PrimeFields() {}

void WindowManager::Reset(std::uint8_t force) {
  if (MYWINDOW.InAcceptAll()) return;
  std::uint8_t effective = (force != 0 || FORCEDRESET != 0) ? 1 : 0;
  FORCEDRESET = 0;
  if (CL) {
    // A copy: a component's reset may register or remove components.
    std::vector<ComponentEntry> entries = *CL;
    for (const ComponentEntry& e : entries) {
      if (e.TYPE == 0) e.WC->Reset(effective);
    }
    for (const ComponentEntry& e : entries) e.WC->UpdateWindow();
  }
  MYWINDOW.Display(0);
}

ResponseCode WindowManager::Run() {
  if (Init() == Benign) Ask();
  Kill();
  CloseWindow();
  return RESPONSE != 0 ? RESPONSE : RequestCancelled;
}

ResponseCode WindowManager::Run(std::uint16_t, RequestCode) {
  return RequestCancelled;
}

void WindowManager::SetAlerts() {
  if (CL) {
    std::vector<ComponentEntry> entries = *CL;
    for (const ComponentEntry& e : entries) e.WC->SetAlerts();
  }
  if (!HISTORY || HISTORYKEY == 0) return;
  for (const HistoryEntry& h : *HISTORY) {
    if (MYWINDOW.IsAlerted(h.CONTROL, HISTORYKEY)) continue;
    for (int position = 1; position <= 255; ++position) {
      if (MYWINDOW.Alert(h.CONTROL, position) == 0) {
        MYWINDOW.SetAlert(h.CONTROL, position, HISTORYKEY);
        break;
      }
    }
  }
}

void WindowManager::SetResponse(ResponseCode response) {
  RESPONSE = response;
  MYWINDOW.Post(kEventCloseWindow);
  if (response == RequestCancelled && TOOLBAR != nullptr && VCRREQUEST != nullptr) {
    *VCRREQUEST = 0;
  }
}

void WindowManager::Update() {
  if (!CL) return;
  std::vector<ComponentEntry> entries = *CL;
  for (const ComponentEntry& e : entries) e.WC->Update();
}

void WindowManager::SetControlDisabled(std::int32_t control, bool disable) {
  if (control == 0) return;
  MYWINDOW.SetDisabled(control, disable);
}

void WindowManager::AddItem(WindowComponent& component) {
  if (!CL) return;
  CL->push_back(ComponentEntry{0, &component});
}

void WindowManager::AddItem(ToolbarManager& toolbar) {
  TOOLBAR = &toolbar;
  toolbar.Init();
}

void WindowManager::AddItem(WindowResizer& resizer) {
  RESIZE = &resizer;
}

void WindowManager::AddItem(std::int32_t control, ResponseCode response) {
  if (!BUTTONS) return;
  BUTTONS->push_back(ButtonEntry{control, response});
}

void WindowManager::RemoveItem(WindowComponent& component) {
  if (!CL) return;
  std::erase_if(*CL, [&component](const ComponentEntry& e) { return e.WC == &component; });
}

void WindowManager::CloseWindow() {
  if (OPENED != 0 && MYWINDOW.IsOpen()) MYWINDOW.Close();
}

}  // namespace kv
