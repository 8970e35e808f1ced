#include "framework/window/SectorRecord.h"

#include "framework/window/QueueField.h"

namespace kv {

std::string EscapeSectorItem(std::string_view item) {
  std::string out;
  out.reserve(item.size());
  for (char c : item) {
    if (c == '$') {
      out += "$$$";
    } else {
      out += c;
    }
  }
  if (out.size() <= kSectorEscapeMax) return out;
  std::string_view cut = CutSettingText(out, kSectorEscapeMax);
  // Every "$" of the escaped form belongs to a "$$$"; drop the part of a triple that was cut.
  std::size_t run = 0;
  while (run < cut.size() && cut[cut.size() - 1 - run] == '$') ++run;
  cut.remove_suffix(run % 3);
  return std::string(cut);
}

std::string UnescapeSectorItem(std::string_view escaped) {
  std::string out;
  for (std::size_t i = 0; i < escaped.size();) {
    if (escaped.compare(i, 3, "$$$") == 0) {
      out += '$';
      i += 3;
    } else {
      out += escaped[i++];
    }
  }
  return std::string(CutSettingText(out, kSectorEscapeMax));
}

std::string BuildSectorString(std::string_view family, std::string_view item,
                              std::string_view type) {
  std::string out(family);
  out += '$';
  out += EscapeSectorItem(item);
  out += "$$";
  out += type;
  return out;
}

SectorRecord ParseSectorString(std::string_view sector) {
  SectorRecord record;
  std::size_t dollar = sector.find('$');
  record.FAMILY.assign(CutSettingText(sector.substr(0, dollar), kSectorFieldMax));
  if (dollar == std::string_view::npos) return record;
  std::string_view rest = sector.substr(dollar + 1);
  std::size_t end = std::string_view::npos;
  // Read from left to right, each "$$$" is one escaped "$"; only a "$$" that does not start such
  // a triple ends the item. Looking for "$$" at every position instead would find the last two
  // dollars of a triple ("a$$$b" would end after "a$").
  for (std::size_t i = 0; i < rest.size();) {
    if (rest.compare(i, 3, "$$$") == 0) {
      i += 3;
    } else if (rest.compare(i, 2, "$$") == 0) {
      end = i;
      break;
    } else {
      ++i;
    }
  }
  record.ITEM.assign(CutSettingText(rest.substr(0, end), kSectorFieldMax));
  if (end != std::string_view::npos) {
    record.TYPE.assign(CutSettingText(rest.substr(end + 2), kSectorFieldMax));
  }
  return record;
}

}  // namespace kv
