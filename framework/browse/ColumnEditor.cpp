#include "framework/browse/ColumnEditor.h"

#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/VariableBinding.h"

namespace kv {
namespace {

// The alert keys of the entry, at positions 1..6 = the EditAction each produces.
constexpr int kEditKeys[] = {kKeyTab, kShift | kKeyTab, kKeyEnter, kKeyEsc, kKeyDown, kKeyUp};

}  // namespace

void ColumnEditor::CreateControl() {
  FEQ = WINDOW.CreateControl(ControlKind::kEntry);
  // Shown only while it stands in the list's edit slot.
  if (FEQ != 0) WINDOW.SetHidden(FEQ, true);
}

void ColumnEditor::Init(std::int32_t column, std::int32_t listControl, VarRef field,
                        Window window) {
  LISTBOXFEQ = listControl;
  FIELDNO = column;
  WINDOW = window;
  CreateControl();
  USEVAR = field;
  if (FEQ == 0) return;
  const std::vector<ListColumn> columns = WINDOW.Columns(listControl);
  if (column >= 1 && column <= static_cast<int>(columns.size()))
    WINDOW.SetEntryPicture(FEQ, columns[static_cast<std::size_t>(column - 1)].picture);
  (void)BindControl(WINDOW, FEQ, USEVAR);
  SetAlerts();
  WINDOW.SetReadOnly(FEQ, READONLY != 0);
}

void ColumnEditor::Kill() {
  if (FEQ != 0) WINDOW.DestroyControl(FEQ);
  FEQ = 0;
  USEVAR = VarRef();
}

void ColumnEditor::SetAlerts() {
  for (int position = 1; position <= 6; ++position)
    WINDOW.SetAlert(FEQ, position, kEditKeys[position - 1]);
}

void ColumnEditor::SetReadOnly(std::uint8_t flag) {
  READONLY = flag;
  if (FEQ != 0) WINDOW.SetReadOnly(FEQ, flag != 0);
}

EditAction ColumnEditor::TakeAccepted(EditAction action) {
  if (FEQ == 0) return action;
  return WINDOW.Update(FEQ) ? action : ActionNone;
}

EditAction ColumnEditor::TakeEvent(int event) {
  if (event != kEventAlertKey) return ActionNone;
  const int key = CurrentEvent().keyCode != 0 ? CurrentEvent().keyCode : KeyCode();
  for (int position = 1; position <= 6; ++position)
    if (key == kEditKeys[position - 1]) return static_cast<EditAction>(position);
  return ActionNone;
}

std::int32_t ColumnEditor::GetFeq() {
  return FEQ;
}

std::uint8_t ColumnEditor::NeedsRefocus(std::int32_t) {
  return 0;
}

}  // namespace kv
