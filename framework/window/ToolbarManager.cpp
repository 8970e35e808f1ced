#include "framework/window/ToolbarManager.h"

namespace kv {

ResultLevel ToolbarManager::DisplayButtons() {
  ToolbarTarget* target = Current();
  return target != nullptr ? target->DisplayButtons() : Benign;
}

void ToolbarManager::Kill() {
  LIST.reset();
  current_ = 0;
}

void ToolbarManager::TakeEvent(std::int32_t* request, WindowManager& manager) {
  if (!LIST || LIST->empty()) return;
  if (ToolbarTarget* target = Current()) target->TakeEvent(request, manager);
}

void ToolbarManager::Init() {
  LIST = std::make_unique<std::vector<Entry>>();
  current_ = 0;
}

void ToolbarManager::AddTarget(std::int32_t id, ToolbarTarget* target) {
  if (!LIST || target == nullptr || id == 0) return;
  LIST->push_back(Entry{id, target});
  if (current_ == 0) current_ = LIST->size();
}

void ToolbarManager::SetTarget(std::int32_t id) {
  if (!LIST) return;
  std::size_t chosen = 0;
  for (std::size_t i = 0; i < LIST->size(); ++i) {
    const Entry& e = (*LIST)[i];
    if (id != 0 ? e.ID == id : e.ITEM->TryTakeToolbar() != 0) {
      chosen = i + 1;
      if (id != 0) break;  // an identifier names one entry; asking goes on to the last yes
    }
  }
  if (chosen == 0) return;
  current_ = chosen;
  (*LIST)[current_ - 1].ITEM->TakeToolbar();
}

ToolbarTarget* ToolbarManager::Current() const {
  if (!LIST || current_ == 0 || current_ > LIST->size()) return nullptr;
  return (*LIST)[current_ - 1].ITEM;
}

std::int32_t ToolbarManager::CurrentId() const {
  if (!LIST || current_ == 0 || current_ > LIST->size()) return 0;
  return (*LIST)[current_ - 1].ID;
}

}  // namespace kv
