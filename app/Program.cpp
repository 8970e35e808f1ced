#include "app/Program.h"

#include "app/BrowseArticulos.h"
#include "app/Globals.h"
#include "app/MainFrame.h"
#include "app/SettingsNotices.h"
#include "app/ThreadSetup.h"
#include "app/data/ProductsManagers.h"
#include "framework/errors/ErrorStatus.h"
#include "platform/storage/DriverRegistry.h"

namespace kv {

void ProgramMain() {
  ReportStartupStep("GlobalErrors.Init");
  GlobalErrors.Init(ErrorStatus::ThisThread());
  ReportStartupStep("INIMgr.Init");
  INIMgr.SetWriteFailureHandler(TellSettingsNotSaved);
  INIMgr.Init(kSettingsFileName, kIniSettingsFile, 0);
  CreateThreadTables();
  ReportStartupStep("Main");
  Main();
  ReportStartupStep("INIMgr.Update");
  INIMgr.Update();
  ReportStartupStep("INIMgr.Kill");
  INIMgr.Kill();
}

int RunKorvandel(Backend& backend) {
  ReportStartupStep("runtime");
  RegisterSqlDrivers();
  RegisterBrowseArticulos();  // first: a thread's view closes before its tables' managers go
  RegisterProductsManagers();
  InstallThreadSetup();
  int code = RunProgram(backend, ProgramMain);
  ReportStartupStep("exit " + std::to_string(code));
  return code;
}

}  // namespace kv
