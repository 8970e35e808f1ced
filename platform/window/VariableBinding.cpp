#include "platform/window/VariableBinding.h"

#include "platform/window/Window.h"

namespace kv {

VariableBinding::VariableBinding(VarRef variable, Picture picture, bool hasPicture)
    : variable_(variable), picture_(std::move(picture)), hasPicture_(hasPicture) {}

std::string VariableBinding::Display() const {
  if (!hasPicture_) {
    return variable_.IsText() ? variable_.ToClippedText() : variable_.ToText();
  }
  std::string text = picture_.Format(variable_);
  if (picture_.Kind() == PictureKind::kString) {
    auto end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
  }
  return text;
}

bool VariableBinding::Accept(const std::string& text) {
  if (hasPicture_) {
    lastStatus_ = picture_.DeformatInto(text, variable_);
  } else {
    lastStatus_ = variable_.SetText(text) == ValueStatus::kOk ? PictureStatus::kOk
                                                              : PictureStatus::kTargetOverflow;
  }
  return lastStatus_ == PictureStatus::kOk;
}

std::shared_ptr<VariableBinding> BindVariable(VarRef variable, std::string_view picture) {
  Picture parsed;
  bool has = !picture.empty();
  if (has && Picture::Parse(picture, &parsed) != PictureStatus::kOk) return nullptr;
  return std::make_shared<VariableBinding>(variable, std::move(parsed), has);
}

bool BindControl(Window& window, int control, VarRef variable) {
  auto copy = window.ControlCopy(control);
  if (!copy) return false;
  std::string picture = copy->kind == ControlKind::kEntry ? copy->picture : std::string();
  auto binding = BindVariable(variable, picture);
  if (!binding) return false;
  window.Bind(control, binding);
  window.Display(control);
  return true;
}

}  // namespace kv
