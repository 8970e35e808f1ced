#pragma once

#include <cstdint>
#include <string>

#include "app/ConnectSettings.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"

namespace kv {

// The connection dialog "MSSQL Connect" (app/windows/SQLConnectWindow.h). It runs on the main
// thread from the frame's Init, before the frame opens, and returns only with a working
// connection in ConnectionOwner; when the user leaves it any other way ("&Exit Program", the
// close box, a close-down) the process ends at once with exit code 0 and no message, and no
// frame is ever shown.
//
// Init reads the entries of section "MSSQLConnect" of the settings file (ConnectSettings.h)
// into the dialog's variables, opens the window at the position kept under "SQLConnect", and,
// when "Auto Connect next time" was stored as 1, starts connecting at once, as if "&Connect"
// had been pressed, unless Shift was held down when the program started.
//
// "&Connect": the entries are copied from the screen, the busy cursor shows and the button is
// disabled; the connection string is composed into ConnectionOwner (whole, whatever its
// length); SQLInterface's two driver connection properties 0x7252 := "2" and 0x7246 := "0" are
// set (the SQL drivers accept and keep them; they change nothing there); SQLInterface is
// opened for reading and writing (open mode 0x22; the SQL drivers let every station share a
// table whatever the sharing bits say), and created and opened again when it does not exist. A
// failure shows a message box with no caption and an OK button:
//   Can not connect to MSSQL...|ERRORCODE(): <code>|ERROR(): <text>|FILEERRORCODE(): <driver
//   code>|FILEERROR(): <driver text>
// and the dialog stays open with the entries as typed and the settings file unchanged. On
// success the seven entries are written, the window closes and Run returns.
//
// The server entry selects the database (see platform/storage/OwnerString.h): empty gives the
// embedded SQLite database, a file in the working directory named by "DB Name" (created with
// the program's tables on first use); "postgresql://host[:port]" a PostgreSQL server; any other
// text an SQL Server.
//
// Thread: the program's main logical thread.
class SQLConnectDialog : public WindowManager {
 public:
  // The dialog's variables, bound to its entries and check boxes. All cleared when the
  // procedure starts.
  struct Locals {
    String<30> Server;
    String<30> DBname;
    String<20> User;
    String<20> Pass;
    Byte AutoConnect = 0;
    Byte connected = 0;  // 1 once a connection succeeded
    Byte RemeberUP = 0;
    Byte WindowsAuth = 0;
  };

  SQLConnectDialog();

  // PushProcedureName "SQLConnect"; REQUEST := GlobalRequest; base Init (its answer when not
  // Benign); FIRSTFIELD 1, VCRREQUEST, ERRORS, the toolbar manager; GlobalRequest and
  // GlobalResponse cleared; the settings read; the window opened and bound, its position
  // restored; SetAlerts; with auto connect the accepted event of "&Connect" posted. Benign.
  ResultLevel Init() override;
  // The base's TakeAccepted first (its answer is kept), then "&Exit Program" (copy the screen
  // values, post close) or "&Connect" (the connection attempt; Notify when it failed).
  ResultLevel TakeAccepted() override;
  // Base Kill (its answer when not Benign); the window position saved under "SQLConnect" when
  // the window was opened; SQLInterface closed; without a connection the process ends here
  // (exit code 0); PopProcedureName. Benign.
  ResultLevel Kill() override;

  const Locals& Values() const { return locals_; }

 private:
  ResultLevel Connect(ResultLevel kept);
  ConnectEntries Entries();
  void Bind();

  Locals locals_;
  ToolbarManager toolbar_;
  std::string settingsFile_;
};

// The procedure: runs the dialog and leaves its answer in the thread's GlobalResponse. Returns
// only after a successful connection. Thread: the main logical thread.
void SQLConnect();

// The message shown when a connection fails, from the runtime's last error.
std::string ConnectFailureText(int code, const std::string& text, const std::string& driverCode,
                               const std::string& driverText);

// Driver connection properties set on SQLInterface before each attempt.
inline constexpr int kConnectPropertyA = 0x7252;
inline constexpr int kConnectPropertyB = 0x7246;
// Open mode of the attempt: read and write.
inline constexpr int kConnectOpenMode = 0x22;

}  // namespace kv
