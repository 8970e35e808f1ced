#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/UseKind.h"

namespace kv {

class ErrorManager;
class FileManager;
class RelationManager;

// Identity of a table instance in the current thread (Table::InstanceId): a table with one
// instance per thread maps to a different label in every thread.
using FileLabel = std::uintptr_t;

// The per-thread bookkeeping of the data-access classes: which manager serves which table
// instance, and which procedure of the thread uses which file (the scope list STATUSQ).
//
// Each logical thread has its own registry (ThisThread()); nothing here is shared between
// threads, so there is no lock. Managers register in Init and leave in their release of
// resources; the registry never owns a manager.
//
// Scope tracking: when a procedure starts using a file that an earlier procedure of the same
// thread still uses, the file's position and record are saved (FileManager::SaveFile) and put
// back for the earlier procedure when the later one closes the file.
class ManagerRegistry {
 public:
  struct FileMapping {
    FileLabel FILELABEL = 0;
    FileManager* FILEMANAGER = nullptr;
  };
  struct RelationMapping {
    FileLabel FILELABEL = 0;
    RelationManager* RELATIONMANAGER = nullptr;
  };
  // One scope of one file in one procedure of the thread.
  struct Scope {
    std::int32_t THREAD = 0;
    std::string PROC;        // the procedure's name (ErrorManager::CurrentProcedureName)
    FileLabel ID = 0;        // the file
    UseKind USTAT = 0;       // highest use kind requested in this scope
    std::uint16_t HOLD = 0;  // FileManager::SaveFile identifier taken at the start; 0 none
    std::uint16_t SCOPELEVEL = 1;
    std::uint16_t NESTEDOPEN = 0;  // opens made in this scope beyond the first
  };

  // The calling thread's registry, made on first use. Thread: any (each gets its own).
  static ManagerRegistry& ThisThread();

  // ---- Mappings --------------------------------------------------------------------------
  // Adds a FILEMAPPING row for `label` (a later row for the same label hides earlier ones) and
  // takes `errors` as ERRS when it is not null.
  void AddFileManager(FileLabel label, FileManager* manager, ErrorManager* errors);
  // Removes the row mapping `label` to `manager`; other rows stay.
  void RemoveFileManager(FileLabel label, FileManager* manager);
  // Removes every row that refers to `manager` (a manager going away without a release).
  void ForgetFileManager(FileManager* manager);
  // The manager of `label`, or null.
  FileManager* GetFileManager(FileLabel label) const;

  void AddRelationManager(FileLabel label, RelationManager* manager);
  void RemoveRelationManager(FileLabel label, RelationManager* manager);
  RelationManager* GetRelationManager(FileLabel label) const;

  ErrorManager* ERRS = nullptr;  // the error manager of the last registered FileManager

  // ---- Scopes (STATUSQ) ------------------------------------------------------------------
  // Notes that the current procedure uses `manager`'s file with `kind`. A new procedure scope
  // over a file still in use by another procedure saves the file's state into HOLD when kind
  // is below UseProcedure.
  void NoteUse(FileManager& manager, UseKind kind);
  // Notes an open: the current procedure's scope of the file counts one more nested open.
  void NoteOpen(FileManager& manager);
  // Notes a close: the current procedure's scope loses a nested open, or ends; an ending scope
  // hands its HOLD to FileManager::RestoreFile, applying it only when USTAT is below
  // UseProcedure.
  void NoteClose(FileManager& manager);
  // The deepest scope of `label` in this thread, or null. The pointer is valid until the list
  // changes.
  const Scope* CurrentScope(FileLabel label) const;
  const std::vector<Scope>& STATUSQ() const { return statusq_; }

  const std::vector<FileMapping>& FILEMAPPING() const { return files_; }
  const std::vector<RelationMapping>& RELATIONMAPPING() const { return relations_; }

 private:
  int FindScope(FileLabel label) const;  // index of the deepest scope, -1 when none
  static std::string ProcedureName(const FileManager& manager);

  std::vector<FileMapping> files_;
  std::vector<RelationMapping> relations_;
  std::vector<Scope> statusq_;  // kept sorted on (THREAD, ID, SCOPELEVEL)
};

}  // namespace kv
