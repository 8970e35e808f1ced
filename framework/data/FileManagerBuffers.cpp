// Record images, file states, positions, priming and validation of FileManager.

#include <algorithm>
#include <cstring>

#include "framework/data/FileManager.h"

namespace kv {

std::size_t FileManager::RecordSize() const {
  if (BUFFER.address != nullptr) return BUFFER.size;
  return FILE != nullptr ? FILE->RecordSize() : 0;
}

int FileManager::FieldCount() const {
  if (BUFFER.fields != nullptr) return BUFFER.fields->Count();
  return FILE != nullptr ? FILE->Decl().Layout().FieldCount() : 0;
}

int FileManager::PrimaryKeyNumber() const {
  if (PRIMARYKEY == 0 || PRIMARYKEY > KEYS.size()) return 0;
  return KEYS[PRIMARYKEY - 1].KEY;
}

void FileManager::ClearRecordBuffer() {
  // A cleared record holds values, not NULLs: what is then put into it is written.
  if (FILE != nullptr) FILE->SetNullImage({});
  if (Record() == nullptr) return;
  if (BUFFER.fields != nullptr)
    BUFFER.fields->ClearRecord(Record());
  else if (FILE != nullptr && Record() == FILE->Record())
    FILE->Decl().Layout().Clear(Record());
  else
    std::memset(Record(), 0, RecordSize());
}

// ---- Record images ---------------------------------------------------------------------------

std::int32_t FileManager::SaveBuffer() {
  std::int32_t id = 1;
  for (const SavedBuffer& b : BUFFERS) id = std::max(id, b.ID + 1);
  auto* bytes = static_cast<const unsigned char*>(Record());
  SavedBuffer image{id, {}};
  if (bytes != nullptr) image.BUFFER.assign(bytes, bytes + RecordSize());
  BUFFERS.push_back(std::move(image));
  // The tables have no large-object fields, so the null flags follow at id + 1.
  SavedBuffer nulls{id + 1, {}};
  if (FILE != nullptr) {
    std::string flags = FILE->NullImage();
    nulls.BUFFER.assign(flags.begin(), flags.end());
  }
  BUFFERS.push_back(std::move(nulls));
  return id;
}

void FileManager::RestoreBuffer(std::int32_t& id, bool apply) {
  TakeImage(*this, id, apply);
}

void FileManager::TakeImage(FileManager& owner, std::int32_t& id, bool apply) {
  // Identifiers start at 1: there is never an image 0 to put back (and id + 1 would name the
  // record image of another save).
  if (id <= 0) {
    id = 0;
    return;
  }
  auto find = [&](std::int32_t wanted) {
    return std::find_if(owner.BUFFERS.begin(), owner.BUFFERS.end(),
                        [&](const SavedBuffer& b) { return b.ID == wanted; });
  };
  if (auto it = find(id); it != owner.BUFFERS.end()) {
    if (apply && Record() != nullptr)
      std::memcpy(Record(), it->BUFFER.data(), std::min(it->BUFFER.size(), RecordSize()));
    owner.BUFFERS.erase(it);
  }
  if (auto it = find(id + 1); it != owner.BUFFERS.end()) {
    if (apply && FILE != nullptr)
      FILE->SetNullImage(
          std::string_view(reinterpret_cast<const char*>(it->BUFFER.data()), it->BUFFER.size()));
    owner.BUFFERS.erase(it);
  }
  id = 0;
}

bool FileManager::EqualBuffer(std::int32_t id) {
  if (PrepareUse(UseRecord) != Benign || BLOBCHANGED) return false;
  auto it = std::find_if(BUFFERS.begin(), BUFFERS.end(),
                         [&](const SavedBuffer& b) { return b.ID == id; });
  if (it == BUFFERS.end() || Record() == nullptr || it->BUFFER.size() != RecordSize()) return false;
  return std::memcmp(Record(), it->BUFFER.data(), RecordSize()) == 0;
}

// ---- File states -----------------------------------------------------------------------------

std::uint16_t FileManager::SaveFile() {
  if (FILE == nullptr) return 0;
  SavedFileState state;
  state.ID = static_cast<std::uint16_t>(SAVED.empty() ? 1 : SAVED.back().ID + 1);
  if (state.ID == 0) return 0;  // 65535 states in use: refuse rather than reuse an identifier
  state.BUFFER = static_cast<std::uint16_t>(SaveBuffer());
  state.STATE = FILE->SaveState();
  state.POS = FILE->Position(PrimaryKeyNumber());
  state.AUTOINCDONE = AUTOINCDONE;
  SAVED.push_back(std::move(state));
  return SAVED.back().ID;
}

SavedFileState* FileManager::FindSaved(std::uint16_t id, FileManager** owner) {
  for (FileManager* m : {this, ALIASEDFILE}) {
    if (m == nullptr) continue;
    for (SavedFileState& s : m->SAVED) {
      if (s.ID == id) {
        *owner = m;
        return &s;
      }
    }
  }
  return nullptr;
}

void FileManager::RestoreFile(std::uint16_t& id, bool apply) {
  FileManager* owner = nullptr;
  SavedFileState* state = id == 0 ? nullptr : FindSaved(id, &owner);
  if (state == nullptr) {
    id = 0;
    return;
  }
  const SavedFileState saved = *state;
  if (apply && FILE != nullptr) {
    if (ALIASEDFILE != nullptr) {
      // The state is the alias's: find the same record through this file.
      const int key = PrimaryKeyNumber();
      if (FILE->ResetTo(key, saved.POS) == kNoError) (void)FILE->Next();
    } else {
      (void)FILE->RestoreState(saved.STATE);
    }
  }
  std::int32_t image = saved.BUFFER;
  TakeImage(*owner, image, apply);
  if (apply) AUTOINCDONE = saved.AUTOINCDONE;
  if (owner->FILE != nullptr) owner->FILE->FreeState(saved.STATE);
  std::erase_if(owner->SAVED, [&](const SavedFileState& s) { return s.ID == saved.ID; });
  id = 0;
}

// ---- Positions -------------------------------------------------------------------------------

std::string FileManager::GetPosition() {
  if (PrepareUse(UseRecord) != Benign) return {};
  return FILE->Position(PrimaryKeyNumber());
}

ResultLevel FileManager::Reget(std::string_view position) {
  if (PrepareUse(UseRecord) != Benign) return Notify;
  if (FILE->Reget(PrimaryKeyNumber(), position) != kNoError) return Notify;
  NoteInexactRead(true);
  return Benign;
}

// ---- Priming -------------------------------------------------------------------------------

ResultLevel FileManager::PrimeRecord(bool keepBuffer) {
  if (PrepareUse(UseRecord) != Benign) return Fatal;
  if (ALIASEDFILE != nullptr) return PrimeThroughAlias(keepBuffer);
  if (!keepBuffer) ClearRecordBuffer();
  PrimeFields();
  if (HASAUTOINC) {
    AUTOINCDONE = false;
    return AutoNumber();
  }
  return Benign;
}

ResultLevel FileManager::PrimeThroughAlias(bool keepBuffer) {
  FileManager& alias = *ALIASEDFILE;
  (void)alias.Open();
  std::uint16_t before = alias.SaveFile();
  if (keepBuffer && alias.Record() != nullptr && Record() != nullptr)
    std::memcpy(alias.Record(), Record(), std::min(RecordSize(), alias.RecordSize()));
  ResultLevel result = alias.PrimeRecord(keepBuffer);
  if (result == Benign) {
    std::uint16_t primed = alias.SaveFile();
    RestoreFile(primed, true);
  }
  alias.RestoreFile(before, true);
  (void)alias.Close();
  return result;
}

// ---- Validation ------------------------------------------------------------------------------

ResultLevel FileManager::CheckThroughAlias(int first, int last, int* failedField,
                                           bool wholeRecord) {
  FileManager& alias = *ALIASEDFILE;
  std::int32_t id = alias.SaveBuffer();
  if (alias.Record() != nullptr && Record() != nullptr)
    std::memcpy(alias.Record(), Record(), std::min(RecordSize(), alias.RecordSize()));
  ResultLevel r;
  if (wholeRecord)
    r = alias.ValidateRecord(failedField);
  else if (first == last && failedField == nullptr)
    r = alias.ValidateField(first);
  else
    r = alias.ValidateFields(first, last, failedField);
  alias.RestoreBuffer(id, true);
  return r;
}

ResultLevel FileManager::CheckField(int fieldNo, bool) {
  if (ALIASEDFILE != nullptr) return CheckThroughAlias(fieldNo, fieldNo, nullptr, false);
  return Benign;
}

ResultLevel FileManager::ValidateField(int fieldNo) {
  return CheckField(fieldNo, true);
}

ResultLevel FileManager::TryValidateField(int fieldNo) {
  return CheckField(fieldNo, false);
}

ResultLevel FileManager::ValidateFields(int first, int last, int* failedField) {
  if (ALIASEDFILE != nullptr) return CheckThroughAlias(first, last, failedField, false);
  for (int f = first; f <= last; ++f) {
    ResultLevel r = ValidateField(f);
    if (r != Benign) {
      if (failedField != nullptr) *failedField = f;
      return r;
    }
  }
  return Benign;
}

ResultLevel FileManager::ValidateRecord(int* failedField) {
  if (ALIASEDFILE != nullptr) return CheckThroughAlias(0, 0, failedField, true);
  return ValidateFields(1, FieldCount(), failedField);
}

}  // namespace kv
