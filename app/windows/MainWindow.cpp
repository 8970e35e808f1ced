#include "app/windows/MainWindow.h"

#include <cstdio>
#include <cstring>

namespace kv {

std::string BuildDateIso(const char* compilerDate) {
  // The compiler's form is "Mmm dd yyyy" with a blank before a one-digit day.
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (compilerDate == nullptr || std::strlen(compilerDate) != 11) return {};
  const char* at = std::strstr(kMonths, std::string(compilerDate, 3).c_str());
  if (at == nullptr || (at - kMonths) % 3 != 0) return {};
  int month = static_cast<int>(at - kMonths) / 3 + 1;
  int day = 0, year = 0;
  if (std::sscanf(compilerDate + 4, "%d %d", &day, &year) != 2) return {};
  if (day < 1 || day > 31 || year < 1 || year > 9999) return {};
  char out[40];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d", year, month, day);
  return out;
}

std::string MainWindowCaption() {
  return "Korvandel (built " + BuildDateIso(__DATE__) + ")";
}

WindowDefinition MainWindow() {
  WindowDefinition def(MainWindowCaption());
  def.Size(480, 320).Icon("FRAME.ICO").Font("MS Sans Serif").Resizable();
  def.MenuBar("?MENUBAR");
  def.Menu("?ARTICULOS", "Articulos");
  def.Item("?BROWSEARTICULOS", "Browse Articulos");
  def.Separator();
  def.Item("?EXIT", "Exit").Action(StandardAction::kClose);
  def.EndMenu();
  return def;
}

}  // namespace kv
