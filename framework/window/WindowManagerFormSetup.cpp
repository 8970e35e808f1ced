// Forms, before and around their saves: preparing a form for its request (PrimeUpdate), the
// checks made when a form is closed, field history and the update files. What the completed
// event runs, the save paths, is in WindowManagerFormSaves.cpp.
#include <algorithm>
#include <cstring>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/window/WindowManager.h"
#include "platform/values/FieldTable.h"
#include "platform/window/EventLoop.h"
#include "platform/window/ModalServices.h"

namespace kv {

namespace {

// The message that refuses `request` on a form whose action for it is 1 (none); 0 when the
// request is allowed.
MessageId RefusedRequest(RequestCode request, std::uint8_t insertAction, std::uint8_t changeAction,
                         std::uint8_t deleteAction) {
  if (request == InsertRecord && insertAction == 1) return MsgInsertNotAllowed;
  if (request == ChangeRecord && changeAction == 1) return MsgChangeNotAllowed;
  if (request == DeleteRecord && deleteAction == 1) return MsgDeleteNotAllowed;
  return 0;
}

}  // namespace

ResultLevel WindowManager::PrimeUpdate() {
  FileManager* file = PrimaryFile();
  if (file == nullptr) return Benign;
  if (MessageId refused = RefusedRequest(REQUEST, INSERTACTION, CHANGEACTION, DELETEACTION)) {
    // A form configured without an action for this request (a viewing form) must not open as
    // if it could carry it out.
    (void)Report(refused);
    RESPONSE = RequestCancelled;
    return Fatal;
  }
  (void)file->PrepareUse(UseProcedure);
  PRIMARY->SaveLinkValues();
  if (FILES) {
    for (FileEntry& e : *FILES) e.SAVED = static_cast<std::uint16_t>(e.MANAGER->SaveBuffer());
  }
  ResultLevel answer = Benign;
  if (REQUEST == InsertRecord) {
    if (INSERTACTION != 0) {
      RESPONSE = RequestCompleted;
      PrimeFields();
      if (RESPONSE == RequestCancelled) {
        answer = Fatal;
      } else {
        RESPONSE = RequestCancelled;
      }
    }
  } else if (REQUEST == DeleteRecord && (DELETEACTION == 2 || DELETEACTION == 4)) {
    RESPONSE = PRIMARY->Delete(DELETEACTION == 2) == Benign ? RequestCompleted : RequestCancelled;
    answer = Fatal;
  }
  SavePrimaryAgain();
  return answer;
}

ResultLevel WindowManager::TakeCloseEvent() {
  if (RESPONSE == RequestCompleted || PRIMARY == nullptr) return Benign;
  FileManager* file = PrimaryFile();
  if (CANCELACTION != 0 && (REQUEST == InsertRecord || REQUEST == ChangeRecord) &&
      PrimaryChanged()) {
    if ((CANCELACTION & 1) != 0) {
      const int answer =
          (CANCELACTION & 2) != 0
              ? Question(MsgSaveRecord, kButtonYes + kButtonNo + kButtonCancel, kButtonCancel)
              : kButtonYes;
      if (answer == kButtonYes) {
        PressOk();
        return Notify;
      }
      if (answer != kButtonNo) {
        SelectFirstField();
        return Notify;
      }
    } else if (Report(MsgChangesWillBeLost) == Cancel) {
      SelectFirstField();
      return Notify;
    }
  }
  if (ORIGINALREQUEST == InsertRecord && RESPONSE == RequestCancelled &&
      PRIMARY->CancelAutoNumber() != Benign) {
    SelectFirstField();
    return Notify;
  }
  if (!LASTINSERTEDPOSITION.empty()) {
    // Records were added in this run: the caller finds the last one in the buffer.
    RESPONSE = RequestCompleted;
    (void)file->Reget(LASTINSERTEDPOSITION);
  } else if (savedThisRun_) {
    // The save button wrote the record: the job is done, and the caller finds the record as it
    // was written, not with changes the user chose to drop.
    RESPONSE = RequestCompleted;
    std::int32_t id = SAVED;
    file->RestoreBuffer(id, true);
    SAVED = static_cast<std::uint16_t>(id);
  }
  return Benign;
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
  // The saved images are dropped, not put back: the buffers keep what the form left in them
  // (the record written, or the last one added) for the caller.
  if (FILES) {
    for (FileEntry& e : *FILES) {
      std::int32_t id = e.SAVED;
      if (id != 0) e.MANAGER->RestoreBuffer(id, false);
      e.SAVED = 0;
    }
    FILES.reset();
  }
  if (FileManager* file = PrimaryFile(); file != nullptr && SAVED != 0) {
    std::int32_t id = SAVED;
    file->RestoreBuffer(id, false);
    SAVED = 0;
  }
}

}  // namespace kv
