#include "app/ThreadSetup.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "framework/errors/ErrorStatus.h"
#include "platform/thread/LogicalThread.h"

namespace kv {
namespace {

struct TableHooks {
  std::function<void()> create;
  std::function<void()> release;
};

std::mutex gMutex;  // guards gTableHooks, gListener and gInstalled
std::vector<TableHooks> gTableHooks;
std::function<void(std::string_view)> gListener;
bool gInstalled = false;
std::atomic<bool> gMainPending{false};  // the next thread to start is program main's

thread_local bool tTablesCreated = false;

std::vector<TableHooks> Hooks() {
  std::lock_guard lock(gMutex);
  return gTableHooks;
}

void OnThreadStart(int thread) {
  // The error status is constructed here, before anything on the thread can report.
  ErrorStatus::ThisThread().Reset();
  GlobalRequest = 0;
  GlobalResponse = 0;
  VCRRequest = 0;
  ReportStartupStep("thread start " + std::to_string(thread));
  if (!gMainPending.exchange(false)) CreateThreadTables();
}

void OnThreadEnd(int thread) {
  if (tTablesCreated) {
    for (const TableHooks& h : Hooks()) {
      if (h.release) h.release();
    }
    tTablesCreated = false;
    ReportStartupStep("tables released " + std::to_string(thread));
  }
  ReportStartupStep("thread end " + std::to_string(thread));
}

}  // namespace

void AddTableManagers(std::function<void()> create, std::function<void()> release) {
  std::lock_guard lock(gMutex);
  gTableHooks.push_back(TableHooks{std::move(create), std::move(release)});
}

void InstallThreadSetup() {
  gMainPending = true;
  {
    std::lock_guard lock(gMutex);
    if (gInstalled) return;
    gInstalled = true;
  }
  AddThreadHooks(OnThreadStart, OnThreadEnd);
}

void CreateThreadTables() {
  if (tTablesCreated) return;
  for (const TableHooks& h : Hooks()) {
    if (h.create) h.create();
  }
  tTablesCreated = true;
  ReportStartupStep("tables " + std::to_string(CurrentThread()));
}

bool ThreadTablesCreated() {
  return tTablesCreated;
}

void SetStartupListener(std::function<void(std::string_view)> listener) {
  std::lock_guard lock(gMutex);
  gListener = std::move(listener);
}

void ReportStartupStep(std::string_view step) {
  std::function<void(std::string_view)> listener;
  {
    std::lock_guard lock(gMutex);
    listener = gListener;
  }
  if (listener) listener(step);
}

}  // namespace kv
