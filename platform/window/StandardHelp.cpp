#include "platform/window/StandardHelp.h"

#include <algorithm>
#include <vector>

#include "platform/window/KeyCode.h"
#include "platform/window/ModalServices.h"

namespace kv {
namespace {

// `text` without "&" marks; "&&" stands for a plain "&".
std::string WithoutHotKeys(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += '&';
      ++i;
      if (i < text.size() && text[i] != '&') out += text[i];
      continue;
    }
    out += text[i];
  }
  return out;
}

std::string ListKeys(const Control& list) {
  std::vector<int> keys;
  for (const auto& [position, key] : list.alerts) {
    if (key == 0 || IsMouseKey(key)) continue;
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
  std::string out;
  for (int key : keys) out += (out.empty() ? "" : ", ") + KeyName(key);
  return out;
}

}  // namespace

std::string StandardHelpText(const Window& window) {
  const WindowSnapshot s = window.Snapshot();
  std::string text = s.caption;
  std::vector<const Control*> controls;
  for (const Control& c : s.controls)
    if (c.number > 0) controls.push_back(&c);
  std::sort(controls.begin(), controls.end(),
            [](const Control* a, const Control* b) { return a->number < b->number; });
  std::string keys;
  for (const Control* c : controls) {
    if (c->hidden) continue;
    if (!c->tip.empty()) {
      const std::string name = c->kind == ControlKind::kList ? "List" : WithoutHotKeys(c->text);
      text += "|" + name + ": " + c->tip;
    }
    if (c->kind == ControlKind::kList && keys.empty()) keys = ListKeys(*c);
  }
  if (!keys.empty()) text += "|Keys on the list: " + keys;
  return text;
}

void ShowStandardHelp(const Window& window) {
  MessageBoxRequest box;
  box.text = StandardHelpText(window);
  box.caption = "Help";
  box.icon = kIconInformation;
  box.buttons = kButtonOk;
  box.defaultButton = kButtonOk;
  (void)Modal().ShowMessageBox(box);
}

}  // namespace kv
