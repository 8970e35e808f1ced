#pragma once

#include "platform/window/WindowDefinition.h"

namespace kv {

// The products list's window "Browse the Products file" (font "MS Sans Serif", a child window
// of the frame, resizable), controls in number order:
//   1 ?BROWSE:1     list    tip "Browsing the Products file"; the columns of kProductsListFormat;
//                           immediate (it reports scroll requests), with a scroll bar
//   2 ?VIEW:2       button  "&View", tip "View Record", icon "VIEW.ICO"
//   3 ?INSERT:3     button  "&Insert", tip "Insert a Record", icon "INSERT.ICO"
//   4 ?CHANGE:3     button  "&Change", tip "Change the Record", icon "CHANGE.ICO"
//   5 ?DELETE:3     button  "&Delete", tip "Delete the Record", icon "DELETE.ICO"
//   6 ?CURRENTTAB   sheet   one tab per sort order
//   7 ?TAB:2        tab     "&1) PK_Pcode"; the list and the four record buttons lie on it
//   8 ?CLOSE        button  "&Close", tip "Close Window", icon "CLOSE.ICO"
//   9 ?HELP         button  "&Help", tip "See Help Window", icon "HELP.ICO", the standard help
//                           action
// Positions are in dialog units.
inline constexpr int kBrowseList = 1;
inline constexpr int kBrowseView = 2;
inline constexpr int kBrowseInsert = 3;
inline constexpr int kBrowseChange = 4;
inline constexpr int kBrowseDelete = 5;
inline constexpr int kBrowseSheet = 6;
inline constexpr int kBrowseTab = 7;
inline constexpr int kBrowseClose = 8;
inline constexpr int kBrowseHelp = 9;

// The list's columns: PRO:PCODE, PRO:DESCRIPTION, PRO:PRICE, PRO:PROVIDERID.
inline constexpr const char* kProductsListFormat =
    "80L(2)|M~PC ode~L(2)@s20@80L(2)|M~Description~L(2)@s50@64D(28)|M~Price~C(0)@n-14.2@"
    "64R(2)|M~Provider ID~C(0)@n-14@";

// The definition, built anew on each call. Thread: any.
WindowDefinition BrowseArticulosWindow();

}  // namespace kv
