// The save paths of a form: the completed event's dispatch (TakeCompleted) to inserting,
// changing and deleting the primary record, the save-and-stay button, and starting another
// record after an insert; the cancel buttons are disabled while a save is under way. Writes go
// through the primary file manager (inserts) and its relation manager (changes and deletes).
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/window/FormNavigator.h"
#include "framework/window/WindowManager.h"
#include "platform/window/EventLoop.h"
#include "platform/window/ModalServices.h"

namespace kv {

namespace {

constexpr int kYesNoCancel = kButtonYes + kButtonNo + kButtonCancel;
constexpr std::size_t kPositionLimit = 1024;

// The answer to the retry question after a failed write.
enum class Retry { kAgain, kLeave, kStay };

Retry RetryAnswer(int button) {
  if (button == kButtonYes) return Retry::kAgain;
  if (button == kButtonNo) return Retry::kLeave;
  return Retry::kStay;
}

}  // namespace

// ---- Helpers ----------------------------------------------------------------------------------

FileManager* WindowManager::PrimaryFile() const {
  return PRIMARY != nullptr ? PRIMARY->ME : nullptr;
}

bool WindowManager::PrimaryChanged() const {
  FileManager* file = PrimaryFile();
  return file != nullptr && !file->EqualBuffer(SAVED);
}

void WindowManager::SavePrimaryAgain() {
  FileManager* file = PrimaryFile();
  if (file == nullptr) return;
  // The earlier image is released first: the file manager keeps every saved image until it is
  // restored, and a form that saves many times would otherwise pile them up for the thread.
  std::int32_t id = SAVED;
  file->RestoreBuffer(id, false);
  SAVED = static_cast<std::uint16_t>(file->SaveBuffer());
}

void WindowManager::SelectFirstField() {
  if (FIRSTFIELD != 0) MYWINDOW.Select(FIRSTFIELD);
}

void WindowManager::ShowFirstField() {
  MYWINDOW.Display(0);
  SelectFirstField();
}

int WindowManager::Question(std::uint16_t message, int buttons, int defaultButton) {
  return ERRORS != nullptr ? ERRORS->AskQuestion(message, buttons, defaultButton) : defaultButton;
}

ResultLevel WindowManager::Report(std::uint16_t message) {
  return ERRORS != nullptr ? ERRORS->HandleMessage(message) : Notify;
}

void WindowManager::PressOk() {
  if (OKCONTROL != 0) {
    MYWINDOW.Post(kEventAccepted, OKCONTROL);
  } else {
    // A form without an OK control still has to be able to save when it is closed; this is
    // what its OK would do.
    PostCompleted();
  }
}

ResultLevel WindowManager::WriteChange(bool* written) {
  *written = false;
  if (!PrimaryChanged()) return Benign;
  MYWINDOW.SetBusy(true);
  ResultLevel r = PRIMARY->Update(HISTORYKEY != 0);
  MYWINDOW.SetBusy(false);
  *written = r == Benign;
  return r;
}

void WindowManager::StartAnotherRecord(bool restorePrimary) {
  FileManager* file = PrimaryFile();
  LASTINSERTEDPOSITION = file->GetPosition().substr(0, kPositionLimit);
  if (FILES) {
    for (FileEntry& e : *FILES) {
      // A form usually lists its primary file among the update files too; when the new record
      // is to start from the values just saved, that entry must not put the old ones back.
      std::int32_t id = e.SAVED;
      e.MANAGER->RestoreBuffer(id, restorePrimary || e.MANAGER != file);
      e.SAVED = static_cast<std::uint16_t>(e.MANAGER->SaveBuffer());
    }
  }
  if (restorePrimary) {
    std::int32_t id = SAVED;
    file->RestoreBuffer(id, true);
    SAVED = static_cast<std::uint16_t>(id);
  }
  savedThisRun_ = false;
  (void)file->PrepareUse(UseProcedure);
  if (file->AutoNumber() != Benign) {
    MYWINDOW.Post(kEventCloseWindow);
  } else {
    PrimeFields();
    RESPONSE = RequestCancelled;
  }
  SavePrimaryAgain();
  MYWINDOW.Display(0);
}

ResultLevel WindowManager::NavigateBatch() {
  FORMVCR->Move(VCRREQUEST != nullptr ? *VCRREQUEST : 0);
  SavePrimaryAgain();
  ShowFirstField();
  return Notify;
}

// ---- The actions ------------------------------------------------------------------------------

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
    case ViewRecord:
      if (BATCHPROCESSING != 0 && FORMVCR != nullptr) return NavigateBatch();
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

void WindowManager::SetCancelButtonsDisabled(bool disabled) {
  if (DISABLECANCELBUTTON == 0 || !BUTTONS) return;
  for (const ButtonEntry& button : *BUTTONS) {
    if (button.ACTION == RequestCancelled) SetControlDisabled(button.CONTROL, disabled);
  }
}

ResultLevel WindowManager::InsertAction() {
  FileManager* file = PrimaryFile();
  if (file == nullptr) return Benign;
  if (file->Insert() != Benign) {
    SelectFirstField();
    return Notify;
  }
  if (BATCHPROCESSING == 0) {
    if (INSERTACTION == 2) {
      SetResponse(RequestCompleted);
      return Benign;
    }
    if (INSERTACTION == 4) {
      if (Report(MsgRecordAdded) != Benign) {
        SetResponse(RequestCompleted);
        return Benign;
      }
    } else if (INSERTACTION != 3) {
      return Benign;
    }
  }
  StartAnotherRecord(true);
  SelectFirstField();
  return Notify;
}

ResultLevel WindowManager::ChangeAction() {
  if (PrimaryFile() == nullptr) return Benign;
  bool written = false;
  for (;;) {
    RESPONSE = RequestCancelled;
    ResultLevel r = WriteChange(&written);
    if (r == User) {
      switch (RetryAnswer(Question(MsgRetryUpdate, kYesNoCancel, kButtonCancel))) {
        case Retry::kAgain:
          continue;
        case Retry::kLeave:
          if (ORIGINALREQUEST != InsertRecord) MYWINDOW.Post(kEventCloseWindow);
          return Notify;
        case Retry::kStay:
          ShowFirstField();
          return Notify;
      }
    }
    if (r != Benign) {
      ShowFirstField();
      return Notify;
    }
    break;
  }
  const bool noNavigation = VCRREQUEST == nullptr || *VCRREQUEST == 0;
  if (written || savedThisRun_ || (TOOLBAR != nullptr && noNavigation)) {
    RESPONSE = RequestCompleted;
  }
  if (ORIGINALREQUEST == ChangeRecord) {
    if (BATCHPROCESSING == 0) {
      if (CHANGEACTION == 2) MYWINDOW.Post(kEventCloseWindow);
    } else if (FORMVCR != nullptr) {
      return NavigateBatch();
    }
  }
  if (ORIGINALREQUEST == InsertRecord && RESPONSE == RequestCompleted) {
    // A record inserted with the save button and now completed with OK.
    SetCancelButtonsDisabled(false);
    REQUEST = InsertRecord;
    if (INSERTACTION == 3) {
      StartAnotherRecord(false);
      ShowFirstField();
      return Notify;
    }
    if (BATCHPROCESSING == 0 && CHANGEACTION == 2) MYWINDOW.Post(kEventCloseWindow);
  }
  return Benign;
}

ResultLevel WindowManager::DeleteAction() {
  if (PrimaryFile() == nullptr) return Benign;
  for (;;) {
    RESPONSE = RequestCancelled;
    MYWINDOW.SetBusy(true);
    ResultLevel r = PRIMARY->Delete(DELETEACTION == 2);
    MYWINDOW.SetBusy(false);
    if (r == Benign || r == Cancel) {
      if (BATCHPROCESSING == 0) SetResponse(RequestCompleted);
      break;
    }
    Retry answer = RetryAnswer(Question(MsgRetryDelete, kYesNoCancel, kButtonCancel));
    if (answer == Retry::kAgain) continue;
    if (answer == Retry::kLeave) {
      if (BATCHPROCESSING == 0) MYWINDOW.Post(kEventCloseWindow);
    } else {
      ShowFirstField();
    }
    break;
  }
  if (BATCHPROCESSING == 0) return Benign;
  SavePrimaryAgain();
  ShowFirstField();
  return Notify;
}

ResultLevel WindowManager::SaveOnInsertAction() {
  FileManager* file = PrimaryFile();
  if (file == nullptr) {
    // Nothing was saved: the record is still a new one.
    REQUEST = InsertRecord;
    return Notify;
  }
  if (BEFORESAVEREQUEST == InsertRecord) {
    if (file->Insert() == Benign) {
      REQUEST = ChangeRecord;
      SelectFirstField();
      SavePrimaryAgain();
      SetCancelButtonsDisabled(true);
      savedThisRun_ = true;
    } else {
      REQUEST = InsertRecord;
    }
    return Notify;
  }
  REQUEST = ChangeRecord;
  if (!PrimaryChanged()) return Notify;
  return SaveOnChangeAction();
}

ResultLevel WindowManager::SaveOnChangeAction() {
  if (PrimaryFile() != nullptr) {
    for (;;) {
      RESPONSE = RequestCancelled;
      bool written = false;
      ResultLevel r = WriteChange(&written);
      if (r == Benign) {
        SavePrimaryAgain();
        SetCancelButtonsDisabled(true);
        if (written) savedThisRun_ = true;
        break;
      }
      if (r == User) {
        Retry answer = RetryAnswer(Question(MsgRetryUpdate, kYesNoCancel, kButtonCancel));
        if (answer == Retry::kAgain) continue;
        if (answer == Retry::kLeave) break;
      }
      ShowFirstField();
      break;
    }
  }
  REQUEST = ChangeRecord;
  return Notify;
}

}  // namespace kv
