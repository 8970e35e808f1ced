#pragma once

#include <QIcon>
#include <QString>
#include <string>

namespace kv {

// Icons named by window definitions ("INSERT.ICO", "~CLOSE.ICO"). The names the program uses
// map to icons of the installed freedesktop theme, and a theme icon may be named directly
// ("edit-copy"); a name that is the path of an image file
// loads that file; anything else, or a theme icon that is missing, gets a drawn fallback: the
// name's first letter on a tile, so a button still shows something readable. Stock icon
// names ("STOCK:32516", platform/window/ModalServices.h) show the style's message-box icons.
// Thread: the GUI thread.

// The theme icon name for one of the program's icon names ("VIEW.ICO" -> "edit-find"), or an
// empty string when the name is not one of them. Case and a leading "~" do not matter.
QString ThemeIconName(const std::string& name);

// The icon to show for `name`; a null icon for an empty name.
QIcon IconFor(const std::string& name);

// True when the theme has the icon that `name` maps to (tests check the installed theme).
bool ThemeHasIcon(const std::string& name);

}  // namespace kv
