#include "app/MainFrame.h"

#include <mutex>

#include "app/BrowseArticulos.h"
#include "app/Globals.h"
#include "app/SQLConnect.h"
#include "app/windows/MainWindow.h"
#include "platform/window/EventLoop.h"

namespace kv {
namespace {

std::mutex gBrowseMutex;  // guards gBrowse
ThreadProc gBrowse;

ThreadProc BrowseProcedure() {
  std::lock_guard lock(gBrowseMutex);
  return gBrowse ? gBrowse : ThreadProc(BrowseArticulos);
}

}  // namespace

void SetBrowseProcedure(ThreadProc procedure) {
  std::lock_guard lock(gBrowseMutex);
  gBrowse = std::move(procedure);
}

ResultLevel MainFrame::Init() {
  GlobalErrors.PushProcedureName("Main");
  REQUEST = GlobalRequest;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  FIRSTFIELD = 1;
  VCRREQUEST = &VCRRequest;
  ERRORS = &GlobalErrors;
  AddItem(toolbar_);
  GlobalRequest = 0;
  GlobalResponse = 0;
  // The connection dialog returns only with a working connection; otherwise the process has
  // already ended and the frame never opens.
  SQLConnect();
  Open(window_, Window(), WindowKind::kFrame);
  SetAlerts();
  return Benign;
}

ResultLevel MainFrame::TakeAccepted() {
  if (CurrentEvent().control == kMainBrowseArticulos) {
    // The frame neither waits for the list nor keeps a reference to its thread.
    (void)StartThread(BrowseProcedure(), kBrowseStackSize);
  }
  return WindowManager::TakeAccepted();
}

ResultLevel MainFrame::Kill() {
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  GlobalErrors.PopProcedureName();
  return Benign;
}

void Main() {
  MainFrame frame(MainWindow());
  GlobalResponse = frame.Run();
}

}  // namespace kv
