// Record operations of FileManager: adding (with automatic numbering), changing, deleting and
// reading.

#include <string>

#include "framework/data/FileManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/RuntimeError.h"
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

ResultLevel FileManager::DuplicateReport() {
  // The key is named in %Key and in %Message, so the user learns which value to change.
  // A duplicate that no declared key explains (a constraint the database alone knows) is
  // still reported, without a key name, rather than passed over in silence.
  const KeyDescription* key = FirstDuplicatedKey();
  if (key == nullptr) return ReportError(MsgDuplicateKey);
  NameKey(*key);
  return ReportErrorText(MsgDuplicateKey, KeyLabel(*key));
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
    for (const KeyDescription& key : KEYS) {
      if (key.AUTOINC == 0) continue;
      bool failed = false;
      ResultLevel r = NumberKey(key, report, &failed);
      if (failed) return r;
    }
    if (FILE->Add() == kNoError) {
      AUTOINCDONE = true;
      return Benign;
    }
    // Another station may have taken the number meanwhile: number again against the records
    // that exist now.
    if (++attempts < 3) continue;
    SetError(MsgAutoNumberFailed);
    if (LastErrorCode() == kDuplicateKeyError) {
      if (const KeyDescription* dup = FirstDuplicatedKey()) NameKey(*dup);
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

ResultLevel FileManager::NumberKey(const KeyDescription& key, bool report, bool* failed) {
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
  if (rc == kNoError && sameGroup) {
    if (DecimalValue::Add(numbered.FIELD.ToDecimal(), DecimalValue::FromInteger(1), &value) !=
        ValueStatus::kOk)
      value = DecimalValue::FromInteger(1);
  } else if (rc != kNoError && rc != kNoRecordError) {
    SetError(MsgRetrieveFailed);
    RestoreBuffer(saved, true);  // give the caller its record back
    *failed = true;
    return report ? ReportLastError() : Notify;
  }
  RestoreBuffer(saved, true);
  (void)numbered.FIELD.SetDecimal(value);
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
    (void)Reget(position);
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
  return FILE->Get(key) == kNoError ? Benign : Notify;
}

ResultLevel FileManager::Fetch(int key) {
  ResultLevel r = TryFetch(key);
  if (r != Benign && FILE != nullptr) FILE->Decl().Layout().Clear(FILE->Record());
  return r;
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
    if (rc == kNoError) return Benign;
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
