#include "app/windows/SQLConnectWindow.h"

namespace kv {

WindowDefinition SQLConnectWindow() {
  WindowDefinition def("MSSQL Connect");
  def.Size(200, 136).Font("MS Sans Serif");
  def.Prompt("?STRING1", "Server:").At(8, 10, 44, 10);
  def.Entry("?LOC:SERVER", "s30").At(56, 8, 136, 12);
  def.Prompt("?STRING1:2", "DB Name:").At(8, 26, 44, 10);
  def.Prompt("?STRING1:3", "User:").At(8, 42, 44, 10);
  def.Entry("?LOC:DBNAME", "s30").At(56, 24, 136, 12);
  def.Entry("?LOC:USER", "s20").At(56, 40, 96, 12);
  def.Prompt("?STRING1:4", "Password:").At(8, 58, 44, 10);
  def.Entry("?LOC:PASS", "s20").At(56, 56, 96, 12).Password();
  def.CheckBox("?LOC:WINDOWSAUTH", "Use Windows Authentiaction").At(56, 72, 136, 10);
  def.CheckBox("?LOC:REMEBERUP", "Remember User/Password").At(56, 84, 136, 10);
  def.CheckBox("?LOC:AUTOCONNECT", "Auto Connect next time").At(56, 96, 136, 10);
  def.Button("?OKBUTTON", "&Connect").At(56, 114, 64, 14).Default();
  def.Button("?CANCELBUTTON", "&Exit Program").At(128, 114, 64, 14);
  return def;
}

}  // namespace kv
