#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "framework/window/QueueField.h"
#include "framework/window/SectorRecord.h"
#include "platform/settings/ProfileFile.h"
#include "platform/thread/CriticalSection.h"
#include "platform/window/WindowPlacement.h"

namespace kv {

// Storage kinds of an IniManager (NVTYPE).
enum IniStorageKind : std::int32_t {
  kIniSettingsFile = 0,  // a settings file (profile strings), FILENAME its name
  kIniRegistry = 1,      // the per-user registry store, FILENAME the key path prefix
  kIniNone = 2,          // nothing is kept
};

// The settings-file manager: persistent settings of the program (window positions and sizes per
// procedure, saved lists, and the list of registered sectors).
//
// One instance is shared by all threads. Every public operation holds CRITSECT from entry to
// exit, so the reads and writes of one operation never interleave with another thread's; the
// lock is re-entrant, so operations (and overrides) may call each other. No operation reports an
// error: a missing entry yields the default, a value that is not a number reads as 0, and a
// write that the storage refuses is dropped.
//
// Stored layout: one section per procedure for its window ("Maximize", "Minimize", "XPos",
// "YPos", "Width", "Height"); the sector list in section "__Dont_Touch_Me__" as a saved list
// named "Sectors"; a saved list named N as entry N holding the record count and entries N_1 ..
// N_count each holding the record's named fields joined by ",".
//
// Life: construct (creates CRITSECT) -> Init -> use from any thread -> Update() -> Kill (writes
// the sectors) -> destroy. Kill is safe to call twice; the destructor does not call it.
//
// Writes of one operation that only writes (UpdateQueue, UpdateWindowPosition, Kill) reach a
// settings file together, in one rewrite, before the operation returns: other processes see the
// whole list or window or none of it. A write the file refuses (a value with a line break) is
// dropped alone.
//
// A write that the settings file refuses as a whole (it cannot be opened, locked or replaced:
// a read-only file or folder, a full disk, a directory in its place) is dropped too, and the
// write-failure handler, when set, is told once per manager (see SetWriteFailureHandler).
//
// Overriding: a derived class that overrides one overload of TryFetch or Update should say
// `using IniManager::TryFetch; using IniManager::Update;` to keep the others visible.
class IniManager {
 public:
  static constexpr std::size_t kFileNameMax = 259;       // bytes kept of Init's fileName
  static constexpr std::size_t kQueueValueMax = 5000;    // bytes of one saved-list record
  static constexpr std::size_t kQueueFieldsMax = 4;      // fields per saved-list record
  static constexpr std::size_t kQueueCountMax = 100000;  // records read by FetchQueue
  static constexpr std::string_view kSectorSection = "__Dont_Touch_Me__";
  static constexpr std::string_view kSectorName = "Sectors";
  static constexpr std::string_view kUnknownField = "---Unknown---";

  IniManager();
  virtual ~IniManager();
  IniManager(const IniManager&) = delete;
  IniManager& operator=(const IniManager&) = delete;

  // ---- Fields. All are guarded by CRITSECT (read them under it when other threads may run).
  std::string FILENAME;  // settings-file name (kind 0) or registry key path prefix (kind 1)
  std::unique_ptr<std::vector<SectorRecord>> SECTORS;  // between Init and Kill; ordered, unique
  std::int32_t NVTYPE = kIniSettingsFile;              // storage kind, an IniStorageKind
  std::int32_t EXTRADATA = 0;                 // registry root for kind 1; 0 stands for 0x80000000
  std::unique_ptr<CriticalSection> CRITSECT;  // created by the constructor; never null

  // ---- Virtual operations (the storage). Thread: any; called with CRITSECT held.

  // The stored value of `entry` in `section` of `file` (a file name for kind 0, a key path prefix
  // for kind 1), or `defaultValue` when it is missing. Kind 1 also gives the default for an
  // empty value. Kind 2 (and any unknown kind) always gives the default.
  virtual std::string TryFetch(std::string_view section, std::string_view entry,
                               std::string_view defaultValue, std::string_view file);
  // Stores `value` (kind 0 and 1), or removes the entry when `value` is nullopt. Kind 1 removes
  // the value when `value` is empty. Kind 2 does nothing. Refused writes are dropped.
  virtual void Update(std::string_view section, std::string_view entry,
                      std::optional<std::string_view> value, std::string_view file);
  // Called by Init after the fields are set and before the sectors are loaded. Does nothing.
  virtual void BeforeLoadSectors();
  // Flush. Every write already reaches the storage at once, so it does nothing for all kinds.
  virtual void Update();

  // ---- Life. Thread: normally the main thread, around the whole run of the program.

  // Stores the storage description (fileName cut to kFileNameMax bytes at a whole character),
  // creates an empty SECTORS, calls BeforeLoadSectors and loads SECTORS from the saved list
  // "Sectors" of "__Dont_Touch_Me__" (sorted, duplicates dropped). A relative file name is
  // resolved against the current working directory at each access.
  void Init(std::string_view fileName, std::int32_t storageKind = kIniSettingsFile,
            std::int32_t extraData = 0);
  // When SECTORS exists: writes the saved list "Sectors" and disposes of SECTORS. The list
  // written is the one stored at this moment (which another copy of the program may have
  // changed since Init) with this run's AddSector and DeleteSector calls applied, so copies that
  // share the storage keep each other's sectors. For a settings file (and the registry store)
  // the directory that holds it is locked from the read to the write (DirectoryLock), so copies
  // that end together merge in turn. A second call does nothing.
  void Kill();

  // ---- Entries. Thread: any.

  // The stored value, or "" when the entry is missing.
  std::string TryFetch(std::string_view section, std::string_view entry);

  // Sets `value` to the stored value converted to the variable's type (the runtime's
  // conversions: a value that is not a number gives 0; one out of the variable's range leaves it
  // unchanged); when the entry is missing the variable keeps what it holds.
  //   Long autoConnect = 0;  ini.Fetch("MSSQLConnect", "LOC:AutoConnect", autoConnect);
  //   String<30> server;     ini.Fetch("MSSQLConnect", "LOC:Server", server);
  void Fetch(std::string_view section, std::string_view entry, const VarRef& value) {
    std::optional<std::string> text = FindStored(section, entry);
    if (text) AssignSetting(value, *text);
  }
  // The same for a std::string, bool or any arithmetic variable (see AssignSetting).
  template <class T>
  requires kPlainSettingType<T>
  void Fetch(std::string_view section, std::string_view entry, T& value) {
    std::optional<std::string> text = FindStored(section, entry);
    if (text) AssignSetting(value, *text);
  }
  // The stored value of `entry`, or nullopt when it is missing (what Fetch relies on).
  std::optional<std::string> FindStored(std::string_view section, std::string_view entry);

  // The n-th comma-separated item of the stored value (n = 1 is the text before the first comma,
  // the last item runs to the end of the value). A missing entry reads as "---Unknown---". An n
  // of 0 or beyond the last item gives "".
  std::string FetchField(std::string_view section, std::string_view entry, std::uint8_t n);

  // Stores `value`: text as it is, a number as SettingText writes it, a runtime variable as its
  // text clipped of trailing blanks (VarRef::ToClippedText).
  void Update(std::string_view section, std::string_view entry, std::string_view value);
  void Update(std::string_view section, std::string_view entry, const VarRef& value) {
    Update(section, entry, std::string_view(value.ToClippedText()));
  }
  template <class T>
  requires std::is_arithmetic_v<T>
  void Update(std::string_view section, std::string_view entry, T value) {
    Update(section, entry, std::string_view(SettingText(value)));
  }
  // Removes the entry; a missing one is not an error.
  void DeleteEntry(std::string_view section, std::string_view entry);

  // ---- Saved lists. Thread: any; the list belongs to the caller.
  //
  // `fields` names up to four fields of the record type (QueueFieldOf(&R::member) for a data
  // member); further ones are ignored. Fields are named without gaps, so field i is stored as
  // item i of the record's value (JoinListItems and ListItem in QueueField.h: a field holding
  // "," is written in double quotes and comes back whole). An unquoted last field takes the
  // rest of the value when loaded, as lists written before fields were quoted need.

  // Appends one record per stored entry name_1 .. name_count (count from entry `name`; missing,
  // negative or not a number = 0, at most kQueueCountMax). Each record starts as R{} and gets
  // its fields from items 1, 2, ... of its entry; a missing entry gives "---Unknown---" as the
  // first field.
  template <class R>
  void FetchQueue(std::string_view section, std::string_view name, std::vector<R>& list,
                  const std::vector<QueueField<R>>& fields) {
    std::size_t count = fields.size() < kQueueFieldsMax ? fields.size() : kQueueFieldsMax;
    FetchRows(section, name, count, [&](const std::vector<std::string>& items) {
      R record{};
      for (std::size_t i = 0; i < count; ++i) {
        if (fields[i].set) fields[i].set(record, items[i]);
      }
      list.push_back(std::move(record));
    });
  }

  // Writes entry `name` := the number of records, then name_i := the named fields of record i
  // joined by "," as JoinListItems does (cut to kQueueValueMax bytes at a whole character). Entries
  // of an earlier, longer list beyond the new count are left in place and ignored by FetchQueue.
  template <class R>
  void UpdateQueue(std::string_view section, std::string_view name, const std::vector<R>& list,
                   const std::vector<QueueField<R>>& fields) {
    std::size_t count = fields.size() < kQueueFieldsMax ? fields.size() : kQueueFieldsMax;
    UpdateRows(section, name, list.size(), [&](std::size_t index) {
      std::vector<std::string> items;
      for (std::size_t i = 0; i < count; ++i) {
        items.push_back(fields[i].get ? fields[i].get(list[index]) : std::string());
      }
      return items;
    });
  }

  // ---- Windows. Thread: the window's owning thread. CRITSECT is held while the window is read
  // or changed, which WindowPlacement allows.

  // Restores the window saved under `procedureName`. When "Maximize" is neither "Yes" nor "No"
  // nothing was saved and the window stays as designed. Otherwise: a maximised window that is to
  // be normal is restored first; the position is set from "XPos"/"YPos" (a missing one passed as
  // WindowPlacement::kPlacementNotSet, which leaves it); a resizable window gets the stored
  // "Width"/"Height" (each only when stored); the window is maximised when "Maximize" is "Yes"
  // and it was not; finally it is minimised or not as "Minimize" says ("Yes").
  void FetchWindow(std::string_view procedureName, WindowPlacement& window);

  // Saves the window under `procedureName`: "Maximize" and "Minimize" as "Yes"/"No"; a window
  // that is neither maximised nor minimised also stores "XPos" and "YPos", and when resizable
  // "Width" and "Height"; each of these four not stored is deleted.
  void UpdateWindowPosition(std::string_view procedureName, const WindowPlacement& window);

  // ---- Write failures. Thread: any.

  // `handler` is called with the settings file's name the first time a write to it fails as a
  // whole (kind 0 only), and never again for this manager. It runs on the writing thread after
  // the operation has released CRITSECT (so it may show a message), unless the caller itself
  // holds CRITSECT around the operation. Empty: nobody is told.
  using WriteFailureHandler = std::function<void(const std::string& file)>;
  void SetWriteFailureHandler(WriteFailureHandler handler);

  // ---- Sectors. Thread: any. Before Init and after Kill there is no SECTORS: AddSector does
  // nothing and GetSectors gives an empty list.

  // BuildSectorString(family, item, type) (see SectorRecord.h).
  std::string SectorName(std::string_view family, std::string_view item, std::string_view type);
  // Parses `sectorString` and adds the sector unless it is registered already. Kill stores it
  // even when another copy of the program removed it meanwhile.
  void AddSector(std::string_view sectorString);
  // Parses `sectorString` and removes that sector; Kill keeps it out of the stored list even
  // when another copy of the program still has it. A sector that is not there is not an error.
  void DeleteSector(std::string_view sectorString);
  // Empties `list` and appends, in order, each sector whose FAMILY, ITEM and TYPE equal the
  // given filters (an empty filter matches everything; `item` is compared with the escaped form,
  // see EscapeSectorItem), as a record of its FAMILY, its unescaped ITEM (at most 100 bytes)
  // and its TYPE.
  void GetSectors(std::string_view family, std::string_view item, std::string_view type,
                  std::vector<SectorRecord>& list);

 private:
  void FetchRows(std::string_view section, std::string_view name, std::size_t fieldCount,
                 const std::function<void(const std::vector<std::string>&)>& append);
  void UpdateRows(std::string_view section, std::string_view name, std::size_t count,
                  const std::function<std::vector<std::string>(std::size_t)>& row);

  // Collects kind-0 writes while it lives (nested scopes join the outermost one).
  class BatchScope;
  // Tells the write-failure handler, when the outermost scope of the thread ends.
  class ReportScope;
  void NoteWriteStatus(ProfileStatus status, std::string_view file);
  void ReportWriteFailure();
  void FlushPendingWrites();

  // Sectors this run added and removed (sorted, unique), applied to the stored list by Kill.
  // Guarded by CRITSECT.
  std::vector<SectorRecord> addedSectors_;
  std::vector<SectorRecord> removedSectors_;

  // Settings-file writes collected by a BatchScope, for the file pendingFile_; applied when the
  // outermost scope ends, or before any read. Guarded by CRITSECT.
  std::vector<ProfileChange> pendingWrites_;
  std::string pendingFile_;
  int batchDepth_ = 0;

  // The file of the first write that failed as a whole, whether the handler has been told,
  // and the handler. Guarded by CRITSECT.
  std::string failedFile_;
  bool failureReported_ = false;
  WriteFailureHandler onWriteFailure_;
};

}  // namespace kv
