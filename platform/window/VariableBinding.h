#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/values/Picture.h"
#include "platform/values/VarRef.h"
#include "platform/window/Control.h"

namespace kv {

// Binds a control to a variable through a picture: the control shows the variable formatted
// by the picture, and text typed into it is deformatted through the picture into the
// variable. A text the picture rejects, or a value that does not fit the variable, leaves the
// variable unchanged (the event loop then raises the rejected event).
//
// Text pictures (@s) show the text without its trailing blanks, which would otherwise fill
// the entry; deformatting pads it again. Without a picture the variable's own text is shown
// and taken back with the variable's conversion rules (check boxes use this: "1" or "0").
//
// The variable must outlive the window's use of the binding. Thread: the variable's owner
// (the window's thread), as for every binding.
class VariableBinding final : public ControlBinding {
 public:
  VariableBinding(VarRef variable, Picture picture, bool hasPicture);

  std::string Display() const override;
  [[nodiscard]] bool Accept(const std::string& text) override;

  // Why the last Accept failed (kOk after a success).
  PictureStatus LastStatus() const { return lastStatus_; }

 private:
  VarRef variable_;
  Picture picture_;
  bool hasPicture_;
  PictureStatus lastStatus_ = PictureStatus::kOk;
};

// Makes a binding of `variable` through `picture` ("@n-14.2", "s30"; empty for none).
// Returns null when the picture is not understood. Thread: any.
std::shared_ptr<VariableBinding> BindVariable(VarRef variable, std::string_view picture);

// Binds `control` of `window` to `variable` through the control's own picture (entries) or
// none, and displays it. Returns false when the window or control does not exist or its
// picture is not understood. Thread: the window's thread.
class Window;
bool BindControl(Window& window, int control, VarRef variable);

}  // namespace kv
