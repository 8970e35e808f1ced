#pragma once

#include <cstdint>

#include "framework/data/FileManager.h"
#include "framework/errors/ResultLevel.h"

namespace kv {

// The relation manager of a table that has no relations to other tables, which is every table
// of this program: it opens and closes its file through the file manager and frames no update
// in a transaction. The program's table managers (ProductsManagers.h) derive from it. It has
// the shape of the framework's relation manager (Init over a file manager, Open, Close, Update,
// Delete, Kill, ME) so that the program's managers can stand on that one once it is built,
// without a change for their callers.
//
// With no relations, opening is the file manager's logical open followed by a real open
// (PrepareUse(UseRecord)), so that a failure to reach the table shows at once; closing is the
// file manager's close. Updates and deletes go straight to the file manager.
//
// Thread: a manager belongs to the logical thread that created it.
class TableRelations {
 public:
  TableRelations() = default;
  virtual ~TableRelations() = default;
  TableRelations(const TableRelations&) = delete;
  TableRelations& operator=(const TableRelations&) = delete;

  // ME := file; USELOGOUT := useTransactions; LOGOUTTIMEOUT := 2. The file manager is not
  // owned here (the derived managers own theirs). Call once, before any other operation.
  void Init(FileManager& file, bool useTransactions);

  // Opens the file: ME's Open, then ME's PrepareUse(UseRecord), whose answer is the answer
  // (Benign when the table is usable; a failure was reported by the file manager). Fatal when
  // Init has not run.
  virtual ResultLevel Open();
  // ME's Close. Benign; nothing when Init has not run or after Kill.
  virtual ResultLevel Close();
  // Writes the current record (ME's Update); `history` is accepted for forms that keep field
  // history and changes nothing without relations.
  virtual ResultLevel Update(bool history = false);
  // Deletes the current record (ME's EraseRecord, asking first when `ask`); a failed delete is
  // reported here. Answers the file manager's level.
  virtual ResultLevel Delete(bool ask = true);
  // Releases the manager: ME is forgotten. Safe to call twice.
  virtual void Kill();

  FileManager* ME = nullptr;  // the file's manager; not owned here
  bool USELOGOUT = false;     // frame updates in a transaction (never on in this program)
  std::uint8_t LOGOUTTIMEOUT = 2;
  bool KILLED = false;
};

}  // namespace kv
