#pragma once

#include <string>

#include "platform/window/WindowDefinition.h"

namespace kv {

// The application frame's window: a frame with the menu bar
//   "Articulos"  -> "Browse Articulos" (?BROWSEARTICULOS, -2), separator, "Exit" (?EXIT, -3)
// "Exit" carries the standard close action, so choosing it closes the frame.
inline constexpr int kMainMenuArticulos = -1;
inline constexpr int kMainBrowseArticulos = -2;
inline constexpr int kMainExit = -3;

// The frame's caption: the program's name and the date it was built, in ISO form
// ("Korvandel (built 2026-12-08)").
std::string MainWindowCaption();

// A date as the compiler's __DATE__ gives it ("Dec  8 2026") in ISO form ("2026-12-08"); empty
// for text not of that form.
std::string BuildDateIso(const char* compilerDate);

// The definition, built anew on each call. Thread: any.
WindowDefinition MainWindow();

}  // namespace kv
