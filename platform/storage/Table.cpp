#include "platform/storage/Table.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/storage/LastError.h"
#include "platform/storage/Transaction.h"

namespace kv {

Table::Table(const TableDecl& decl)
    : decl_(decl),
      record_(decl.Layout().RecordSize()),
      lastRead_(decl.Layout().RecordSize()),
      nulls_(decl.Layout().FieldCount(), false),
      nullValues_(decl.Layout().FieldCount()) {
  decl_.Layout().Clear(record_.data());
  std::memcpy(lastRead_.data(), record_.data(), record_.size());
}

Table::~Table() {
  ForgetTable(this);
}

bool Table::Before(int op, const void* oldRecord) {
  if (callbacks_.empty()) return true;
  OperationInfo info{op, record_.data(), record_.size(), oldRecord, throughView_, 0};
  std::vector<FileCallback*> copy = callbacks_;  // a callback may remove itself
  for (FileCallback* cb : copy)
    if (!cb->BeforeOperation(info)) return false;
  return true;
}

ErrorCode Table::Finish(int op, StorageError error, const void* oldRecord) {
  if (!callbacks_.empty()) {
    OperationInfo info{op, record_.data(), record_.size(), oldRecord, throughView_, 0};
    std::vector<FileCallback*> copy = callbacks_;
    for (FileCallback* cb : copy) (void)cb->AfterOperation(info);
  }
  return ReportStorageError(std::move(error));
}

static StorageError Refused() {
  return StorageError::Of(kDriverError, "", "the operation was refused by a callback");
}

StorageError Table::CheckKey(int key, bool zeroAllowed) const {
  if ((key == 0 && zeroAllowed) || (key >= 1 && key <= int(decl_.Keys().size()))) return {};
  return StorageError::Of(kDriverError, "", "the table has no key " + std::to_string(key));
}

StorageError Table::CheckWritable() const {
  if (!open_) return StorageError::Of(kNotOpenError);
  if ((mode_ & 0x0F) == kOpenReadOnly)
    return StorageError::Of(kAccessDenied, "", "the table was opened read-only");
  return {};
}

ErrorCode Table::Open(int mode) {
  CriticalGuard guard(lock_);
  if (open_) return ReportStorageError(StorageError::Of(kAlreadyOpenError));
  if (!Before(kOpOpen)) return Finish(kOpOpen, Refused());
  StorageError e = DoOpen(mode);
  if (e.ok()) {
    open_ = true;
    mode_ = mode;
  }
  return Finish(kOpOpen, std::move(e));
}

ErrorCode Table::Create() {
  CriticalGuard guard(lock_);
  if (!Before(kOpCreate)) return Finish(kOpCreate, Refused());
  return Finish(kOpCreate, DoCreate());
}

ErrorCode Table::Close() {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (!Before(kOpClose)) return Finish(kOpClose, Refused());
  StorageError e = DoClose();
  open_ = false;
  return Finish(kOpClose, std::move(e));
}

ErrorCode Table::BuildKeys() {
  CriticalGuard guard(lock_);
  if (!Before(kOpBuildKeys)) return Finish(kOpBuildKeys, Refused());
  return Finish(kOpBuildKeys, DoBuildKeys());
}

ErrorCode Table::Send(std::string_view command) {
  CriticalGuard guard(lock_);
  size_t eq = command.find('=');
  std::string name(command.substr(0, eq));
  for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
  std::string value = eq == std::string_view::npos ? "" : std::string(command.substr(eq + 1));
  for (char& c : value) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (name == "RECOVER" && eq != std::string_view::npos) {
    int seconds = 0;
    for (char c : value) {
      if (c < '0' || c > '9')
        return ReportStorageError(StorageError::Of(kDriverError, "", "not a number of seconds"));
      seconds = std::min(3600, seconds * 10 + (c - '0'));
    }
    recover_ = seconds;
    return ReportSuccess();
  }
  if (name == "QUICKSCAN" && (value == "on" || value == "off")) return ReportSuccess();
  return ReportStorageError(StorageError::Of(kNotSupportedError, "", "unknown command"));
}

std::string Table::Property(int number) const {
  CriticalGuard guard(lock_);
  switch (number) {
    case kPropLabel:
      return decl_.Label();
    case kPropThreaded:
      return decl_.Threaded() ? "1" : "0";
    case kPropFields:
      return std::to_string(decl_.Layout().FieldCount());
    case kPropKeys:
      return std::to_string(decl_.Keys().size());
    case kPropPrefetch:
      return std::to_string(prefetch_);
    case kPropEnrolled:
      return IsEnrolled(this) ? "1" : "0";
    case kPropName:
      return decl_.ExternalName();
    case kPropDriver:
      return decl_.Driver();
    case kPropSqlDriver:
      return ViewShape() != nullptr ? "1" : "0";
    default: {
      auto it = driverProps_.find(number);
      return it == driverProps_.end() ? std::string() : it->second;
    }
  }
}

ErrorCode Table::SetProperty(int number, std::string_view value) {
  CriticalGuard guard(lock_);
  if (number == kPropPrefetch) {
    int n = 0;
    for (char c : value) {
      if (c < '0' || c > '9' || n > 100000)
        return ReportStorageError(StorageError::Of(kDriverError, "", "not a count"));
      n = n * 10 + (c - '0');
    }
    prefetch_ = n;
    return ReportSuccess();
  }
  if (number == kPropEnrolled) {
    if (!SupportsTransactions()) return ReportStorageError(StorageError::Of(kNotSupportedError));
    if (value == "0")
      ForgetTable(this);
    else
      EnrolTable(this);
    return ReportSuccess();
  }
  if (number >= kPropDriverFirst && number <= kPropDriverLast) {
    driverProps_[number] = std::string(value);
    return ReportSuccess();
  }
  return ReportStorageError(StorageError::Of(kNotSupportedError));
}

ErrorCode Table::SetKey(int key) {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (StorageError e = CheckKey(key, true); !e.ok()) return ReportStorageError(std::move(e));
  return ReportStorageError(DoSetKey(key));
}

ErrorCode Table::SetKeyValues(int key) {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (StorageError e = CheckKey(key, true); !e.ok()) return ReportStorageError(std::move(e));
  return ReportStorageError(DoSetKeyValues(key));
}

ErrorCode Table::ResetTo(int key, std::string_view position) {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (StorageError e = CheckKey(key, true); !e.ok()) return ReportStorageError(std::move(e));
  return ReportStorageError(DoResetTo(key, position));
}

ErrorCode Table::Next() {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (!Before(kOpNext)) return Finish(kOpNext, Refused());
  return Finish(kOpNext, DoRead(true));
}

ErrorCode Table::Previous() {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (!Before(kOpPrevious)) return Finish(kOpPrevious, Refused());
  return Finish(kOpPrevious, DoRead(false));
}

ErrorCode Table::Get(int key) {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (StorageError e = CheckKey(key, false); !e.ok()) return ReportStorageError(std::move(e));
  if (!Before(kOpGet)) return Finish(kOpGet, Refused());
  return Finish(kOpGet, DoGet(key));
}

ErrorCode Table::Reget(int key, std::string_view position) {
  CriticalGuard guard(lock_);
  if (!open_) return ReportStorageError(StorageError::Of(kNotOpenError));
  if (StorageError e = CheckKey(key, true); !e.ok()) return ReportStorageError(std::move(e));
  if (!Before(kOpReget)) return Finish(kOpReget, Refused());
  return Finish(kOpReget, DoReget(key, position));
}

std::string Table::Position(int key) const {
  CriticalGuard guard(lock_);
  if (!open_ || !CheckKey(key, true).ok()) return {};
  return DoPosition(key);
}

ErrorCode Table::Add() {
  CriticalGuard guard(lock_);
  if (StorageError e = CheckWritable(); !e.ok()) return ReportStorageError(std::move(e));
  duplicateIndex_.clear();
  if (!Before(kOpAdd)) return Finish(kOpAdd, Refused());
  return Finish(kOpAdd, DoAdd());
}

ErrorCode Table::Put() {
  CriticalGuard guard(lock_);
  if (StorageError e = CheckWritable(); !e.ok()) return ReportStorageError(std::move(e));
  duplicateIndex_.clear();
  std::vector<unsigned char> old = lastRead_;
  if (!Before(kOpPut, old.data())) return Finish(kOpPut, Refused(), old.data());
  return Finish(kOpPut, DoPut(true), old.data());
}

ErrorCode Table::Delete() {
  CriticalGuard guard(lock_);
  if (StorageError e = CheckWritable(); !e.ok()) return ReportStorageError(std::move(e));
  if (!Before(kOpDelete)) return Finish(kOpDelete, Refused());
  return Finish(kOpDelete, DoDelete(true));
}

bool Table::Duplicates(int key) {
  CriticalGuard guard(lock_);
  if (!open_ || !CheckKey(key, false).ok()) return false;
  return DoDuplicates(key);
}

std::string Table::DuplicateIndex() const {
  CriticalGuard guard(lock_);
  return duplicateIndex_;
}

std::vector<int> Table::InexactFields() const {
  CriticalGuard guard(lock_);
  return inexact_;
}

int Table::TakeRecover() {
  int seconds = recover_;
  recover_ = 0;
  return seconds;
}

int Table::SaveState() {
  CriticalGuard guard(lock_);
  int id = nextState_++;
  states_[id] = SavedState{record_, NullImage(), inexact_, SaveCursor()};
  return id;
}

ErrorCode Table::RestoreState(int handle) {
  CriticalGuard guard(lock_);
  auto it = states_.find(handle);
  if (it == states_.end())
    return ReportStorageError(
        StorageError::Of(kDriverError, "", "no saved state " + std::to_string(handle)));
  record_ = it->second.record;
  SetNullImage(it->second.nulls);
  inexact_ = it->second.inexact;
  RestoreCursor(it->second.cursor);
  return ReportSuccess();
}

void Table::FreeState(int handle) {
  CriticalGuard guard(lock_);
  states_.erase(handle);
}

bool Table::IsNull(int field) const {
  CriticalGuard guard(lock_);
  return FieldIsNull(field);
}

bool Table::FieldIsNull(int field) const {
  // There is no hook on assignments to the record: a field that no longer holds the value it
  // had when its flag was set has been given a value.
  return field >= 0 && field < int(nulls_.size()) && nulls_[field] &&
         decl_.Layout().Get(record_.data(), field) == nullValues_[field];
}

void Table::SetNull(int field) {
  SetNullFlag(field, true);
}
void Table::SetNonNull(int field) {
  SetNullFlag(field, false);
}

void Table::SetNullFlag(int field, bool isNull) {
  CriticalGuard guard(lock_);
  if (field < 0 || field >= int(nulls_.size())) return;
  nulls_[field] = isNull;
  nullValues_[field] = isNull ? decl_.Layout().Get(record_.data(), field) : SqlValue{};
}

std::string Table::NullImage() const {
  CriticalGuard guard(lock_);
  std::string image;
  for (int f = 0; f < int(nulls_.size()); ++f) image += FieldIsNull(f) ? '1' : '0';
  return image;
}

void Table::SetNullImage(std::string_view image) {
  CriticalGuard guard(lock_);
  for (size_t i = 0; i < nulls_.size(); ++i)
    SetNullFlag(int(i), i < image.size() && image[i] == '1');
}

void Table::AddCallback(FileCallback* cb) {
  CriticalGuard guard(lock_);
  for (FileCallback* c : callbacks_)
    if (c == cb) return;
  callbacks_.push_back(cb);
}

void Table::RemoveCallback(FileCallback* cb) {
  CriticalGuard guard(lock_);
  std::erase(callbacks_, cb);
}

void Table::NoteRecordRead() {
  lastRead_ = record_;
}

void Table::EndOfUse() {
  CriticalGuard guard(lock_);
  if (ended_) return;
  ended_ = true;
  OperationInfo info{kOpEndOfUse, record_.data(), record_.size(), nullptr, false, 0};
  std::vector<FileCallback*> copy = callbacks_;
  for (FileCallback* cb : copy) (void)cb->BeforeOperation(info);
  if (open_) {
    (void)DoClose();
    open_ = false;
  }
}

}  // namespace kv
