#include "framework/data/FileManager.h"

#include <string>

#include "framework/data/FileOpener.h"
#include "framework/errors/ErrorManager.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/values/Utf8Text.h"

namespace kv {

RecordBuffer RecordBuffer::Of(Table& table) {
  RecordBuffer b;
  b.address = table.Record();
  b.size = table.RecordSize();
  if (auto* layout = dynamic_cast<const FieldTableLayout*>(&table.Decl().Layout()))
    b.fields = &layout->Fields();
  return b;
}

FileManager::FileManager() = default;

FileManager::~FileManager() {
  FileManager::Kill();
  // A manager that was registered but never initialised has nothing to release, yet its
  // registry row must not outlive it.
  if (registry_ != nullptr) registry_->ForgetFileManager(this);
}

// ---- Life ----------------------------------------------------------------------------------

void FileManager::Init() {
  OPENED = 0;
  LAZYOPEN = true;
  KILLED = false;
  USEMRP = false;
  MRPSIZE = 10;
  registry_ = &ManagerRegistry::ThisThread();
  label_ = FILE != nullptr ? FILE->InstanceId() : 0;
  registry_->AddFileManager(label_, this, ERRORS);
}

void FileManager::InitFile(Table* file, ErrorManager* errors) {
  ERRORS = errors;
  FILE = file;
  if (OPENER) {  // a second InitFile without a release: give the old opener back first
    OPENER->Release();
    OPENER.reset();
  }
  if (FILE != nullptr) OPENER = ChooseOpener(*FILE);
  // Saved images and states taken before the first use stay valid: the lists are only made
  // empty where nothing was saved yet.
  KEYS.clear();
  FIELDS.clear();
  SKIPHELDRECORDS = false;
  if (!OPENMODEOVERRIDDEN) OPENMODE = 0x42;
  CREATE = true;
  LOCKRECOVER = 10;
  PRIMARYKEY = 0;
  HASAUTOINC = false;
  if (FILE != nullptr) FILENAMEVALUE = FILE->Property(kPropLabel);
  CLEANEDUP = false;
  INITIALIZED = true;
  KILLED = false;
  USEMRP = false;
  MRPSIZE = 20;
  if (FILE != nullptr) FILE->AddCallback(this);
}

void FileManager::Kill() {
  if (!INITIALIZED || KILLED) return;
  ReleaseResources();
  if (FILE != nullptr) FILE->RemoveCallback(this);
  KILLED = true;
  INITIALIZED = false;
}

void FileManager::Destroy() {
  if (!KILLED) Kill();
  FILENAME = VarRef();
}

void FileManager::ReleaseResources() {
  if (CLEANEDUP) return;
  CLEANEDUP = true;
  while (OPENED > 0) (void)Close();
  if (registry_ != nullptr) registry_->RemoveFileManager(label_, this);
  KEYS.clear();
  PREVIOUSBUFFER.reset();
  BUFFERS.clear();
  if (FILE != nullptr)
    for (const SavedFileState& s : SAVED) FILE->FreeState(s.STATE);
  SAVED.clear();
  FIELDS.clear();
  if (OPENER) {
    OPENER->Release();
    OPENER.reset();
  }
  FILENAME = VarRef();
  OPENMODEOVERRIDDEN = false;
}

// ---- Use and opening -------------------------------------------------------------------------

ResultLevel FileManager::PrepareUse(UseKind kind) {
  INUSEFILE = true;
  ResultLevel result = Benign;
  if (kind == Initialize) {
    if (LAZYOPEN && OPENED < 1) {
      if (USED) {
        (void)OpenStep(true, false);
      } else {
        // The raised count keeps the physical open's own PrepareUse(Initialize) from coming
        // back here.
        ++OPENED;
        (void)OpenStep(true, true);
        --OPENED;
      }
    }
  } else {
    if (kind != UseProcedureUnrecorded && FILE != nullptr)
      ManagerRegistry::ThisThread().NoteUse(*this, kind);
    if (LAZYOPEN && !USED) {
      if (OPENED < 1) {
        INUSEFILE = false;
        return ReportError(MsgFileNotOpen);
      }
      std::int32_t id = SaveBuffer();
      result = PhysicalOpen(true);
      RestoreBuffer(id, true);
    }
  }
  INUSEFILE = false;
  return result;
}

ResultLevel FileManager::Open() {
  return OpenStep(true, false);
}

ResultLevel FileManager::TryOpen() {
  return OpenStep(false, false);
}

ResultLevel FileManager::OpenStep(bool report, bool force) {
  if (FILE != nullptr) ManagerRegistry::ThisThread().NoteOpen(*this);
  BindFields();
  if (force || (!LAZYOPEN && OPENED == 0)) {
    ResultLevel r = PhysicalOpen(report);
    if (r != Benign) return r;
  }
  ++OPENED;
  return Benign;
}

ResultLevel FileManager::PhysicalOpen(bool report) {
  if (PrepareUse(Initialize) != Benign || FILE == nullptr || !OPENER)
    return OpenFailed(report, false);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    ErrorCode rc = OPENER->OpenFile(OPENMODE);
    if (rc == kAccessDenied || rc == kRecordHeldError) {
      // Give a lock held elsewhere time to clear before deciding that access is denied.
      (void)FILE->Send("Recover=" + std::to_string(LOCKRECOVER));
      rc = OPENER->OpenFile(OPENMODE);
    }
    switch (rc) {
      case kNoError:
        USED = true;
        ATEOF = false;
        AUTOINCDONE = false;
        return Benign;
      case kAccessDenied:
        if ((OPENMODE & 0x03) == 0) return OpenFailed(report, false);
        OPENMODE &= 0xF0;  // keep the sharing bits, ask for read access only
        if (report)
          (void)ReportError(MsgReadOnlyAccess);
        else
          SetError(MsgReadOnlyAccess);
        continue;
      case kRecordHeldError:
        // Another station still holds the table: the user may try again later, so this is
        // not the open failure that ends the program.
        SetError(MsgRecordHeld);
        return OpenFailed(report, true);
      case kNoFileError: {
        if (!CREATE) return OpenFailed(report, false);
        const ErrorCode created = FILE->Create();
        if (created == kNoError) continue;
        SetError(created == kRecordHeldError ? MsgRecordHeld : MsgCreateFailed);
        return OpenFailed(report, true);
      }
      case kRebuildKeysError:
        SetError(MsgInvalidKey);
        if (!report) return Notify;
        (void)ReportLastError();
        if (FILE->BuildKeys() == kNoError) continue;
        return ReportError(MsgKeyNotBuilt);
      default:
        return OpenFailed(report, false);
    }
  }
  return OpenFailed(report, false);
}

ResultLevel FileManager::OpenFailed(bool report, bool errorAlreadySet) {
  if (!errorAlreadySet) SetError(MsgOpenFailed);
  return report ? ReportLastError() : Notify;
}

ResultLevel FileManager::Close() {
  ++INCLOSE;
  if (FILE != nullptr) ManagerRegistry::ThisThread().NoteClose(*this);
  if (USEMRP) {
    USEMRP = false;
    SetPrefetch(0);
  }
  if (OPENED != 0) {
    --OPENED;
    if (OPENED == 0) {
      if (INITIALIZED && OPENER) (void)OPENER->CloseFile();
      USED = false;
    }
  }
  --INCLOSE;
  return Benign;
}

// ---- Errors --------------------------------------------------------------------------------

void FileManager::SetError(MessageId id) {
  if (ERRORS != nullptr) ERRORS->CaptureRuntimeError();
  LASTERROR = id;
}

ResultLevel FileManager::ReportLastError() {
  if (ERRORS == nullptr) return Notify;
  ERRORS->SetFileName(GetName());
  return ERRORS->HandleMessage(static_cast<MessageId>(LASTERROR));
}

ResultLevel FileManager::ReportError(MessageId id) {
  SetError(id);
  return ReportLastError();
}

ResultLevel FileManager::ReportErrorText(MessageId id, std::string_view text) {
  if (ERRORS == nullptr) return Notify;
  ERRORS->SetFileName(GetName());
  return ERRORS->RaiseWithText(id, ClipRight(text));
}

std::string FileManager::GetName() const {
  if (!FILENAME.IsNull()) return FILENAME.ToClippedText();
  return std::string(ClipRight(FILENAMEVALUE));
}

// ---- Prefetch --------------------------------------------------------------------------------

void FileManager::SetPrefetch(int rows) {
  if (FILE != nullptr) (void)FILE->SetProperty(kPropPrefetch, std::to_string(rows));
}

void FileManager::SetUseMrp(bool flag) {
  USEMRP = flag;
}
bool FileManager::GetUseMrp() {
  return USEMRP;
}
void FileManager::SetMrpSize(std::uint8_t n) {
  MRPSIZE = n;
}
std::uint8_t FileManager::GetMrpSize() {
  return MRPSIZE;
}
bool FileManager::GetAutoIncDone() {
  return AUTOINCDONE;
}
bool FileManager::SkipInCascade() {
  return false;
}
void FileManager::BindFields() {}
void FileManager::PrimeFields() {}

}  // namespace kv
