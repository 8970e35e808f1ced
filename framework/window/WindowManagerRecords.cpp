// The record-request side of the window manager: what is built of it so far (the completed
// event's dispatch, the OK and save buttons, field history, update-file registration) and the
// save paths, which answer Benign until the form task builds them on the file and relation
// managers.
#include <algorithm>
#include <cstring>

#include "framework/window/WindowManager.h"
#include "platform/values/FieldTable.h"
#include "platform/window/EventLoop.h"

namespace kv {

ResultLevel WindowManager::PrimeUpdate() {
  return Benign;
}

ResultLevel WindowManager::InsertAction() {
  return Benign;
}

ResultLevel WindowManager::ChangeAction() {
  return Benign;
}

ResultLevel WindowManager::DeleteAction() {
  return Benign;
}

ResultLevel WindowManager::SaveOnChangeAction() {
  return Benign;
}

ResultLevel WindowManager::SaveOnInsertAction() {
  return Benign;
}

ResultLevel WindowManager::TakeCloseEvent() {
  if (RESPONSE == RequestCompleted || PRIMARY == nullptr) return Benign;
  // The checks of a changed form (ask to save, cancel an auto-numbered insert, re-get the last
  // inserted record) need the primary file manager; until the form task adds them a form
  // closes as a window without a primary table does.
  return Benign;
}

ResultLevel WindowManager::TakeCompleted() {
  if (HISTORY) {
    // What the user typed, kept so that the history key can bring it back after the record
    // was reloaded (a change by another station).
    const std::byte* previous = nullptr;
    for (const HistoryEntry& h : *HISTORY) {
      if (h.FRECORD != previous) std::memcpy(h.SRECORD, h.FRECORD, h.SIZE);
      previous = h.FRECORD;
    }
  }
  switch (REQUEST) {
    case InsertRecord:
      return InsertAction();
    case ChangeRecord:
      return ChangeAction();
    case DeleteRecord:
      return DeleteAction();
    case SaveRecord:
      if (ORIGINALREQUEST == InsertRecord) return SaveOnInsertAction();
      if (ORIGINALREQUEST == ChangeRecord) return SaveOnChangeAction();
      return Benign;
    default:
      return Benign;
  }
}

void WindowManager::PostCompleted() {
  const bool form = ORIGINALREQUEST == InsertRecord || ORIGINALREQUEST == ChangeRecord ||
                    ORIGINALREQUEST == ViewRecord;
  if (form) {
    if (ORIGINALREQUEST == ViewRecord && BATCHPROCESSING == 0) MYWINDOW.Post(kEventCompleted);
    MYWINDOW.StartAcceptAll();
  } else if (BATCHPROCESSING == 0) {
    MYWINDOW.Post(kEventCompleted);
  } else {
    MYWINDOW.StartAcceptAll();
  }
}

void WindowManager::RestoreField(std::int32_t control) {
  if (!HISTORY) return;
  for (const HistoryEntry& h : *HISTORY) {
    if (h.CONTROL != control) continue;
    const FieldDesc* field = h.FIELDS->Field(h.FIELDNO);
    std::memcpy(h.FRECORD + field->offset, h.SRECORD + field->offset, field->size);
    MYWINDOW.Display(control);
    return;
  }
}

void WindowManager::AddHistoryFile(void* record, void* saved, const FieldTable& fields) {
  if (!HISTORY) HISTORY = std::make_unique<std::vector<HistoryEntry>>();
  pendingHistory_ = HistoryEntry{static_cast<std::byte*>(record),
                                 static_cast<std::byte*>(saved),
                                 fields.RecordSize(),
                                 &fields,
                                 0,
                                 0};
}

void WindowManager::AddHistoryField(std::int32_t control, std::int32_t fieldNumber) {
  if (!HISTORY || pendingHistory_.FRECORD == nullptr || pendingHistory_.SRECORD == nullptr ||
      pendingHistory_.FIELDS->Field(fieldNumber) == nullptr) {
    return;
  }
  HistoryEntry entry = pendingHistory_;
  entry.CONTROL = control;
  entry.FIELDNO = fieldNumber;
  auto at = std::upper_bound(HISTORY->begin(), HISTORY->end(), control,
                             [](std::int32_t c, const HistoryEntry& h) { return c < h.CONTROL; });
  HISTORY->insert(at, entry);
}

void WindowManager::AddUpdateFile(FileManager& file) {
  if (!FILES) FILES = std::make_unique<std::vector<FileEntry>>();
  FILES->push_back(FileEntry{&file, 0});
}

void WindowManager::ReleaseSavedBuffers() {
  // Nothing is saved yet (PrimeUpdate, which saves the update buffers, comes with the form
  // task, and with it the release of each FILES entry's SAVED and of the primary's SAVED).
  FILES.reset();
}

void WindowManager::EnableCancelButtons() {
  if (DISABLECANCELBUTTON == 0 || !BUTTONS) return;
  for (const ButtonEntry& b : *BUTTONS) {
    if (b.ACTION == RequestCancelled) SetControlDisabled(b.CONTROL, false);
  }
}

}  // namespace kv
