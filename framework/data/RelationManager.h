#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "framework/errors/ResultLevel.h"
#include "framework/data/BufferedPairList.h"
#include "platform/values/VarRef.h"

namespace kv {

class FileManager;
class RelationManager;

// Relation modes, for both UPDATEMODE and DELETEMODE.
inline constexpr std::uint8_t RelationNone = 0;
inline constexpr std::uint8_t RelationClear = 1;     // related records' linking fields cleared
inline constexpr std::uint8_t RelationRestrict = 2;  // refused while related records exist
inline constexpr std::uint8_t RelationCascade = 3;   // related records follow (change / delete)

// One relation of a file (a row of RELATIONS).
struct RelationRow {
  RelationManager* FILE = nullptr;  // the related file's relation manager; not owned
  // LEFT = field of this file, RIGHT = field of the related file, BUFFER = saved LEFT.
  std::unique_ptr<BufferedPairList> FIELDS;
  int HISKEY = 0;  // the related file's key (number in its declaration) led by the linking
                   // fields; 0 when none
  std::uint8_t UPDATEMODE = RelationNone;
  std::uint8_t DELETEMODE = RelationNone;
  std::int32_t OPENED = 0;  // opens of the related file made through this relation
};

// The relation manager of one file: opens and closes the file together with its related
// files, frames updates and deletes in a transaction (when USELOGOUT), and keeps referential
// integrity down the tree of relations: when the linking fields of a record change, or the
// record is deleted, the related records are changed, cleared, deleted or the operation is
// refused, according to each relation's mode.
//
// Declaring relations. A derived class overrides DefineRelations and calls AddRelation there
// once per relation; DefineRelations runs once, on the first walk, update or delete.
//
//   class OrdersRelations : public RelationManager {
//     void DefineRelations() override {
//       AddRelation(lines, {{VarRef(order.ID), VarRef(line.ORDERID)}}, 1,
//                   RelationCascade, RelationRestrict);
//     }
//   };
//
// Walks. Every open/close walk and every SetQuickScan walk raises the thread's walk counter;
// a manager already visited in the current walk (LASTTOUCHED equals the counter) is passed
// by, so relations that form cycles are each visited once.
//
// Failures are reported through ME (its error manager) and returned as levels; every failure
// inside a transaction rolls back before it is reported. Related files are always closed
// again, and every child file gets its previous position and record back.
//
// Thread: a relation manager, its file manager and the walk counter belong to one logical
// thread.
class RelationManager {
 public:
  RelationManager();
  virtual ~RelationManager();
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  // ---- Virtual operations, in slot order ----------------------------------------------------
  // Slot 0. ME's CancelAutoNumber through this manager, so the delete keeps integrity.
  virtual ResultLevel CancelAutoNumber();
  // Slot 1. Closes the file and the related files opened through it (`continuing`: called by
  // the walk itself).
  virtual ResultLevel Close(bool continuing = false);
  // Slot 2. Deletes ME's current record with integrity and transaction. With `ask`, "Confirm
  // Delete" first (anything but Yes: Cancel). Benign on success; Notify when refused or when
  // the delete failed and the user did not retry.
  [[nodiscard]] virtual ResultLevel Delete(bool ask = true);
  // Slot 3. The child side of a parent's delete (runs on the related manager).
  virtual ResultLevel CascadeDeleteChild(int key, BufferedPairList& pairs, std::uint8_t mode,
                                         bool ask);
  // Slot 4. Leaves the registry, disposes of the relations. Safe to call twice, and safe when
  // ME is already gone (the destructor kills).
  virtual void Kill();
  // Slot 5. Opens the file and its related files (see the walk). The top call's result is
  // ME.PrepareUse(UseRecord), so the file is really open.
  [[nodiscard]] virtual ResultLevel Open(bool continuing = false);
  // Slot 6. For every relation, BUFFER := LEFT (remember the linking values before an edit).
  // Defines the relations first when that has not happened yet.
  virtual void SaveLinkValues();
  // Slot 7. Sends "QUICKSCAN=on|off" to ME's file when open, and passes the call on through
  // the relations: `propagation` 0 stops here; kind 1 (low 7 bits) follows relations without a
  // key, 2 those with one, any other kind all; bit 0x80 marks the calls of one walk.
  virtual void SetQuickScan(std::uint8_t on, std::uint8_t propagation = 0);
  // Slot 8. Writes ME's current record with integrity and transaction. `history`: the form
  // keeps field history, so a record changed elsewhere is reported with the message that
  // offers to recall the user's values. Benign on success.
  [[nodiscard]] virtual ResultLevel Update(bool history = false);
  // Slot 9. The child side of a parent's update (runs on the related manager).
  virtual ResultLevel CascadeUpdateChild(int key, BufferedPairList& pairs, std::uint8_t mode);
  // Slot 10. Hook where a derived class declares its relations (AddRelation); empty here.
  virtual void DefineRelations();

  // ---- Non-virtual ---------------------------------------------------------------------------
  // Sets ME, USELOGOUT and LOGOUTTIMEOUT (2) and registers the manager for ME's file in the
  // thread's ManagerRegistry (ME must be initialised). Relations are not defined yet.
  void Init(FileManager& me, bool useTransactions);
  // Runs DefineRelations once.
  void EnsureRelations();
  // Sets FORCINGOPEN and opens (the related files are opened physically too).
  ResultLevel ForceOpen(bool continuing = false);

  // Declares a relation to `related`: the linking field pairs (this file's field, the related
  // file's field), the related file's key led by those fields (0: none) and both modes.
  // Only inside DefineRelations; anywhere else (or with no pairs) it adds nothing and
  // returns false.
  bool AddRelation(RelationManager& related, const std::vector<std::pair<VarRef, VarRef>>& links,
                   int hisKey, std::uint8_t updateMode, std::uint8_t deleteMode);

  // The calling thread's walk counter (raised by every new walk).
  static std::int32_t WalkCounter();

  // ---- Fields, in declaration order --------------------------------------------------------
  FileManager* ME = nullptr;  // not owned
  std::vector<RelationRow> RELATIONS;
  RelationManager* ALIASFILE = nullptr;
  bool PREVUSELOGOUT = false;
  bool USELOGOUT = false;
  std::uint8_t LOGOUTTIMEOUT = 2;
  std::int32_t LASTTOUCHED = 0;
  bool FORCINGOPEN = false;
  bool DEFEREDRELATIONSDONE = false;

 private:
  ResultLevel Walk(bool opening, bool continuing);
  // Enrols the update tree (update true) or the delete tree of this manager.
  ResultLevel Enrol(bool update);
  ResultLevel EnrolOne();
  ResultLevel BeginTransaction();
  void Rollback();
  // Writes the child record inside a cascade: its own cascades first, then the record.
  ResultLevel WriteRelated();
  // Positions ME on the first record of `key` whose linking fields are set from `pairs`.
  void PositionChildren(int key, BufferedPairList& pairs, bool fromBuffer);

  std::uintptr_t label_ = 0;  // the file's label in the registry, taken at Init
  bool defining_ = false;
  bool killed_ = false;
  bool inited_ = false;
};

}  // namespace kv
