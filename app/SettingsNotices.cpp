#include "app/SettingsNotices.h"

#include <atomic>

#include "app/Globals.h"
#include "platform/window/ModalServices.h"

namespace kv {
namespace {

std::atomic<bool> gNotSavedTold{false};

void Tell(const std::string& text, const char* title, std::uint32_t icon) {
  (void)GlobalErrors.ShowMessage(text, title, icon, kButtonOk, kButtonOk, 0);
}

}  // namespace

void TellSettingsNotSaved(const std::string& file) {
  if (gNotSavedTold.exchange(true)) return;
  Tell("The settings file " + file +
           " cannot be written.|Window positions and the connection entries will not be kept "
           "until it can be written again.",
       kSettingsNotSavedTitle, kIconExclamation);
}

void TellPasswordFileRights(const std::string& file, OwnerOnlyStatus status) {
  if (status == OwnerOnlyStatus::kNarrowed) {
    Tell("The settings file " + file +
             " could be read by other users. It holds the remembered password, so from now on "
             "only you can read and change it.",
         kPasswordFileTitle, kIconInformation);
  } else if (status == OwnerOnlyStatus::kRefused) {
    Tell("The settings file " + file +
             " holds the remembered password, but its rights could not be narrowed to you "
             "alone: other users may be able to read it.",
         kPasswordFileTitle, kIconExclamation);
  }
}

}  // namespace kv
