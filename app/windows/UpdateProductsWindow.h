#pragma once

#include "platform/window/WindowDefinition.h"

namespace kv {

// The products form's window, design caption "Form Products" (font "MS Sans Serif", a child
// window of the frame, resizable), controls in number order:
//    1 ?CURRENTTAB               sheet
//    2 ?TAB:1                    tab     "&1) General"; controls 3 to 10 lie on it
//    3 ?PRO:PCODE:PROMPT         prompt  "PC ode:"
//    4 ?PRO:PCODE                entry   @s20
//    5 ?PRO:DESCRIPTION:PROMPT   prompt  "Description:"
//    6 ?PRO:DESCRIPTION          entry   @s50
//    7 ?PRO:PRICE:PROMPT         prompt  "Price:"
//    8 ?PRO:PRICE                entry   @n-14.2
//    9 ?PRO:PROVIDERID:PROMPT    prompt  "Provider ID:"
//   10 ?PRO:PROVIDERID           entry   @n-14
//   11 ?OK                       button  "&OK", tip "Accept data and close the window", icon
//                                        "OK.ICO", the default button
//   12 ?CANCEL                   button  "&Cancel", tip "Cancel operation", icon "CANCEL.ICO"
//   13 ?HELP                     button  "&Help", tip "See Help Window", icon "HELP.ICO", the
//                                        standard help action
// Positions are in dialog units.
inline constexpr int kFormPcode = 4;
inline constexpr int kFormDescription = 6;
inline constexpr int kFormPrice = 8;
inline constexpr int kFormProviderId = 10;
inline constexpr int kFormOk = 11;
inline constexpr int kFormCancel = 12;
inline constexpr int kFormHelp = 13;

// The definition, built anew on each call; the procedure binds the entries to the thread's
// Products record. Thread: any.
WindowDefinition UpdateProductsWindow();

}  // namespace kv
