#include "framework/data/ManagerRegistry.h"

#include <algorithm>
#include <tuple>

#include "framework/data/FileManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/thread/LogicalThread.h"

namespace kv {

ManagerRegistry& ManagerRegistry::ThisThread() {
  thread_local ManagerRegistry registry;
  return registry;
}

void ManagerRegistry::AddFileManager(FileLabel label, FileManager* manager, ErrorManager* errors) {
  if (errors != nullptr) ERRS = errors;
  files_.push_back({label, manager});
}

void ManagerRegistry::RemoveFileManager(FileLabel label, FileManager* manager) {
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
    if (it->FILELABEL == label && it->FILEMANAGER == manager) {
      files_.erase(std::next(it).base());
      return;
    }
  }
}

void ManagerRegistry::ForgetFileManager(FileManager* manager) {
  std::erase_if(files_, [&](const FileMapping& m) { return m.FILEMANAGER == manager; });
}

FileManager* ManagerRegistry::GetFileManager(FileLabel label) const {
  for (auto it = files_.rbegin(); it != files_.rend(); ++it)
    if (it->FILELABEL == label) return it->FILEMANAGER;
  return nullptr;
}

void ManagerRegistry::AddRelationManager(FileLabel label, RelationManager* manager) {
  relations_.push_back({label, manager});
}

void ManagerRegistry::RemoveRelationManager(FileLabel label, RelationManager* manager) {
  for (auto it = relations_.rbegin(); it != relations_.rend(); ++it) {
    if (it->FILELABEL == label && it->RELATIONMANAGER == manager) {
      relations_.erase(std::next(it).base());
      return;
    }
  }
}

RelationManager* ManagerRegistry::GetRelationManager(FileLabel label) const {
  for (auto it = relations_.rbegin(); it != relations_.rend(); ++it)
    if (it->FILELABEL == label) return it->RELATIONMANAGER;
  return nullptr;
}

std::string ManagerRegistry::ProcedureName(const FileManager& manager) {
  ErrorManager* errors = manager.ERRORS;
  return errors != nullptr ? errors->CurrentProcedureName() : std::string();
}

int ManagerRegistry::FindScope(FileLabel label) const {
  // The scopes of one file form a run sorted on SCOPELEVEL that starts at level 1; a file
  // whose first scope has ended has no current scope.
  const std::int32_t thread = CurrentThread();
  auto key = [](const Scope& s) { return std::tie(s.THREAD, s.ID, s.SCOPELEVEL); };
  auto first = std::lower_bound(statusq_.begin(), statusq_.end(),
                                std::make_tuple(thread, label, std::uint16_t{1}),
                                [&](const Scope& s, const auto& k) { return key(s) < k; });
  if (first == statusq_.end() || first->THREAD != thread || first->ID != label ||
      first->SCOPELEVEL != 1)
    return -1;
  auto last = first;
  while (std::next(last) != statusq_.end() && std::next(last)->THREAD == thread &&
         std::next(last)->ID == label)
    ++last;
  return static_cast<int>(last - statusq_.begin());
}

const ManagerRegistry::Scope* ManagerRegistry::CurrentScope(FileLabel label) const {
  int i = FindScope(label);
  return i < 0 ? nullptr : &statusq_[i];
}

void ManagerRegistry::NoteUse(FileManager& manager, UseKind kind) {
  const FileLabel label = manager.FILE != nullptr ? manager.FILE->InstanceId() : 0;
  const std::string proc = ProcedureName(manager);
  int i = FindScope(label);
  Scope row;
  row.THREAD = CurrentThread();
  row.PROC = proc;
  row.ID = label;
  row.USTAT = kind;
  if (i >= 0) {
    Scope& found = statusq_[i];
    if (found.PROC == proc) {
      if (kind > found.USTAT) found.USTAT = kind;
      return;
    }
    row.SCOPELEVEL = static_cast<std::uint16_t>(found.SCOPELEVEL + 1);
    // The earlier procedure keeps its place: save the file's state for it. SaveFile may itself
    // note nothing here (it does not call PrepareUse), so `i` stays valid.
    if (kind < UseProcedure) row.HOLD = manager.SaveFile();
  }
  auto key = [](const Scope& s) { return std::tie(s.THREAD, s.ID, s.SCOPELEVEL); };
  auto at = std::upper_bound(statusq_.begin(), statusq_.end(), row,
                             [&](const Scope& a, const Scope& b) { return key(a) < key(b); });
  statusq_.insert(at, std::move(row));
}

void ManagerRegistry::NoteOpen(FileManager& manager) {
  const FileLabel label = manager.FILE != nullptr ? manager.FILE->InstanceId() : 0;
  int i = FindScope(label);
  if (i >= 0 && statusq_[i].PROC == ProcedureName(manager)) ++statusq_[i].NESTEDOPEN;
}

void ManagerRegistry::NoteClose(FileManager& manager) {
  const FileLabel label = manager.FILE != nullptr ? manager.FILE->InstanceId() : 0;
  int i = FindScope(label);
  if (i < 0 || statusq_[i].PROC != ProcedureName(manager)) return;
  Scope& row = statusq_[i];
  if (row.NESTEDOPEN > 0) {
    --row.NESTEDOPEN;
    return;
  }
  std::uint16_t hold = row.HOLD;
  const bool apply = row.USTAT < UseProcedure;
  statusq_.erase(statusq_.begin() + i);
  if (hold != 0) manager.RestoreFile(hold, apply);
}

}  // namespace kv
