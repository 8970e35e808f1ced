#include "platform/window/SystemProperty.h"

#include <map>
#include <mutex>

namespace kv {
namespace {

struct Properties {
  std::mutex lock;
  std::map<int, std::string> values;  // guarded by lock; only the properties set
};

Properties& State() {
  static Properties* properties = new Properties;  // never destroyed: threads may outlive statics
  return *properties;
}

std::string DefaultOf(int number) {
  return number == kSystemPropMenuIcons ? "1" : "";
}

}  // namespace

std::string SystemProperty(int number) {
  Properties& p = State();
  std::lock_guard lock(p.lock);
  auto it = p.values.find(number);
  return it != p.values.end() ? it->second : DefaultOf(number);
}

void SetSystemProperty(int number, std::string value) {
  Properties& p = State();
  std::lock_guard lock(p.lock);
  if (value.empty()) {
    p.values.erase(number);
  } else {
    p.values[number] = std::move(value);
  }
}

}  // namespace kv
