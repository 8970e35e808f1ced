#include "platform/script/Script.h"

namespace kv {
namespace {

// Splits one line into words; false for an unterminated quote or a bad escape.
bool SplitWords(std::string_view line, std::vector<std::string>* words, std::string* why) {
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    std::string word;
    if (c == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char q = line[i++];
        if (q == '"') {
          closed = true;
          break;
        }
        if (q == '\\') {
          if (i >= line.size() || (line[i] != '"' && line[i] != '\\')) {
            *why = "a backslash in quotes must come before \" or \\";
            return false;
          }
          q = line[i++];
        }
        word += q;
      }
      if (!closed) {
        *why = "unterminated quote";
        return false;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
        word += line[i++];
      }
    }
    words->push_back(std::move(word));
  }
  return true;
}

}  // namespace

bool ParseScript(std::string_view text, Script* script, std::string* error) {
  script->lines.clear();
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    ++number;
    std::size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos && line[first] != '#') {
      ScriptLine parsed;
      parsed.number = number;
      std::string why;
      if (!SplitWords(line, &parsed.words, &why)) {
        *error = "line " + std::to_string(number) + ": " + why;
        return false;
      }
      script->lines.push_back(std::move(parsed));
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return true;
}

}  // namespace kv
