#include "tools/crash/CrashProgram.h"

#include <random>
#include <set>
#include <string>

#include "tools/crash/CrashProducts.h"

namespace kv::crash {

namespace {

// A number as the list shows it: thousands separated by commas.
std::string Grouped(std::string digits) {
  const std::size_t point = digits.find('.');
  for (long at = long(point == std::string::npos ? digits.size() : point) - 3; at > 0; at -= 3)
    digits.insert(std::size_t(at), ",");
  return digits;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int FormGrowth(long sequence) {
  return int(sequence % 293);
}

std::string ProgramScript(const std::string& connectLines, const std::map<int, long>& stored,
                          int products, unsigned seed, long firstSequence, int saves) {
  std::map<int, long> version = stored;
  std::set<int> shown;  // the products the list shows, in code order (the codes sort by n)
  for (const auto& [n, v] : stored) shown.insert(n);
  std::string s = connectLines + "\nchoose \"?BROWSEARTICULOS\"\n";
  s += "window \"Browse the Products file\"\nresize 358 900\n";
  s += "check rows \"?BROWSE:1\" " + std::to_string(shown.size()) + "\nnote \"ready\"\n";
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(1, products);
  for (long sequence = firstSequence; sequence < firstSequence + saves; ++sequence) {
    const int n = pick(random);
    const long next = version[n] + 1;
    const std::string caption = next == 1 ? "Record Will Be Added" : "Record Will Be Changed";
    if (next == 1) {
      s += "press \"?INSERT:3\"\nwindow " + Quoted(caption) + "\n";
      s += "type \"?PRO:PCODE\" " + Quoted(ProductCode(n)) + "\n";
    } else {
      const long row = long(std::distance(shown.begin(), shown.find(n))) + 1;
      s += "click \"?BROWSE:1\" " + std::to_string(row) + " double\n";
      s += "window " + Quoted(caption) + "\ncheck text \"?PRO:PCODE\" " + Quoted(ProductCode(n)) +
           "\n";
    }
    const int grow = FormGrowth(sequence);
    s += "resize " + std::to_string(kFormWidth + grow) + " " + std::to_string(kFormHeight + grow);
    s += "\ntype \"?PRO:DESCRIPTION\" " + Quoted(Description(n, next)) + "\n";
    s += "type \"?PRO:PRICE\" \"" + Price(n, next) + "\"\n";
    s += "type \"?PRO:PROVIDERID\" \"" + std::to_string(next) + "\"\n";
    s += "press \"?OK\"\ncheck closed " + Quoted(caption) + "\n";
    version[n] = next;
    shown.insert(n);
    const long row = long(std::distance(shown.begin(), shown.find(n))) + 1;
    s += "window \"Browse the Products file\"\ncheck row \"?BROWSE:1\" " + std::to_string(row) +
         " " +
         Quoted(ProductCode(n) + "|" + Description(n, next) + "|" + Grouped(Price(n, next)) + "|" +
                Grouped(std::to_string(next))) +
         "\n";
    s += "note \"save " + std::to_string(n) + " " + std::to_string(next) + " " +
         std::to_string(sequence) + "\"\n";
  }
  return s + "press \"?CLOSE\"\nwindow frame\nchoose \"?EXIT\"\ncheck ended\n";
}

}  // namespace kv::crash
