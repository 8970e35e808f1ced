#include "app/SQLConnect.h"

#include "app/Globals.h"
#include "app/SettingsNotices.h"
#include "app/data/ProductsTables.h"
#include "app/windows/SQLConnectWindow.h"
#include "framework/window/OpenWindowPlacement.h"
#include "platform/RuntimeError.h"
#include "platform/storage/Table.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/Backend.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/ModalServices.h"
#include "platform/window/VariableBinding.h"

namespace kv {
namespace {

constexpr const char* kProcedureName = "SQLConnect";

template <std::size_t N>
void SetText(String<N>& target, const std::string& text) {
  (void)VarRef(target).SetText(text);
}

Byte Flag(int value) {
  return static_cast<Byte>(value == 1 ? 1 : 0);
}

Table& Interface() {
  return SQLInterfaceTable().Instance();
}

// Opens SQLInterface as the attempt does; creates it first when it does not exist. Leaves the
// runtime's last error describing the failure.
ErrorCode OpenInterface() {
  Table& t = Interface();
  (void)t.SetProperty(kConnectPropertyA, "2");
  (void)t.SetProperty(kConnectPropertyB, "0");
  ErrorCode e = t.Open(kConnectOpenMode);
  if (e == kNoFileError) {
    e = t.Create();
    if (e == kNoError) e = t.Open(kConnectOpenMode);
  }
  return e;
}

}  // namespace

std::string ConnectFailureText(int code, const std::string& text, const std::string& driverCode,
                               const std::string& driverText) {
  return "Can not connect to MSSQL...|ERRORCODE(): " + std::to_string(code) + "|ERROR(): " + text +
         "|FILEERRORCODE(): " + driverCode + "|FILEERROR(): " + driverText;
}

SQLConnectDialog::SQLConnectDialog() = default;

ConnectEntries SQLConnectDialog::Entries() {
  Locals& l = locals_;
  ConnectEntries e;
  e.server = VarRef(l.Server).ToClippedText();
  e.dbName = VarRef(l.DBname).ToClippedText();
  e.user = VarRef(l.User).ToClippedText();
  e.pass = VarRef(l.Pass).ToClippedText();
  e.windowsAuth = l.WindowsAuth;
  e.remeberUP = l.RemeberUP;
  e.autoConnect = l.AutoConnect;
  return e;
}

void SQLConnectDialog::Bind() {
  // Entries through their own pictures, check boxes as 1 or 0.
  (void)BindControl(MYWINDOW, kConnectServer, locals_.Server);
  (void)BindControl(MYWINDOW, kConnectDBname, locals_.DBname);
  (void)BindControl(MYWINDOW, kConnectUser, locals_.User);
  (void)BindControl(MYWINDOW, kConnectPass, locals_.Pass);
  (void)BindControl(MYWINDOW, kConnectWindowsAuth, locals_.WindowsAuth);
  (void)BindControl(MYWINDOW, kConnectRemeberUP, locals_.RemeberUP);
  (void)BindControl(MYWINDOW, kConnectAutoConnect, locals_.AutoConnect);
}

ResultLevel SQLConnectDialog::Init() {
  GlobalErrors.PushProcedureName(kProcedureName);
  REQUEST = GlobalRequest;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  FIRSTFIELD = 1;
  VCRREQUEST = &VCRRequest;
  ERRORS = &GlobalErrors;
  AddItem(toolbar_);
  GlobalRequest = 0;
  GlobalResponse = 0;

  settingsFile_ = ConnectSettingsFile();
  const ConnectEntries stored = LoadConnectEntries(settingsFile_);
  SetText(locals_.Server, stored.server);
  SetText(locals_.DBname, stored.dbName);
  locals_.WindowsAuth = Flag(stored.windowsAuth);
  locals_.RemeberUP = Flag(stored.remeberUP);
  locals_.AutoConnect = Flag(stored.autoConnect);
  SetText(locals_.User, stored.user);
  SetText(locals_.Pass, stored.pass);

  Open(SQLConnectWindow());
  Bind();
  OpenWindowPlacement placement(MYWINDOW);
  INIMgr.FetchWindow(kProcedureName, placement);
  SetAlerts();
  // Shift held while the program starts shows the dialog anyway: the only way back to it,
  // short of editing the settings file, once "Auto Connect next time" is set.
  if (locals_.AutoConnect == 1 && (ModifiersHeldAtStart() & kShift) == 0) {
    MYWINDOW.Post(kEventAccepted, kConnectOkButton);
  }
  return Benign;
}

ResultLevel SQLConnectDialog::TakeAccepted() {
  ResultLevel kept = WindowManager::TakeAccepted();
  switch (CurrentEvent().control) {
    case kConnectCancelButton:
      Update();
      (void)MYWINDOW.Update();
      MYWINDOW.Post(kEventCloseWindow);
      return kept;
    case kConnectOkButton:
      return Connect(kept);
    default:
      return kept;
  }
}

ResultLevel SQLConnectDialog::Connect(ResultLevel kept) {
  Update();
  (void)MYWINDOW.Update();
  MYWINDOW.SetBusy(true);
  (void)Interface().Close();
  SetControlDisabled(kConnectOkButton, true);

  ConnectionOwner.Set(ComposeConnectionString(Entries()));
  if (OpenInterface() != kNoError) {
    const RuntimeError error = LastError();
    MYWINDOW.SetBusy(false);
    MessageBoxRequest box;
    box.text = ConnectFailureText(error.code, error.text, error.driverCode, error.driverText);
    box.caption = "";
    box.buttons = kButtonOk;
    box.defaultButton = kButtonOk;
    (void)Modal().ShowMessageBox(box);
    SetControlDisabled(kConnectOkButton, false);
    return Notify;
  }

  // A remembered password makes the file a secret: owner-only before the password is in it.
  const ConnectEntries entries = Entries();
  const bool secret = entries.remeberUP == 1 && !entries.pass.empty();
  const OwnerOnlyStatus rights = secret ? MakeOwnerOnly(settingsFile_) : OwnerOnlyStatus::kAlready;
  // A connection that cannot be remembered still works; the next start just asks again.
  const ProfileStatus saved = SaveConnectEntries(entries, settingsFile_);
  MYWINDOW.SetBusy(false);
  if (saved == ProfileStatus::kIoError) TellSettingsNotSaved(settingsFile_);
  if (saved == ProfileStatus::kOk) TellPasswordFileRights(settingsFile_, rights);
  locals_.connected = 1;
  MYWINDOW.Post(kEventCloseWindow);
  return kept;
}

ResultLevel SQLConnectDialog::Kill() {
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  if (OPENED) {
    OpenWindowPlacement placement(MYWINDOW);
    INIMgr.UpdateWindowPosition(kProcedureName, placement);
  }
  (void)Interface().Close();
  if (locals_.connected == 0) Halt(0);
  GlobalErrors.PopProcedureName();
  return Benign;
}

void SQLConnect() {
  SQLConnectDialog dialog;
  GlobalResponse = dialog.Run();
}

}  // namespace kv
