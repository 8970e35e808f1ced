#pragma once

#include <string>

namespace kv {

// Numbered properties of the runtime itself, as opposed to those of a window or a control.
// Values are text, like every numbered property; a property never set reads as its default
// (the empty text for numbers without one).
//
// Properties with a meaning here:
//   kSystemPropMenuIcons (31289): whether pop-up menus draw the icons their items name. "1"
//   (the default) draws them; "0" shows the texts only. Menu builders copy the value into
//   every item's property block (kMenuPropShowIcon, MenuDefinition.h), so a menu keeps the
//   setting it was built with even when the property changes while it is shown.
//
// Thread: any (the properties are guarded by one process-wide lock, held only while a value
// is read or stored).
constexpr int kSystemPropMenuIcons = 31289;

// The current value of system property `number`.
std::string SystemProperty(int number);

// Stores `value` as system property `number`; the empty text restores the default.
void SetSystemProperty(int number, std::string value);

}  // namespace kv
