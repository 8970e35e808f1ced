#include "app/windows/BrowseArticulosWindow.h"

namespace kv {

WindowDefinition BrowseArticulosWindow() {
  WindowDefinition def("Browse the Products file");
  def.Size(358, 198).Font("MS Sans Serif").Resizable();
  // The sheet comes first in the definition so that the controls on its page are its page's;
  // the numbers are those of the list's window all the same.
  def.Sheet("?CURRENTTAB").At(4, 4, 350, 170).Number(kBrowseSheet);
  def.Tab("?TAB:2", "&1) PK_Pcode").Number(kBrowseTab);
  def.List("?BROWSE:1", kProductsListFormat)
      .At(8, 20, 342, 124)
      .Tip("Browsing the Products file")
      .Immediate()
      .ScrollBar()
      .Number(kBrowseList);
  def.Button("?VIEW:2", "&View").At(153, 150, 45, 14).Tip("View Record").ControlIcon("VIEW.ICO");
  def.Button("?INSERT:3", "&Insert")
      .At(202, 150, 45, 14)
      .Tip("Insert a Record")
      .ControlIcon("INSERT.ICO");
  def.Button("?CHANGE:3", "&Change")
      .At(251, 150, 45, 14)
      .Tip("Change the Record")
      .ControlIcon("CHANGE.ICO");
  def.Button("?DELETE:3", "&Delete")
      .At(300, 150, 45, 14)
      .Tip("Delete the Record")
      .ControlIcon("DELETE.ICO");
  def.EndSheet();
  def.Button("?CLOSE", "&Close")
      .At(260, 178, 45, 14)
      .Tip("Close Window")
      .ControlIcon("CLOSE.ICO")
      .Number(kBrowseClose);
  def.Button("?HELP", "&Help")
      .At(309, 178, 45, 14)
      .Tip("See Help Window")
      .ControlIcon("HELP.ICO")
      .Action(StandardAction::kHelp);
  return def;
}

}  // namespace kv
