// Record operations of FileManager: adding (with automatic numbering), changing, deleting and
// reading.

#include <string>

#include "framework/data/FileManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/RuntimeError.h"
#include "platform/storage/RecordLayout.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

FileManager::RelationDelete gRelationDelete = nullptr;  // set once at start-up

// The values of the key's components before the numbered one, each followed by "|": the group
// a record belongs to when one component of a longer key is numbered.
std::string GroupPrefix(const KeyDescription& key) {
  std::string prefix;
  for (int c = 1; c < key.AUTOINC && c <= static_cast<int>(key.FIELDS.size()); ++c) {
    const VarRef& field = key.FIELDS[c - 1].FIELD;
    prefix += key.NOCASE ? UpperText(field.ToClippedText()) : field.ToClippedText();
    prefix += '|';
  }
  return prefix;
}

}  // namespace

void FileManager::SetRelationDelete(RelationDelete handler) {
  gRelationDelete = handler;
}

// ---- Adding --------------------------------------------------------------------------------

ResultLevel FileManager::Insert() {
  return DoInsert(true);
}

ResultLevel FileManager::TryInsert() {
  return DoInsert(false);
}

ResultLevel FileManager::DoInsert(bool report) {
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  if (ValidateRecord() != Benign) return Notify;
  SetPrefetch(0);
  ErrorCode rc = kNoError;
  if (HASAUTOINC) {
    if (AUTOINCDONE) {
      rc = FILE->Put();  // AutoNumber already added it: write the completed record back
    } else if ((report ? AutoNumber() : TryAutoNumber()) != Benign) {
      return Notify;
    }
  } else {
    rc = FILE->Add();
  }
  if (rc == kNoError) {
    AUTOINCDONE = false;
    return Benign;
  }
  if (rc == kDuplicateKeyError) {
    if (!report) {
      // A later report of LASTERROR names the key, never the key of an older message.
      NameDuplicate(DuplicatedKeyName());
      SetError(MsgDuplicateKey);
      return Notify;
    }
    (void)DuplicateReport();
    return Notify;
  }
  SetError(MsgInsertFailed);
  return report ? ReportLastError() : Notify;
}

const KeyDescription* FileManager::FirstDuplicatedKey() {
  // The table compares the buffer with every record but the current one, which after a failed
  // add is a record read earlier, not the one being added: make no record current first. The
  // thread's last error (the duplicate) is kept for the message.
  const RuntimeError failure = LastError();
  (void)FILE->Reget(0, {});
  SetLastError(failure.code, failure.text, failure.driverCode, failure.driverText);
  for (const KeyDescription& key : KEYS)
    if (FILE->Duplicates(key.KEY)) return &key;
  return nullptr;
}

std::string FileManager::KeyLabel(const KeyDescription& key) const {
  std::string_view description = ClipRight(key.PDESCRIPTION);
  if (!description.empty()) return std::string(description);
  const auto& keys = FILE->Decl().Keys();
  return key.KEY >= 1 && key.KEY <= static_cast<int>(keys.size()) ? keys[key.KEY - 1].label
                                                                  : std::string();
}

void FileManager::NameKey(const KeyDescription& key) {
  if (ERRORS != nullptr) ERRORS->SetKeyName(KeyLabel(key));
}

void FileManager::NameDuplicate(const std::string& name) {
  if (ERRORS == nullptr) return;
  ERRORS->SetKeyName(name);
  ERRORS->SetMessageText(name);
}

std::string FileManager::DuplicatedKeyName() {
  if (const KeyDescription* key = FirstDuplicatedKey()) return KeyLabel(*key);
  // A unique index that the manager does not declare (one the database alone knows): its name
  // as the database gave it, else the database's own words.
  std::string index = FILE->DuplicateIndex();
  return index.empty() ? LastDriverErrorText() : index;
}

ResultLevel FileManager::DuplicateReport() {
  // The key is named in %Key and in %Message, so the user learns which value to change.
  const std::string name = DuplicatedKeyName();
  if (ERRORS != nullptr) ERRORS->SetKeyName(name);
  return ReportErrorText(MsgDuplicateKey, name);
}

// ---- Automatic numbering ---------------------------------------------------------------------

ResultLevel FileManager::AutoNumber() {
  return DoAutoNumber(true);
}

ResultLevel FileManager::TryAutoNumber() {
  return DoAutoNumber(false);
}

ResultLevel FileManager::DoAutoNumber(bool report) {
  if (!HASAUTOINC || AUTOINCDONE) return Benign;
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  int attempts = 0;
  for (;;) {
    SetPrefetch(0);
    bool pastLargest = false;
    for (const KeyDescription& key : KEYS) {
      if (key.AUTOINC == 0) continue;
      bool failed = false;
      ResultLevel r = NumberKey(key, report, &failed, &pastLargest);
      if (failed) return r;
      if (pastLargest) break;
    }
    if (!pastLargest) {
      if (FILE->Add() == kNoError) {
        AUTOINCDONE = true;
        return Benign;
      }
      // Another station may have taken the number meanwhile: number again against the records
      // that exist now.
      if (++attempts < 3) continue;
    }
    // A number past the largest value of its field is never wrapped or cut: the record is
    // refused at once (NumberKey named the key and said why).
    SetError(MsgAutoNumberFailed);
    if (!pastLargest && LastErrorCode() == kDuplicateKeyError) {
      NameDuplicate(DuplicatedKeyName());
      SetError(MsgAutoNumberFailed);
    }
    if (!report) return Notify;
    if (ReportLastError() != Benign) return Notify;
    // A silent error manager answers every question with its default (Yes): with nobody to
    // ask, trying again would never end.
    if (ERRORS != nullptr && ERRORS->GetSilent()) return Notify;
    attempts = 0;  // the user asked to try again
  }
}

ResultLevel FileManager::NumberKey(const KeyDescription& key, bool report, bool* failed,
                                   bool* pastLargest) {
  NameKey(key);
  const int n = key.AUTOINC;
  if (n < 1 || n > static_cast<int>(key.FIELDS.size())) return Benign;
  const KeyComponentDescription& numbered = key.FIELDS[n - 1];
  std::int32_t saved = SaveBuffer();
  ErrorCode rc;
  bool sameGroup = true;
  if (key.FIELDS.size() == 1) {
    rc = FILE->SetKey(key.KEY);
    if (rc == kNoError) rc = numbered.ASCEND ? FILE->Previous() : FILE->Next();
  } else {
    const std::string prefix = GroupPrefix(key);
    SetExtreme(numbered.FIELD, true);
    rc = FILE->SetKeyValues(key.KEY);
    if (rc == kNoError) rc = numbered.ASCEND ? FILE->Previous() : FILE->Next();
    if (rc == kNoError) sameGroup = GroupPrefix(key) == prefix;
  }
  DecimalValue value = DecimalValue::FromInteger(1);
  ValueStatus fits = ValueStatus::kOk;
  if (rc == kNoError && sameGroup) {
    fits = DecimalValue::Add(numbered.FIELD.ToDecimal(), DecimalValue::FromInteger(1), &value);
  } else if (rc != kNoError && rc != kNoRecordError) {
    SetError(MsgRetrieveFailed);
    RestoreBuffer(saved, true);  // give the caller its record back
    *failed = true;
    return report ? ReportLastError() : Notify;
  }
  RestoreBuffer(saved, true);
  if (fits == ValueStatus::kOk) fits = numbered.FIELD.SetDecimal(value);
  if (fits != ValueStatus::kOk) {
    // The field keeps its value: the caller refuses the record rather than add it with it.
    SetLastError(kDriverError, ErrorCodeText(kDriverError), numbered.FIELDNAME,
                 "the next number, " + value.ToText() + ", is past the largest value of the field");
    *pastLargest = true;
  }
  return Benign;
}

ResultLevel FileManager::CancelAutoNumber(RelationManager* relations) {
  if (!HASAUTOINC || !AUTOINCDONE) return Benign;
  ResultLevel r = relations != nullptr && gRelationDelete != nullptr ? gRelationDelete(*relations)
                                                                     : EraseRecord(false);
  if (r == Benign) AUTOINCDONE = false;
  return r;
}

// ---- Changing and deleting -------------------------------------------------------------------

ResultLevel FileManager::Update() {
  return DoUpdate(true);
}

ResultLevel FileManager::TryUpdate() {
  return DoUpdate(false);
}

ResultLevel FileManager::DoUpdate(bool report) {
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  if (ValidateRecord() != Benign) return User;
  const std::string position = GetPosition();
  const ErrorCode rc = FILE->Put();
  if (rc == kNoError) return Benign;
  if (rc == kChangedError) {
    SetError(MsgChangedElsewhere);
    if (report) (void)ReportLastError();
    // Show the other station's version: the user sees what is stored now.
    FILE->Watch();
    if (FILE->Reget(PrimaryKeyNumber(), position) == kNoError && report) NoteInexactRead(true);
    SetError(MsgChangedElsewhere);  // what the caller reports is the change, not the re-read
    return Notify;
  }
  SetError(MsgUpdateFailed);
  return report ? ReportLastError() : Notify;
}

ResultLevel FileManager::EraseRecord(bool ask) {
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  if (ask && ReportError(MsgConfirmDelete) != Benign) return Cancel;
  if (FILE->Delete() != kNoError) {
    SetError(MsgDeleteFailed);
    return Notify;
  }
  return Benign;
}

// ---- Reading -------------------------------------------------------------------------------

ResultLevel FileManager::TryFetch(int key) {
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  if (FILE->Get(key) != kNoError) return Notify;
  NoteInexactRead(false);
  return Benign;
}

ResultLevel FileManager::Fetch(int key) {
  ResultLevel r = TryFetch(key);
  if (r != Benign && FILE != nullptr) ClearRecordBuffer();
  if (r == Benign) NoteInexactRead(true);
  return r;
}

void FileManager::NoteInexactRead(bool report) {
  const std::vector<int> fields = FILE->InexactFields();
  if (fields.empty()) return;
  // The read stands: the buffer holds what the fields can, and an update leaves the stored
  // values alone unless the user changes them. The user is told which fields those are.
  const RecordLayout& layout = FILE->Decl().Layout();
  std::string labels;
  for (int f : fields) labels += (labels.empty() ? "" : ", ") + layout.Column(f).label;
  SetLastError(kDriverError, ErrorCodeText(kDriverError), labels,
               "a stored value cannot be held exactly by the record; it is kept as stored "
               "unless it is changed");
  if (ERRORS != nullptr) ERRORS->SetFieldName(layout.Column(fields.front()).label);
  SetError(MsgRetrieveFailed);
  if (report) (void)ReportLastError();
}

ResultLevel FileManager::Next() {
  return DoRead(true, true);
}
ResultLevel FileManager::TryNext() {
  return DoRead(true, false);
}
ResultLevel FileManager::Previous() {
  return DoRead(false, true);
}
ResultLevel FileManager::TryPrevious() {
  return DoRead(false, false);
}

ResultLevel FileManager::DoRead(bool forward, bool report) {
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  for (;;) {
    ATEOF = false;
    if (USEMRP && FILE->Property(kPropPrefetch) == "0") SetPrefetch(MRPSIZE);
    const ErrorCode rc = forward ? FILE->Next() : FILE->Previous();
    if (rc == kNoError) {
      NoteInexactRead(report);
      return Benign;
    }
    if (rc == kNoRecordError) {
      ATEOF = true;
      return Notify;
    }
    if (rc == kRecordHeldError) {
      if (SKIPHELDRECORDS) continue;
      SetError(MsgRecordHeld);
      return report ? ReportLastError() : Notify;
    }
    SetError(MsgRetrieveFailed);
    return report ? ReportLastError() : Fatal;
  }
}

}  // namespace kv
