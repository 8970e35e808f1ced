#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/data/FileOpenServer.h"
#include "framework/data/ManagerRegistry.h"
#include "framework/data/UseKind.h"
#include "framework/errors/MessageIds.h"
#include "framework/errors/ResultLevel.h"
#include "platform/storage/FileCallback.h"
#include "platform/storage/Table.h"
#include "platform/values/FieldTable.h"
#include "platform/values/VarRef.h"

namespace kv {

class ErrorManager;
class RelationManager;

// The record buffer a file manager works on: the table's record, its field table and size.
struct RecordBuffer {
  void* address = nullptr;
  const FieldTable* fields = nullptr;
  std::size_t size = 0;

  // The record of `table` described by the field table of its layout (a FieldTableLayout);
  // `fields` is null when the layout is of another kind.
  static RecordBuffer Of(Table& table);
};

// One component of a declared key.
struct KeyComponentDescription {
  VarRef FIELD;           // the record field
  std::string FIELDNAME;  // the field's label; "UPPER(label)" for text of a case-blind key
  bool ASCEND = true;
};

// One declared key (FileManager::AddKey), in declaration order.
struct KeyDescription {
  int KEY = 0;               // the key's number in the table declaration (from 1)
  std::string PDESCRIPTION;  // the application's description, at most 80 bytes
  std::vector<KeyComponentDescription> FIELDS;
  std::uint8_t AUTOINC = 0;  // 0, or the 1-based number of the numbered component
  bool DUPS = false;
  bool NOCASE = false;
};

// A saved record image (SaveBuffer): the record bytes, or for the last identifier of a save
// the null-flag image.
struct SavedBuffer {
  std::int32_t ID = 0;
  std::vector<unsigned char> BUFFER;
};

// A saved file state (SaveFile).
struct SavedFileState {
  std::uint16_t BUFFER = 0;  // SaveBuffer identifier of the record image
  std::uint16_t ID = 0;
  bool AUTOINCDONE = false;
  std::int32_t STATE = 0;  // the table's saved-state handle
  std::string POS;         // the record's position, at most 1024 characters
};

// A field description of the FIELDS list (created and released, filled by no base operation).
struct FieldDescriptionRow {
  std::string TAG;
  VarRef FIELD;
  ValueType TYPE = ValueType::kString;
  std::string PICTURE;
};

// Everything the application does with one table: its record buffer, key descriptions, open
// state and the translation of runtime errors into messages of the error manager.
//
// Life. The application derives one class per table. Its Init sets INITIALIZED false, BUFFER,
// FILENAMEVALUE and FILE, calls SetErrors and then FileManager::Init, which registers the
// manager with the thread's ManagerRegistry. The costly set-up waits for the first use: the
// derived PrepareUse(kind) first calls PrepareUse(Initialize) for any other kind, and on
// Initialize with INITIALIZED false calls InitFile, sets CREATE and LOCKRECOVER, declares its
// keys (AddKey) and then calls FileManager::PrepareUse(kind). Kill releases everything once;
// Kill twice, or Destroy after Kill, does nothing more. The destructor kills.
//
// Opening. Open counts a logical open (OPENED); with LAZYOPEN (the default) the table is
// opened physically only by the first operation that needs it (PrepareUse). Close lowers the
// count and closes physically at 0. A physical open creates a missing table (CREATE), falls
// back to read-only access with "Access Denied" when writing is denied, and rebuilds keys the
// runtime reports as broken. A table that another station holds locked is tried again for
// LOCKRECOVER seconds and then reported as held ("Record not read", which the user answers
// and goes on from), never as the open failure that ends the program.
//
// Results. Operations return a ResultLevel: Benign is success. Operations named Try... never
// show a message: they set LASTERROR (SetError) and return a level; the others report through
// ERRORS and return the level it gives back. Nothing throws.
//
// Threads. A manager belongs to the logical thread that created it (its table instance is
// that thread's); only the openers of shared tables are shared (FileOpener.h). The operation
// callbacks (BeforeOperation, AfterOperation) run on the same thread, inside table operations.
//
// Fields are public: the derived classes, the relation and view managers read and set them by
// the names used throughout the framework.
class FileManager : public FileCallback {
 public:
  FileManager();
  ~FileManager() override;
  FileManager(const FileManager&) = delete;
  FileManager& operator=(const FileManager&) = delete;

  // ---- Operation callbacks (slots 0, 1; FileCallback) ---------------------------------------
  // Bookkeeping of the manager, then DispatchBefore / DispatchAfter. A false answer from
  // BeforeOperation vetoes the table operation.
  bool BeforeOperation(const OperationInfo& info) override;
  bool AfterOperation(const OperationInfo& info) override;

  // Slot 2. Kill unless KILLED; clears FILENAME.
  virtual void Destroy();
  // Slot 3. Makes the record's fields known to expressions by name. The base binds nothing:
  // views bind the fields of their files into their own expression bindings.
  virtual void BindFields();
  // Slot 4. Removes a record that AutoNumber added and that was not completed: through
  // `relations`' Delete when given (see SetRelationDelete), else EraseRecord(false). Clears
  // AUTOINCDONE on Benign. Returns the delete's level, Benign when there is nothing to cancel.
  virtual ResultLevel CancelAutoNumber(RelationManager* relations = nullptr);
  // Slot 5. Lowers the logical open count; at 0 closes physically (its error is ignored).
  // Closing more often than opening does nothing. Never reports; returns Benign.
  virtual ResultLevel Close();
  // Slot 6. True when the record equals the image saved under `id` (null flags not compared);
  // false when PrepareUse fails, BLOBCHANGED is set or no such image exists.
  virtual bool EqualBuffer(std::int32_t id);
  // Slot 7. TryFetch; on failure the record buffer is cleared. A record whose stored values
  // the buffer cannot all hold exactly (text longer than its field, a number past its range or
  // places) is read and reported with "Record Retrieval Error" naming the fields; the answer is
  // Benign, and Update leaves those columns as stored unless they are changed.
  [[nodiscard]] virtual ResultLevel Fetch(int key);
  // Slot 8. OPENED 0, LAZYOPEN on, KILLED off, no prefetch (USEMRP off, MRPSIZE 10); registers
  // the manager with the thread's ManagerRegistry under FILE's instance label.
  virtual void Init();
  // Slot 9. The first-use set-up: ERRORS and FILE, the opener (ChooseOpener), empty key and
  // buffer lists, OPENMODE 0x42 unless OPENMODEOVERRIDDEN, CREATE on, LOCKRECOVER 10, no
  // primary key, FILENAMEVALUE = the table's label, INITIALIZED on; registers the manager as
  // the table's operation callback.
  virtual void InitFile(Table* file, ErrorManager* errors);
  // Slot 10. Adds the current record (numbering it first when the table has an auto-numbered
  // key). Duplicate key: "Duplicate Key Error" naming in %Message the first declared key the
  // record duplicates (its description), else the database's unique index; other failures
  // "Record Insert Error". Validation failure returns Notify without a message of its own.
  [[nodiscard]] virtual ResultLevel Insert();
  // Slot 11. Releases everything once (closes until OPENED is 0, leaves the registry, frees
  // keys, saved images and states, releases the opener); unregisters the callback. Only when
  // INITIALIZED and not KILLED.
  virtual void Kill();
  // Slot 12. Reads the next record. End of file: ATEOF set, Notify, no message. A record held
  // elsewhere is skipped when SKIPHELDRECORDS, else "Record not read"; other failures "Record
  // Retrieval Error". A record read with values the buffer cannot hold exactly is reported as
  // Fetch says and answers Benign.
  [[nodiscard]] virtual ResultLevel Next();
  // Slot 13. A logical open (see Opening); with LAZYOPEN off the first one opens physically and
  // reports its failure.
  [[nodiscard]] virtual ResultLevel Open();
  // Slot 14. Reads the previous record; as Next.
  [[nodiscard]] virtual ResultLevel Previous();
  // Slot 15. Numbers the auto-numbered keys and adds the record (up to three attempts; then
  // "Auto Increment Error", which asks "Try Again?"). A number past the largest value of its
  // field is asked about at once and never added. Sets AUTOINCDONE. Benign when there is
  // nothing to number or it was already done.
  [[nodiscard]] virtual ResultLevel AutoNumber();
  // Slot 16. Hook run by PrimeRecord on a fresh record; the base does nothing.
  virtual void PrimeFields();
  // Slot 17. Prepares a new record: clears the buffer unless keepBuffer, PrimeFields, and with
  // an auto-numbered key adds it at once (AutoNumber). With ALIASEDFILE the work is done by the
  // aliased manager and its record and position are taken over.
  [[nodiscard]] virtual ResultLevel PrimeRecord(bool keepBuffer = false);
  // Slot 18. Puts the images saved under `id` back into the record (only when `apply`), frees
  // them and sets `id` to 0. Nothing happens when id is 0 and apply is false.
  virtual void RestoreBuffer(std::int32_t& id, bool apply = true);
  // Slot 19. Saves the record image (and its null flags) and returns its identifier (>= 1).
  // Two saves give identifiers 2 apart (record image, null-flag image).
  virtual std::int32_t SaveBuffer();
  // Slots 20-22. The error conventions: see SetError.
  virtual ResultLevel ReportError(MessageId id);
  virtual ResultLevel ReportLastError();
  virtual ResultLevel ReportErrorText(MessageId id, std::string_view text);
  // Slots 23-29, the silent variants. A read with values the buffer cannot hold exactly
  // answers Benign with LASTERROR "Record Retrieval Error" (see Fetch).
  [[nodiscard]] virtual ResultLevel TryFetch(int key);  // get by the key's current values; failure Notify
  [[nodiscard]] virtual ResultLevel TryInsert();
  [[nodiscard]] virtual ResultLevel TryNext();
  [[nodiscard]] virtual ResultLevel TryOpen();
  [[nodiscard]] virtual ResultLevel TryPrevious();
  [[nodiscard]] virtual ResultLevel TryAutoNumber();
  [[nodiscard]] virtual ResultLevel TryUpdate();
  // Slot 30. Writes the fields changed since the read back, with change detection on every
  // field read. Changed by another station: "Record Was Not Updated", and the other station's
  // version is read into the buffer (Notify). Other failures, a lock that another station
  // holds past the lock wait among them, "Record was not updated". Validation failure returns
  // User.
  [[nodiscard]] virtual ResultLevel Update();
  // Slot 31. Makes the file usable for `kind` (UseKind.h). Every data-access operation starts
  // with PrepareUse(UseRecord) and returns Fatal when it is not Benign. A lazy manager that is
  // logically open is opened physically here; one that is not open reports "File Usage Error".
  // Initialize on a lazy manager with no logical open opens the file (logically and
  // physically) and is always Benign.
  [[nodiscard]] virtual ResultLevel PrepareUse(UseKind kind);
  // Slots 32-36. Validation: CheckField is the per-field hook (Benign in the base unless an
  // alias decides); ValidateFields stops at the first failing field and stores its number in
  // `failedField` when given; ValidateRecord checks every field.
  [[nodiscard]] virtual ResultLevel ValidateField(int fieldNo);
  [[nodiscard]] virtual ResultLevel TryValidateField(int fieldNo);
  virtual ResultLevel CheckField(int fieldNo, bool report);
  [[nodiscard]] virtual ResultLevel ValidateFields(int first, int last, int* failedField = nullptr);
  [[nodiscard]] virtual ResultLevel ValidateRecord(int* failedField = nullptr);
  // Slot 37. Deletes the current record, first asking "Confirm Delete" when `ask` (any answer
  // but Yes returns Cancel). A failed delete sets "Record was not deleted" and returns Notify
  // without showing it (the caller reports).
  virtual ResultLevel EraseRecord(bool ask);
  // Slot 38. True when cascades should pass this file by; false in the base.
  virtual bool SkipInCascade();
  // Slots 39-42. Row prefetch for sequential reads.
  virtual void SetUseMrp(bool flag);
  virtual bool GetUseMrp();
  virtual void SetMrpSize(std::uint8_t n);
  virtual std::uint8_t GetMrpSize();
  // Slot 43.
  virtual bool GetAutoIncDone();
  // Slots 44, 45. Route table operations to the hooks below (see INVIEW).
  virtual bool DispatchBefore(const OperationInfo& info);
  virtual bool DispatchAfter(const OperationInfo& info);
  // Slots 46-51. Hooks around record deletes, adds and writes; true in the base, a derived
  // class returns false from a Before hook to refuse the operation.
  virtual bool BeforeDelete(int code);
  virtual bool AfterDelete(int code);
  virtual bool BeforeAdd(int code, void* record, std::size_t size);
  virtual bool AfterAdd(int code, void* record, std::size_t size);
  virtual bool BeforeChange(int code, void* record, const void* oldRecord, std::size_t size);
  virtual bool AfterChange(int code, void* record, const void* oldRecord, std::size_t size);

  // ---- Non-virtual operations -----------------------------------------------------------------
  void SetErrors(ErrorManager* errors) { ERRORS = errors; }
  // Error convention of every data-access class:
  //   SetError(id): captures the runtime's current error into the thread's error status and
  //     sets LASTERROR = id;
  //   ReportLastError: %File = GetName(), then shows LASTERROR with the captured error;
  //   ReportError(id): SetError(id), then ReportLastError;
  //   ReportErrorText(id, text): %File = GetName(), then RaiseWithText(id, clipped text).
  // Without an error manager nothing is shown and the reports return Notify.
  void SetError(MessageId id);
  // FILENAME's text when it refers to a variable, else FILENAMEVALUE; clipped.
  std::string GetName() const;
  bool IsOpen() const { return INITIALIZED && OPENED > 0; }

  // Declares key `key` (its number in the table declaration) with `description` (cut to 80
  // bytes) and the number of its auto-numbered component (0 = none). Called while the derived
  // class initialises, after InitFile. Returns false when the table has no such key.
  bool AddKey(int key, std::string_view description, int autoIncComponent = 0);

  // Saves position, record and AUTOINCDONE; returns the state's identifier (0 on failure).
  std::uint16_t SaveFile();
  // Puts a saved state back (when `apply`) and frees it; sets `id` to 0. The state may be one
  // saved by the aliased manager: then this file is repositioned on its saved position.
  void RestoreFile(std::uint16_t& id, bool apply = true);
  // The current record's position (on the primary key when there is one); empty when
  // PrepareUse fails or no record is current.
  std::string GetPosition();
  // Re-reads the record at `position`; Benign, or Notify when it cannot be read. Values the
  // buffer cannot hold exactly are reported as Fetch says.
  [[nodiscard]] ResultLevel Reget(std::string_view position);

  // ---- Key queries (key = its number in the table declaration) --------------------------------
  const KeyDescription* FindKey(int key) const;
  int GetComponents(int key) const;                        // 0 for an undeclared key
  std::string GetFieldName(int key, int component) const;  // empty when absent
  bool IsAscending(int key, int component) const;
  VarRef GetField(int key, int component) const;  // null when absent
  // FIELDNAMEs of components from..last joined with ",", "-" before descending ones; `from` 0
  // means 1.
  std::string KeyOrderText(int key, int from = 0) const;
  // Sets components first..last (stopping at the first missing one) to the highest value of
  // their type when (high and ascending) or (!high and descending), else to the lowest.
  void ClearKeyComponents(int key, int first, int last, bool high);

  // How CancelAutoNumber deletes through a relation manager. The relation manager module sets
  // it; until then a given relation manager is ignored and EraseRecord(false) deletes.
  using RelationDelete = ResultLevel (*)(RelationManager& relations);
  static void SetRelationDelete(RelationDelete handler);

  // ---- Fields, in declaration order --------------------------------------------------------
  FileManager* ALIASEDFILE = nullptr;
  RecordBuffer BUFFER;
  std::vector<SavedBuffer> BUFFERS;
  bool CREATE = true;
  ErrorManager* ERRORS = nullptr;  // not owned
  std::vector<FieldDescriptionRow> FIELDS;
  Table* FILE = nullptr;  // not owned; the thread's instance
  VarRef FILENAME;        // a variable holding the name, or null
  std::string FILENAMEVALUE;
  bool HASAUTOINC = false;
  bool INUSEFILE = false;
  std::uint8_t INCALLBACK = 0;
  std::uint8_t INCLOSE = 0;
  bool INRESTORE = false;
  bool INVIEW = false;
  bool USED = false;
  std::int32_t OPENED = 0;
  bool ATEOF = false;
  bool AUTOINCDONE = false;
  std::int32_t LASTERROR = 0;
  bool LAZYOPEN = true;
  std::int16_t LOCKRECOVER = 10;
  std::uint8_t OPENMODE = 0x42;
  bool OPENMODEOVERRIDDEN = false;
  std::uint8_t PRIMARYKEY = 0;  // 1-based row of KEYS that is the primary key; 0 none
  std::vector<SavedFileState> SAVED;
  bool SKIPHELDRECORDS = false;
  bool CLEANEDUP = false;
  std::vector<KeyDescription> KEYS;
  bool BLOBCHANGED = false;
  std::unique_ptr<std::vector<unsigned char>> PREVIOUSBUFFER;
  bool SAVEPREVIOUSBUFFER = false;
  bool INITIALIZED = false;
  bool KILLED = false;
  std::shared_ptr<FileOpenServer> OPENER;
  bool USEMRP = false;
  std::uint8_t MRPSIZE = 10;

 protected:
  // The open step: Open is (report, not forced), TryOpen (silent, not forced); PrepareUse forces.
  ResultLevel OpenStep(bool report, bool force);
  // The physical open with its recovery steps.
  ResultLevel PhysicalOpen(bool report);
  // The release of resources (Kill and the end-of-use notification); runs once.
  void ReleaseResources();

 private:
  ResultLevel OpenFailed(bool report, bool errorAlreadySet);
  ResultLevel DoInsert(bool report);
  ResultLevel DoAutoNumber(bool report);
  ResultLevel NumberKey(const KeyDescription& key, bool report, bool* failed, bool* pastLargest);
  ResultLevel DoUpdate(bool report);
  ResultLevel DoRead(bool forward, bool report);
  ResultLevel DuplicateReport();
  const KeyDescription* FirstDuplicatedKey();
  // After a duplicate-key failure: the first declared key the record duplicates (its
  // description), else the database's index.
  std::string DuplicatedKeyName();
  void NameDuplicate(const std::string& name);  // %Key and %Message
  // After a successful read: a stored value the record could not hold exactly is reported
  // ("Record Retrieval Error" naming the fields) or, silently, left in LASTERROR.
  void NoteInexactRead(bool report);
  void NameKey(const KeyDescription& key);
  std::string KeyLabel(const KeyDescription& key) const;
  void SetPrefetch(int rows);
  int PrimaryKeyNumber() const;
  int FieldCount() const;
  std::size_t RecordSize() const;
  void* Record() const { return BUFFER.address; }
  SavedFileState* FindSaved(std::uint16_t id, FileManager** owner);
  void TakeImage(FileManager& owner, std::int32_t& id, bool apply);
  ResultLevel PrimeThroughAlias(bool keepBuffer);
  ResultLevel CheckThroughAlias(int first, int last, int* failedField, bool wholeRecord);

  void ClearRecordBuffer();
  // Sets `field` to the highest (or lowest) value its type can hold.
  static void SetExtreme(const VarRef& field, bool high);

  ManagerRegistry* registry_ = nullptr;  // where Init registered the manager
  FileLabel label_ = 0;                  // the label it registered under
};

}  // namespace kv
