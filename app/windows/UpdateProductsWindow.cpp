#include "app/windows/UpdateProductsWindow.h"

namespace kv {

WindowDefinition UpdateProductsWindow() {
  WindowDefinition def("Form Products");
  def.Size(232, 116).Font("MS Sans Serif").Resizable();
  def.Sheet("?CURRENTTAB").At(4, 4, 224, 88);
  def.Tab("?TAB:1", "&1) General");
  def.Prompt("?PRO:PCODE:PROMPT", "PC ode:").At(10, 22, 50, 10);
  def.Entry("?PRO:PCODE", "s20").At(64, 20, 88, 12);
  def.Prompt("?PRO:DESCRIPTION:PROMPT", "Description:").At(10, 38, 50, 10);
  def.Entry("?PRO:DESCRIPTION", "s50").At(64, 36, 158, 12);
  def.Prompt("?PRO:PRICE:PROMPT", "Price:").At(10, 54, 50, 10);
  def.Entry("?PRO:PRICE", "n-14.2").At(64, 52, 64, 12);
  def.Prompt("?PRO:PROVIDERID:PROMPT", "Provider ID:").At(10, 70, 50, 10);
  def.Entry("?PRO:PROVIDERID", "n-14").At(64, 68, 64, 12);
  def.EndSheet();
  def.Button("?OK", "&OK")
      .At(85, 96, 45, 14)
      .Tip("Accept data and close the window")
      .ControlIcon("OK.ICO")
      .Default();
  def.Button("?CANCEL", "&Cancel")
      .At(134, 96, 45, 14)
      .Tip("Cancel operation")
      .ControlIcon("CANCEL.ICO");
  def.Button("?HELP", "&Help")
      .At(183, 96, 45, 14)
      .Tip("See Help Window")
      .ControlIcon("HELP.ICO")
      .Action(StandardAction::kHelp);
  return def;
}

}  // namespace kv
