// Bound variables, focus and accept-all validation of Window.
#include <algorithm>

#include "platform/window/EventHub.h"
#include "platform/window/Window.h"
#include "platform/window/WindowModel.h"

namespace kv {
namespace {

WindowModel& M() {
  return WindowModel::Instance();
}

struct DisplayJob {
  int number = 0;
  ControlKind kind = ControlKind::kPrompt;
  std::shared_ptr<ControlBinding> binding;
  std::shared_ptr<ListSource> source;
  int columns = 0;
  // Results, computed outside the model lock.
  std::string text;
  std::vector<std::vector<std::string>> rows;
};

bool TruthyText(const std::string& text) {
  auto first = text.find_first_not_of(' ');
  return first != std::string::npos && text.substr(first) != "0";
}

// The text a bound control hands back to its variable.
std::string ScreenValue(const Control& c) {
  if (c.kind == ControlKind::kCheck) return c.checked ? "1" : "0";
  return c.text;
}

}  // namespace

void Window::Bind(int control, std::shared_ptr<ControlBinding> binding) {
  M().With(id_, [&](WindowState& w) {
    if (Control* c = w.Find(control)) c->binding = std::move(binding);
  });
}

void Window::Display(int control) {
  std::vector<DisplayJob> jobs;
  M().Read(id_, [&](const WindowState& w) {
    for (const Control& c : w.controls) {
      if (control != 0 && c.number != control) continue;
      if (!c.binding && !c.source) continue;
      DisplayJob job;
      job.number = c.number;
      job.kind = c.kind;
      job.binding = c.binding;
      job.source = c.source;
      job.columns = std::max<int>(1, static_cast<int>(c.columns.size()));
      jobs.push_back(std::move(job));
    }
  });
  for (DisplayJob& job : jobs) {
    if (job.source) {
      int count = job.source->RowCount();
      job.rows.resize(std::max(0, count));
      for (int r = 1; r <= count; ++r) {
        auto& row = job.rows[r - 1];
        for (int col = 1; col <= job.columns; ++col) row.push_back(job.source->Cell(r, col));
      }
    } else {
      job.text = job.binding->Display();
    }
  }
  M().With(id_, [&](WindowState& w) {
    for (DisplayJob& job : jobs) {
      Control* c = w.Find(job.number);
      if (c == nullptr) continue;
      if (job.source) {
        c->rows = std::move(job.rows);
        int count = static_cast<int>(c->rows.size());
        if (c->choice > count) c->choice = count;
      } else if (c->kind == ControlKind::kCheck) {
        c->checked = TruthyText(job.text);
      } else {
        c->text = std::move(job.text);
      }
    }
  });
  for (const DisplayJob& job : jobs) M().ReportChange(id_, job.number);
}

bool Window::AcceptControl(int control) {
  std::shared_ptr<ControlBinding> binding;
  std::string text;
  M().Read(id_, [&](const WindowState& w) {
    const Control* c = w.Find(control);
    if (c == nullptr || !c->binding || c->kind == ControlKind::kList) return;
    if (c->readOnly) return;  // nothing was typed into it
    binding = c->binding;
    text = ScreenValue(*c);
  });
  if (!binding) return true;
  if (!binding->Accept(text)) return false;
  Display(control);
  return true;
}

bool Window::Update(int control) {
  std::vector<int> numbers;
  M().Read(id_, [&](const WindowState& w) {
    for (const Control& c : w.controls) {
      if (control != 0 && c.number != control) continue;
      if (c.binding && c.kind != ControlKind::kList && !c.readOnly) numbers.push_back(c.number);
    }
  });
  bool all = true;
  for (int number : numbers) {
    if (!AcceptControl(number)) {
      all = false;
      Post(kEventRejected, number);
    }
  }
  return all;
}

void Window::Select(int control) {
  int selected = 0;
  M().With(
      id_,
      [&](WindowState& w) {
        w.acceptAll = false;
        const Control* c = w.Find(control);
        if (c == nullptr) return;
        selected = control;
        // A prompt, group or image never has the focus: the control after it takes it.
        if (c->kind == ControlKind::kPrompt || c->kind == ControlKind::kGroup ||
            c->kind == ControlKind::kImage) {
          selected = w.NextFocusable(control);
          if (selected == 0) return;
        }
        w.focus = selected;
        ++w.focusRequests;
        w.requestedFocus = selected;
      },
      0);
  if (selected != 0) Post(kEventSelected, selected);
}

int Window::Focus() const {
  int focus = 0;
  M().Read(id_, [&](const WindowState& w) { focus = w.focus; });
  return focus;
}

void Window::StartAcceptAll() {
  M().With(id_, [](WindowState& w) {
    w.acceptAll = true;
    w.acceptAllLast = 0;
  });
}

bool Window::InAcceptAll() const {
  bool on = false;
  M().Read(id_, [&](const WindowState& w) { on = w.acceptAll; });
  return on;
}

int Window::NextAcceptAllControl() {
  int next = 0;
  M().With(id_, [&](WindowState& w) {
    if (!w.acceptAll) return;
    for (const Control& c : w.controls) {
      if (c.number <= w.acceptAllLast || c.hidden || c.disabled || !c.TakesInput()) continue;
      if (next == 0 || c.number < next) next = c.number;
    }
    if (next == 0) {
      w.acceptAll = false;
    } else {
      w.acceptAllLast = next;
    }
  });
  return next;
}

void Window::StopAcceptAll() {
  M().With(id_, [](WindowState& w) { w.acceptAll = false; });
}

}  // namespace kv
