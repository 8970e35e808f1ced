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

void SetModalServices(ModalServices* services) {
  gInstalled.store(services);
}

ModalServices& Modal() {
  ModalServices* installed = gInstalled.load();
  return installed ? *installed : gConsole;
}

}  // namespace kv
