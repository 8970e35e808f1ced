#include "framework/browse/QueueListAdapter.h"

namespace kv {
namespace {

// The tab a sheet shows: the one chosen last, or its first tab before any was chosen.
int ShownTab(const Window& w, int sheet) {
  if (int tab = w.SelectedTab(sheet); tab != 0) return tab;
  for (int c : w.ControlNumbers())
    if (w.Kind(c) == ControlKind::kTab && w.ParentControl(c) == sheet) return c;
  return 0;
}

}  // namespace

void QueueListAdapter::Init(RowQueue& queue, VarRef position, std::int32_t control,
                            Window& window) {
  Q = &queue;
  S = position;
  LC = control;
  window_ = &window;
}

std::int32_t QueueListAdapter::Records() {
  return Q->Records();
}

void QueueListAdapter::Add() {
  Q->Add();
}

void QueueListAdapter::AddAt(std::int32_t position) {
  Q->AddAt(position);
}

ErrorCode QueueListAdapter::Get(std::int32_t position) {
  return Q->Get(position);
}

void QueueListAdapter::Put() {
  (void)Q->Put();
}

void QueueListAdapter::Delete() {
  (void)Q->Delete();
}

void QueueListAdapter::Free() {
  Q->Free();
}

std::string QueueListAdapter::ColumnName(std::int32_t n) {
  return Q->ColumnName(n);
}

std::string QueueListAdapter::GetPosition() {
  return S.ToClippedText();
}

void QueueListAdapter::SetPosition(const std::string& position) {
  (void)S.SetText(position);
}

std::int32_t QueueListAdapter::Choice() {
  return window_->Choice(LC);
}

std::int32_t QueueListAdapter::GetControl() {
  return LC;
}

std::int32_t QueueListAdapter::GetItems() {
  return window_->VisibleRows(LC);
}

std::uint8_t QueueListAdapter::GetVisible() {
  Window& w = *window_;
  if (!w.IsOpen() || !w.HasControl(LC)) return 0;
  // Hidden when the control or any control around it is hidden, or when it lies on a tab page
  // that is not the one its sheet shows.
  for (int c = LC; c != 0; c = w.ParentControl(c)) {
    if (w.Hidden(c)) return 0;
    if (w.Kind(c) == ControlKind::kTab) {
      const int sheet = w.ParentControl(c);
      if (sheet != 0 && ShownTab(w, sheet) != c) return 0;
    }
  }
  return 1;
}

void QueueListAdapter::SetChoice(std::int32_t n) {
  window_->SetChoice(LC, n);
}

void QueueListAdapter::SetControl(std::int32_t control) {
  LC = control;
}

}  // namespace kv
