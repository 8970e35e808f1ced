#include "tools/screenshot/ErrorHistorySample.h"

#include "framework/errors/ErrorManager.h"
#include "platform/window/Window.h"
#include "platform/window/WindowDefinition.h"

namespace kv {

void ErrorHistorySample() {
  WindowDefinition def("Products");
  def.Size(360, 160).Font("MS Sans Serif,8");
  def.Prompt("?PROMPT", "Browse the Products file").At(8, 8, 200, 10);
  Window owner = Window::Open(def);

  ErrorManager errors;
  errors.Init(ErrorStatus::ThisThread());
  errors.SetHistoryThreshold(-1);
  errors.SetHistoryViewLevel(Notify);
  errors.SetMessageCategory(MsgReadOnlyAccess, "Files");
  errors.SetMessageCategory(MsgDuplicateKey, "Records");

  errors.SetSilent(true);  // recorded in the history, not shown
  errors.SetFileName("Products");
  (void)errors.Raise(MsgReadOnlyAccess);
  (void)errors.RaiseWithText(MsgDuplicateKey, "PRO:PK_Pcode");
  (void)errors.Raise(MsgConfirmDelete);
  errors.SetSilent(false);

  (void)errors.Raise(MsgNoRecords);  // the view level: shown in the error window
  errors.OpenHistoryView();

  errors.Kill();
  owner.Close();
}

}  // namespace kv
