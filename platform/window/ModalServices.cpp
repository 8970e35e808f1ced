#include "platform/window/ModalServices.h"

#include <atomic>
#include <cstdio>

namespace kv {
namespace {

class ConsoleModalServices final : public ModalServices {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
    return request.defaultButton;
  }
  int ShowPopupMenu(const PopupMenuRequest&) override { return 0; }
};

ConsoleModalServices gConsole;
std::atomic<ModalServices*> gInstalled{nullptr};

}  // namespace

std::string StockIconName(std::uint16_t number) {
  return "STOCK:" + std::to_string(number);
}

std::uint16_t StockIconNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "STOCK:";
  if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) return 0;
  unsigned value = 0;
  for (char c : name.substr(kPrefix.size())) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 0xFFFF) return 0;
  }
  return static_cast<std::uint16_t>(value);
}

void SetModalServices(ModalServices* services) {
  gInstalled.store(services);
}

ModalServices& Modal() {
  ModalServices* installed = gInstalled.load();
  return installed ? *installed : gConsole;
}

}  // namespace kv
