#include "platform/window/KeyCode.h"

#include <array>
#include <cctype>

namespace kv {
namespace {

struct NamedKey {
  const char* name;
  int code;
};

constexpr std::array kNamedKeys = {
    NamedKey{"MouseLeft", kMouseLeft},
    NamedKey{"MouseRight", kMouseRight},
    NamedKey{"MouseCenter", kMouseCenter},
    NamedKey{"MouseLeft2", kMouseLeft2},
    NamedKey{"MouseRight2", kMouseRight2},
    NamedKey{"MouseRightUp", kMouseRightUp},
    NamedKey{"Tab", kKeyTab},
    NamedKey{"Enter", kKeyEnter},
    NamedKey{"Esc", kKeyEsc},
    NamedKey{"Space", kKeySpace},
    NamedKey{"PageUp", kKeyPageUp},
    NamedKey{"PageDown", kKeyPageDown},
    NamedKey{"End", kKeyEnd},
    NamedKey{"Home", kKeyHome},
    NamedKey{"Left", kKeyLeft},
    NamedKey{"Up", kKeyUp},
    NamedKey{"Right", kKeyRight},
    NamedKey{"Down", kKeyDown},
    NamedKey{"Insert", kKeyInsert},
    NamedKey{"Delete", kKeyDelete},
    NamedKey{"Apps", kKeyApps},
};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

int ParseBaseKey(std::string_view name) {
  if (name.size() == 1) {
    unsigned char c = static_cast<unsigned char>(name[0]);
    if (std::isalnum(c)) return std::toupper(c);
    return kKeyNone;
  }
  for (const NamedKey& k : kNamedKeys) {
    if (EqualNoCase(name, k.name)) return k.code;
  }
  if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
    int n = 0;
    for (char c : name.substr(1)) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return kKeyNone;
      n = n * 10 + (c - '0');
    }
    if (n >= 1 && n <= 12) return kKeyF1 + n - 1;
  }
  return kKeyNone;
}

}  // namespace

int ParseKeyName(std::string_view name) {
  int modifiers = 0;
  while (true) {
    std::size_t plus = name.find('+');
    // A lone "+" or a trailing one is not a modifier separator.
    if (plus == std::string_view::npos || plus == 0 || plus + 1 == name.size()) break;
    std::string_view mod = name.substr(0, plus);
    if (EqualNoCase(mod, "Ctrl")) {
      modifiers |= kCtrl;
    } else if (EqualNoCase(mod, "Shift")) {
      modifiers |= kShift;
    } else if (EqualNoCase(mod, "Alt")) {
      modifiers |= kAlt;
    } else {
      return kKeyNone;
    }
    name.remove_prefix(plus + 1);
  }
  int base = ParseBaseKey(name);
  return base == kKeyNone ? kKeyNone : (base | modifiers);
}

std::string KeyName(int keyCode) {
  std::string out;
  if (keyCode & kCtrl) out += "Ctrl+";
  if (keyCode & kShift) out += "Shift+";
  if (keyCode & kAlt) out += "Alt+";
  int base = keyCode & 0xFF;
  for (const NamedKey& k : kNamedKeys) {
    if (k.code == base) return out + k.name;
  }
  if (base >= kKeyF1 && base < kKeyF1 + 12) return out + "F" + std::to_string(base - kKeyF1 + 1);
  if (std::isalnum(base)) return out + static_cast<char>(base);
  return out + "#" + std::to_string(base);
}

char KeyChar(int keyCode) {
  if (keyCode & (kCtrl | kAlt)) return 0;
  int base = keyCode & 0xFF;
  if (base >= 'A' && base <= 'Z') {
    return static_cast<char>((keyCode & kShift) ? base : std::tolower(base));
  }
  if ((base >= '0' && base <= '9') || base == kKeySpace) return static_cast<char>(base);
  return 0;
}

bool IsMouseKey(int keyCode) {
  int base = keyCode & 0x7F;
  return base >= kMouseLeft && base <= kMouseRight2 && base != 4;
}

}  // namespace kv
