// The script parser. Property: a parsed script written out again, every word in quotes with
// its quotes and backslashes escaped and one line per line, parses to the same lines.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "platform/script/Script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kv::Script script;
  std::string error;
  if (!kv::ParseScript(text, &script, &error)) {
    kv::fuzz::Check(error.rfind("line ", 0) == 0, "an error without its line");
    return 0;
  }
  std::string again;
  int line = 1;
  for (const kv::ScriptLine& l : script.lines) {
    kv::fuzz::Check(l.number >= line && !l.words.empty(), "lines out of order or empty");
    for (; line < l.number; ++line) again += "\n";
    for (const std::string& w : l.words) {
      again += " \"";
      for (char c : w) {
        if (c == '"' || c == '\\') again += '\\';
        again += c;
      }
      again += '"';
    }
  }
  kv::Script reread;
  kv::fuzz::Check(kv::ParseScript(again, &reread, &error), "a written script does not parse");
  kv::fuzz::Check(reread.lines.size() == script.lines.size(), "lines lost on the way");
  for (std::size_t i = 0; i < script.lines.size(); ++i) {
    kv::fuzz::Check(reread.lines[i].number == script.lines[i].number, "line numbers moved");
    kv::fuzz::Check(reread.lines[i].words == script.lines[i].words, "words changed");
  }
  return 0;
}
