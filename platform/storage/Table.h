#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/ErrorCode.h"
#include "platform/storage/FileCallback.h"
#include "platform/storage/SqlValue.h"
#include "platform/storage/TableDecl.h"
#include "platform/thread/CriticalSection.h"

namespace kv {

class Dialect;
struct Statement;
struct TableShape;

// Open modes: the low nibble is the access, the high nibble the sharing asked for.
inline constexpr int kOpenReadOnly = 0x00;
inline constexpr int kOpenWriteOnly = 0x01;
inline constexpr int kOpenReadWrite = 0x02;
inline constexpr int kShareDenyAll = 0x10;
inline constexpr int kShareDenyWrite = 0x20;
inline constexpr int kShareDenyNone = 0x40;

// Numbered properties of a table (Property / SetProperty).
inline constexpr int kPropLabel = 1;     // read: the declaration's label ("Products")
inline constexpr int kPropThreaded = 2;  // read: "1" when each thread has its own instance
inline constexpr int kPropFields = 3;    // read: the number of fields of the record
inline constexpr int kPropKeys = 4;      // read: the number of keys
inline constexpr int kPropPrefetch = 5;  // read/write: rows fetched per sequential read (0 = 1)
inline constexpr int kPropEnrolled = 6;  // read/write: "1" enrols the table in the thread's
                                         // next transaction; 80 when the driver has none
inline constexpr int kPropName = 7;      // read: the external name
inline constexpr int kPropDriver = 8;    // read: the driver's name
inline constexpr int kPropSqlDriver = 9;  // read: "1" for an SQL driver (views, SQL(...) calls)
// Properties 0x7000..0x7FFF are the driver's own connection settings: they are accepted, kept
// and read back, and change nothing in these drivers.
inline constexpr int kPropDriverFirst = 0x7000;
inline constexpr int kPropDriverLast = 0x7FFF;

// How the data-access layer uses a table (the file manager's runtime calls):
//   declare      TableDecl decl("Products", "Products", kSqlDriver, layout); decl.AddKey(...);
//                decl.SetOwner([] { return ConnectionOwner(); });   // read at each Open
//   the file     Table& t = decl.Instance();   // this thread's instance; InstanceId() identity
//   open         t.Open(mode) -> 0 / 2 / 5 / 52 ...; t.Create(); t.BuildKeys(); t.Close();
//                t.Send("Recover=10"); t.Property(kPropThreaded) == "1" picks the opener
//   add / put    t.Add() (40 duplicate -> t.Reget(0, "") then t.Duplicates(k) finds the key);
//                t.Put() (89 -> t.Watch(); t.Reget(0, position) brings the other version)
//   delete       t.Delete()
//   reads        t.SetKey(k); t.Next() / t.Previous() (33 at the end); t.Get(k);
//                t.SetKeyValues(k) positions at the buffer's key values (numbering: set the
//                numbered component high, SetKeyValues, Previous)
//   positions    t.Position(k) / t.Reget(k, text) / t.ResetTo(k, text) (k = primary key or 0)
//   states       t.SaveState() / t.RestoreState(id) / t.FreeState(id)
//   prefetch     t.SetProperty(kPropPrefetch, "20")
//   callbacks    t.AddCallback(manager) / t.RemoveCallback(manager)
//   errors       every call leaves LastError() (platform/RuntimeError.h) set
// Program main and test programs using SQL tables call RegisterSqlDrivers() first
// (platform/storage/DriverRegistry.h).
//
// One instance of a declared table: its record buffer, null flags, position, open state and the
// operations the runtime offers on it. Created by the driver registry for a TableDecl (use
// TableDecl::Instance()); each driver derives from it.
//
// Every operation returns the runtime's error code (kNoError on success) and sets the calling
// thread's last error (LastError.h) to the same code with its texts and the driver's code and
// text. Every operation runs the registered callbacks before and after it.
//
// Thread: an instance of a threaded declaration belongs to its thread. A shared instance may be
// used from any thread; each operation holds the instance's lock (`lock_`) for its duration, but
// a sequence (position, then read) is only meaningful when the caller keeps it on one thread.
class Table {
 public:
  explicit Table(const TableDecl& decl);
  virtual ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const TableDecl& Decl() const { return decl_; }
  // The record buffer: RecordSize() bytes laid out as the declaration's RecordLayout says.
  void* Record() { return record_.data(); }
  std::size_t RecordSize() const { return record_.size(); }
  template <class R>
  R& RecordAs() {
    return *static_cast<R*>(Record());
  }
  // Identity of this instance, distinct for every thread's instance of a threaded table.
  std::uintptr_t InstanceId() const { return reinterpret_cast<std::uintptr_t>(this); }

  // --- Open and close -------------------------------------------------------------------------
  // Opens the table in `mode`. Errors: kAlreadyOpenError when open; kNoFileError when the table
  // does not exist; kAccessDenied when a write mode is asked for and the user may only read;
  // kRecordHeldError when another station holds a lock on the table past the lock wait (and
  // past the time a "Recover=n" command sent before gave it); kDriverError when the owner names
  // no usable database or a column is missing.
  [[nodiscard]] ErrorCode Open(int mode = kOpenReadWrite | kShareDenyWrite);
  // Creates the table from the declaration (columns, primary key, an index per other key).
  // An existing table is left as it is (never emptied). The table need not be open.
  [[nodiscard]] ErrorCode Create();
  // Closes; closing a closed table is kNotOpenError and changes nothing.
  ErrorCode Close();
  bool IsOpen() const { return open_; }
  int OpenMode() const { return mode_; }
  // Re-creates the table's indexes.
  [[nodiscard]] ErrorCode BuildKeys();
  // Driver command strings: "Recover=n" and "QUICKSCAN=on|off" are accepted (the answer is the
  // empty text); anything else is kNotSupportedError. "Recover=n" lets the next Open wait up to
  // n seconds more for a lock that another station holds (see Open).
  ErrorCode Send(std::string_view command);

  std::string Property(int number) const;
  // kNotSupportedError for read-only or unknown properties.
  ErrorCode SetProperty(int number, std::string_view value);

  // --- Positioning and reading ----------------------------------------------------------------
  // Keys are numbered from 1 in declaration order; key 0 is the table's own order (primary key,
  // else first unique key, else all columns). A bad key number is kDriverError.
  // Positions before the first record of `key` (Next reads the first, Previous the last).
  ErrorCode SetKey(int key);
  // Positions at the record buffer's values of `key`'s components: Next reads the first record
  // at or after them, Previous the last at or before them.
  ErrorCode SetKeyValues(int key);
  // Positions at the record whose position text is `position`: Next (or Previous) reads it,
  // then the sequence goes on from it.
  ErrorCode ResetTo(int key, std::string_view position);
  // Read the next / previous record in the order of the last positioning into the buffer.
  // kNoRecordError at the end (the buffer is unchanged).
  ErrorCode Next();
  ErrorCode Previous();
  // Reads the first record (in key order) whose components equal the buffer's; kNoRecordError
  // when there is none. The sequence then continues after that record.
  ErrorCode Get(int key);
  // Re-reads the record whose position text (from Position) is `position`. The empty position
  // reads nothing (kNoRecordError) and leaves no record current, so that Duplicates compares
  // with every record.
  ErrorCode Reget(int key, std::string_view position);
  // The position of the record last read (or added, or written) as text of at most 1024
  // characters: the encoded values of the table's identity fields, so equal records give equal
  // texts. Empty when no record is current.
  std::string Position(int key = 0) const;

  // --- Writing --------------------------------------------------------------------------------
  // All three: kNotOpenError when not open; kAccessDenied when opened read-only.
  // Adds the buffer as a new record. kDuplicateKeyError when a unique key is duplicated.
  ErrorCode Add();
  // Writes the fields of the buffer that changed since the record was read (or added, or last
  // written) over that record, only when the stored row still holds every value last read (key
  // and every column, null-safe, exact); otherwise kChangedError, nothing is written, and Reget
  // brings the other station's version into the buffer. Columns whose fields were not changed
  // keep what is stored, so a value the buffer could not hold exactly (InexactFields) is never
  // written back in its cut or rounded form.
  ErrorCode Put();
  // Deletes the record last read, with the same change detection as Put.
  ErrorCode Delete();
  // Arms change detection for the next read. The drivers detect changes on every Put and
  // Delete, so this is accepted and changes nothing: an update never silently overwrites the
  // work of another station.
  void Watch() {}
  // True when the buffer's values of unique key `key` are held by a record other than the
  // current one (false for keys that allow duplicates).
  bool Duplicates(int key);
  // The name of the unique index (or constraint) that the last Add or Put failing with
  // kDuplicateKeyError duplicated, as the database names it; empty when the driver cannot tell
  // or the last Add or Put did not fail so. Indexes the declaration does not know count too.
  std::string DuplicateIndex() const;

  // Fields (from 0) of the record last read whose stored values the buffer cannot hold exactly:
  // text longer than the field, a number past its type's range or places. The buffer holds
  // the nearest value the field can; Put leaves such a column as stored unless the field is
  // changed. Empty after an exact read, an Add, or a Put that wrote those fields.
  std::vector<int> InexactFields() const;

  // --- Saved states ---------------------------------------------------------------------------
  // Saves position, record buffer and null flags; returns a handle (>= 1).
  int SaveState();
  // Puts a saved state back; kDriverError for an unknown handle. The handle stays valid.
  ErrorCode RestoreState(int handle);
  void FreeState(int handle);

  // --- Null flags (fields numbered from 0) ----------------------------------------------------
  // A field is null when its flag is set and it still holds the value it had when the flag was
  // set (a NULL reads as a cleared field). Assigning another value to the field makes it a
  // value again, so what the user types into a field read as NULL is written; a null field left
  // as it is stays NULL.
  bool IsNull(int field) const;
  // Sets the flag; the field's present value stands for the NULL until it is changed.
  void SetNull(int field);
  void SetNonNull(int field);
  // The null flags (as IsNull answers) as text, one '0' or '1' per field, and back; a shorter
  // image clears the remaining flags, so the empty image makes every field a value.
  std::string NullImage() const;
  void SetNullImage(std::string_view image);

  // --- Callbacks ------------------------------------------------------------------------------
  // Registers `cb` (not owned; it must be removed before it is destroyed). Adding twice is one.
  void AddCallback(FileCallback* cb);
  void RemoveCallback(FileCallback* cb);
  // Operations issued while set are reported to callbacks as issued through a view.
  void SetThroughView(bool on) { throughView_ = on; }

  // --- Transactions (used by platform/storage/Transaction.h) ----------------------------------
  // An identity shared by tables whose transactions are one (same connection); 0 when none.
  virtual std::uintptr_t TransactionScope() const { return 0; }
  virtual StorageError BeginTransactionPart(int) { return StorageError::Of(kNotSupportedError); }
  virtual StorageError CommitPart() { return StorageError::Of(kNotSupportedError); }
  virtual StorageError RollbackPart() { return StorageError::Of(kNotSupportedError); }

  // --- For views (platform/storage/View.h) ------------------------------------------------------
  // Drivers whose tables a view can read and join answer these; the others keep the defaults
  // (no shape, no dialect, kNotSupportedError), and a view over them fails to open.
  // The table as the database holds it (external name, columns, keys); null when not SQL.
  virtual const TableShape* ViewShape() const { return nullptr; }
  // The dialect of the database the open table reaches; null when closed or not SQL.
  virtual const Dialect* ViewDialect() { return nullptr; }
  // The owner string the open table reached its database with (views join only tables of one
  // database).
  virtual std::string ViewOwner() const { return {}; }
  // Runs a SELECT on the table's connection for the calling thread; rows typed by `columns`.
  virtual StorageError ViewSelect(const Statement&, const std::vector<ColumnDesc>&,
                                  std::vector<std::vector<SqlValue>>*) {
    return StorageError::Of(kNotSupportedError);
  }
  // Takes `row` (one value per field) as the record just read through a view: buffer, null
  // flags and the image that Put and Delete compare with. An empty row (no related record)
  // clears the buffer and leaves no record current.
  virtual void TakeViewRow(const std::vector<SqlValue>&) {}

  // Tells the callbacks that the instance is going away (kOpEndOfUse, flag 0). The registry
  // calls this when a thread's instances are destroyed.
  void EndOfUse();

 protected:
  // Driver operations. They work on the record buffer through Decl().Layout(), and return a
  // complete error (code, text, driver code and text). The base class has already checked the
  // open state, the access mode and key numbers, run the before-callbacks, and holds `lock_`.
  virtual StorageError DoOpen(int mode) = 0;
  virtual StorageError DoCreate() = 0;
  virtual StorageError DoClose() = 0;
  virtual StorageError DoBuildKeys() = 0;
  virtual StorageError DoSetKey(int key) = 0;
  virtual StorageError DoSetKeyValues(int key) = 0;
  virtual StorageError DoResetTo(int key, std::string_view position) = 0;
  virtual StorageError DoRead(bool forward) = 0;
  virtual StorageError DoGet(int key) = 0;
  virtual StorageError DoReget(int key, std::string_view position) = 0;
  virtual StorageError DoAdd() = 0;
  virtual StorageError DoPut(bool watched) = 0;
  virtual StorageError DoDelete(bool watched) = 0;
  virtual bool DoDuplicates(int key) = 0;
  virtual std::string DoPosition(int key) const = 0;
  virtual bool SupportsTransactions() const { return false; }
  // Driver cursor state saved with SaveState.
  virtual std::shared_ptr<void> SaveCursor() const = 0;
  virtual void RestoreCursor(const std::shared_ptr<void>& cursor) = 0;

  // Null flags for drivers: after a read, set from the values read (the field's value then
  // stands for the NULL, see IsNull).
  void SetNullFlag(int field, bool isNull);
  // Called by drivers after a successful read: remembers the image for callbacks and puts.
  void NoteRecordRead();
  // Drivers say which fields of the record just read, added or written are not held exactly.
  void SetInexactFields(std::vector<int> fields) { inexact_ = std::move(fields); }
  void SetDuplicateIndex(std::string name) { duplicateIndex_ = std::move(name); }
  int Prefetch() const { return prefetch_; }
  // Seconds the next open may wait for a lock beyond the driver's lock wait ("Recover=n"),
  // 0 when none; TakeRecover answers it and forgets it.
  int TakeRecover();

  mutable CriticalSection lock_;  // held for every operation of a shared instance

 private:
  struct SavedState {
    std::vector<unsigned char> record;
    std::string nulls;  // NullImage
    std::vector<int> inexact;
    std::shared_ptr<void> cursor;
  };

  ErrorCode Finish(int op, StorageError error, const void* oldRecord = nullptr);
  bool FieldIsNull(int field) const;  // IsNull under lock_
  bool Before(int op, const void* oldRecord = nullptr);
  StorageError CheckKey(int key, bool zeroAllowed) const;
  StorageError CheckWritable() const;

  const TableDecl& decl_;
  std::vector<unsigned char> record_;
  std::vector<unsigned char> lastRead_;  // the record image as last read
  std::vector<bool> nulls_;
  std::vector<SqlValue> nullValues_;  // per flagged field: its value when the flag was set
  std::vector<int> inexact_;
  std::string duplicateIndex_;
  int recover_ = 0;
  std::vector<FileCallback*> callbacks_;
  std::map<int, SavedState> states_;
  std::map<int, std::string> driverProps_;
  int nextState_ = 1;
  bool open_ = false;
  int mode_ = 0;
  int prefetch_ = 0;
  bool throughView_ = false;
  bool ended_ = false;
};

}  // namespace kv
