#include "app/windows/MainWindow.h"

namespace kv {

std::string MainWindowCaption() {
  return std::string("Korvandel (built ") + __DATE__ + ")";
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
