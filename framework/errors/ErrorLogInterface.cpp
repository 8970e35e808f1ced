#include "framework/errors/ErrorLogInterface.h"

#include "framework/errors/MessageText.h"

namespace kv {

std::string FormatErrorLogLine(std::string_view text, std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  // %x and %X are the locale's short date and long time, which is what the log shows.
  char date[64] = {};
  char time[64] = {};
  std::strftime(date, sizeof date, "%x", &local);
  std::strftime(time, sizeof time, "%X", &local);
  std::string line = std::string(date) + "@" + time + " --> ";
  line.append(text);
  return std::string(ClipBlanks(CutUtf8(line, kLogLineLimit)));
}

}  // namespace kv
