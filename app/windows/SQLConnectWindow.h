#pragma once

#include "platform/window/WindowDefinition.h"

namespace kv {

// The connection dialog's window "MSSQL Connect" (font "MS Sans Serif"), controls in number
// order:
//    1 ?STRING1            prompt     "Server:"
//    2 ?LOC:SERVER         entry      @s30
//    3 ?STRING1:2          prompt     "DB Name:"
//    4 ?STRING1:3          prompt     "User:"
//    5 ?LOC:DBNAME         entry      @s30
//    6 ?LOC:USER           entry      @s20
//    7 ?STRING1:4          prompt     "Password:"
//    8 ?LOC:PASS           entry      @s20, masks what is typed
//    9 ?LOC:WINDOWSAUTH    check box  "Use Windows Authentiaction"
//   10 ?LOC:REMEBERUP      check box  "Remember User/Password"
//   11 ?LOC:AUTOCONNECT    check box  "Auto Connect next time"
//   12 ?OKBUTTON           button     "&Connect" (the default button)
//   13 ?CANCELBUTTON       button     "&Exit Program"
// Positions are in dialog units; the window is not resizable.
inline constexpr int kConnectServer = 2;
inline constexpr int kConnectDBname = 5;
inline constexpr int kConnectUser = 6;
inline constexpr int kConnectPass = 8;
inline constexpr int kConnectWindowsAuth = 9;
inline constexpr int kConnectRemeberUP = 10;
inline constexpr int kConnectAutoConnect = 11;
inline constexpr int kConnectOkButton = 12;
inline constexpr int kConnectCancelButton = 13;

// The definition, built anew on each call; the procedure binds the entries to its variables.
// Thread: any.
WindowDefinition SQLConnectWindow();

}  // namespace kv
