#include "framework/window/IniManager.h"

#include <algorithm>

#include "platform/settings/LockedFile.h"
#include "platform/settings/ProfileFile.h"
#include "platform/settings/RegistryStore.h"

namespace kv {
namespace {

// A default that no storage can hold (stored values never contain a line break), so a read that
// returns it found nothing.
constexpr std::string_view kMissing = "\n<missing>\n";

constexpr std::int32_t kNotSet = WindowPlacement::kPlacementNotSet;

std::vector<QueueField<SectorRecord>> SectorFields() {
  return {QueueFieldOf(&SectorRecord::FAMILY, kSectorFieldMax),
          QueueFieldOf(&SectorRecord::ITEM, kSectorFieldMax),
          QueueFieldOf(&SectorRecord::TYPE, kSectorFieldMax)};
}

std::uint32_t RegistryRoot(std::int32_t extraData) {
  return extraData == 0 ? kDefaultRegistryRoot : static_cast<std::uint32_t>(extraData);
}

std::string RegistryKey(std::string_view file, std::string_view section) {
  if (file.empty()) return std::string(section);
  std::string key(file);
  key += '\\';
  key += section;
  return key;
}

// A stored window number: missing or empty is "not stored", anything else converts (a value
// that is not a number gives 0).
std::int32_t StoredNumber(const std::string& text) {
  if (text.empty()) return kNotSet;
  long long v = SettingToInteger(text);
  if (v < INT32_MIN) v = INT32_MIN;
  if (v > INT32_MAX) v = INT32_MAX;
  return static_cast<std::int32_t>(v);
}

// Sorted, duplicate-free sector lists.
void InsertSorted(std::vector<SectorRecord>& list, SectorRecord record) {
  auto at = std::lower_bound(list.begin(), list.end(), record);
  if (at == list.end() || *at != record) list.insert(at, std::move(record));
}

void EraseSorted(std::vector<SectorRecord>& list, const SectorRecord& record) {
  auto at = std::lower_bound(list.begin(), list.end(), record);
  if (at != list.end() && *at == record) list.erase(at);
}

}  // namespace

class IniManager::BatchScope {
 public:
  explicit BatchScope(IniManager& owner) : owner_(owner) { ++owner_.batchDepth_; }
  ~BatchScope() {
    if (--owner_.batchDepth_ == 0) owner_.FlushPendingWrites();
  }
  BatchScope(const BatchScope&) = delete;
  BatchScope& operator=(const BatchScope&) = delete;

 private:
  IniManager& owner_;  // its CRITSECT is held by the operation that made this scope
};

class IniManager::ReportScope {
 public:
  explicit ReportScope(IniManager& owner) : owner_(owner) { ++depth_; }
  ~ReportScope() {
    if (--depth_ == 0) owner_.ReportWriteFailure();
  }
  ReportScope(const ReportScope&) = delete;
  ReportScope& operator=(const ReportScope&) = delete;

 private:
  IniManager& owner_;
  static thread_local int depth_;  // scopes open on this thread
};

thread_local int IniManager::ReportScope::depth_ = 0;

void IniManager::SetWriteFailureHandler(WriteFailureHandler handler) {
  CriticalGuard guard(*CRITSECT);
  onWriteFailure_ = std::move(handler);
}

void IniManager::NoteWriteStatus(ProfileStatus status, std::string_view file) {
  // Refused names and values are the caller's fault and cost only that write; an I/O failure
  // means the file cannot be written at all.
  if (status == ProfileStatus::kIoError && failedFile_.empty()) failedFile_.assign(file);
}

void IniManager::ReportWriteFailure() {
  WriteFailureHandler handler;
  std::string file;
  {
    CriticalGuard guard(*CRITSECT);
    if (failedFile_.empty() || failureReported_ || !onWriteFailure_) return;
    failureReported_ = true;
    handler = onWriteFailure_;
    file = failedFile_;
  }
  handler(file);
}

void IniManager::FlushPendingWrites() {
  CriticalGuard guard(*CRITSECT);
  if (pendingWrites_.empty()) return;
  std::vector<ProfileChange> changes = std::move(pendingWrites_);
  pendingWrites_.clear();
  ProfileStatus status = ApplyProfileChanges(changes, pendingFile_);
  if (status == ProfileStatus::kInvalidName || status == ProfileStatus::kInvalidValue) {
    // One refused change must not cost the others: apply them one by one.
    for (const ProfileChange& change : changes)
      NoteWriteStatus(ApplyProfileChanges({change}, pendingFile_), pendingFile_);
  }
  NoteWriteStatus(status, pendingFile_);
}

IniManager::IniManager() : CRITSECT(std::make_unique<CriticalSection>()) {}

IniManager::~IniManager() = default;

std::string IniManager::TryFetch(std::string_view section, std::string_view entry,
                                 std::string_view defaultValue, std::string_view file) {
  CriticalGuard guard(*CRITSECT);
  switch (NVTYPE) {
    case kIniSettingsFile:
      FlushPendingWrites();  // a read sees every write made before it
      return GetProfileString(section, entry, defaultValue, std::string(file));
    case kIniRegistry: {
      std::optional<std::string> value =
          RegistryGetValue(RegistryRoot(EXTRADATA), RegistryKey(file, section), entry);
      if (!value || value->empty()) return std::string(defaultValue);
      return std::move(*value);
    }
    default:
      return std::string(defaultValue);
  }
}

void IniManager::Update(std::string_view section, std::string_view entry,
                        std::optional<std::string_view> value, std::string_view file) {
  ReportScope report(*this);
  CriticalGuard guard(*CRITSECT);
  ProfileStatus ignored = ProfileStatus::kOk;  // refused writes are dropped, as documented
  switch (NVTYPE) {
    case kIniSettingsFile:
      if (batchDepth_ > 0) {
        if (!pendingWrites_.empty() && pendingFile_ != file) FlushPendingWrites();
        pendingFile_.assign(file);
        pendingWrites_.push_back({std::string(section), std::string(entry),
                                  value ? std::optional<std::string>(*value) : std::nullopt});
        break;
      }
      ignored = value ? PutProfileString(section, entry, *value, std::string(file))
                      : DeleteProfileEntry(section, entry, std::string(file));
      NoteWriteStatus(ignored, file);
      break;
    case kIniRegistry: {
      std::uint32_t root = RegistryRoot(EXTRADATA);
      std::string key = RegistryKey(file, section);
      ignored = value && !value->empty() ? RegistrySetValue(root, key, entry, *value)
                                         : RegistryDeleteValue(root, key, entry);
      break;
    }
    default:
      break;
  }
  (void)ignored;
}

void IniManager::BeforeLoadSectors() {}

void IniManager::Update() {}

void IniManager::Init(std::string_view fileName, std::int32_t storageKind, std::int32_t extraData) {
  CriticalGuard guard(*CRITSECT);
  FILENAME.assign(CutSettingText(fileName, kFileNameMax));
  NVTYPE = storageKind;
  EXTRADATA = extraData;
  SECTORS = std::make_unique<std::vector<SectorRecord>>();
  addedSectors_.clear();
  removedSectors_.clear();
  BeforeLoadSectors();
  FetchQueue(kSectorSection, kSectorName, *SECTORS, SectorFields());
  // The stored list may have been edited by hand; the invariant is restored at once.
  std::sort(SECTORS->begin(), SECTORS->end());
  SECTORS->erase(std::unique(SECTORS->begin(), SECTORS->end()), SECTORS->end());
}

void IniManager::Kill() {
  ReportScope report(*this);
  CriticalGuard guard(*CRITSECT);
  if (!SECTORS) return;
  // Another copy of the program using the same storage may have registered or removed sectors
  // since this one loaded them: start from what is stored now and apply only this run's own
  // changes, so that neither copy drops the other's. The storage's directory is held meanwhile,
  // so two copies that end at the same moment merge one after the other.
  std::unique_ptr<DirectoryLock> hold;
  if (NVTYPE == kIniSettingsFile) hold = std::make_unique<DirectoryLock>(FILENAME);
  if (NVTYPE == kIniRegistry) {
    std::string registryFile = RegistryFilePath(RegistryRoot(EXTRADATA));
    if (!registryFile.empty()) hold = std::make_unique<DirectoryLock>(registryFile);
  }
  std::vector<SectorRecord> merged;
  FetchQueue(kSectorSection, kSectorName, merged, SectorFields());
  std::erase_if(merged, [&](const SectorRecord& r) {
    return std::binary_search(removedSectors_.begin(), removedSectors_.end(), r);
  });
  merged.insert(merged.end(), addedSectors_.begin(), addedSectors_.end());
  std::sort(merged.begin(), merged.end());
  merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
  UpdateQueue(kSectorSection, kSectorName, merged, SectorFields());
  SECTORS.reset();
  addedSectors_.clear();
  removedSectors_.clear();
}

std::string IniManager::TryFetch(std::string_view section, std::string_view entry) {
  CriticalGuard guard(*CRITSECT);
  return TryFetch(section, entry, "", FILENAME);
}

std::optional<std::string> IniManager::FindStored(std::string_view section,
                                                  std::string_view entry) {
  CriticalGuard guard(*CRITSECT);
  std::string value = TryFetch(section, entry, kMissing, FILENAME);
  if (value == kMissing) return std::nullopt;
  return value;
}

std::string IniManager::FetchField(std::string_view section, std::string_view entry,
                                   std::uint8_t n) {
  CriticalGuard guard(*CRITSECT);
  std::string value = TryFetch(section, entry, kUnknownField, FILENAME);
  return ListItem(value, n);
}

void IniManager::Update(std::string_view section, std::string_view entry, std::string_view value) {
  ReportScope report(*this);
  CriticalGuard guard(*CRITSECT);
  Update(section, entry, std::optional<std::string_view>(value), FILENAME);
}

void IniManager::DeleteEntry(std::string_view section, std::string_view entry) {
  ReportScope report(*this);
  CriticalGuard guard(*CRITSECT);
  Update(section, entry, std::nullopt, FILENAME);
}

void IniManager::FetchRows(std::string_view section, std::string_view name, std::size_t fieldCount,
                           const std::function<void(const std::vector<std::string>&)>& append) {
  CriticalGuard guard(*CRITSECT);
  long long count = SettingToInteger(TryFetch(section, name));
  if (count < 0) count = 0;
  if (count > static_cast<long long>(kQueueCountMax)) count = kQueueCountMax;
  std::vector<std::string> items(fieldCount);
  for (long long i = 1; i <= count; ++i) {
    std::string entry = std::string(name) + "_" + std::to_string(i);
    std::string value = TryFetch(section, entry, kUnknownField, FILENAME);
    for (std::size_t f = 1; f <= fieldCount; ++f) {
      items[f - 1] = ListItem(value, f, /*rest=*/f == fieldCount);
    }
    append(items);
  }
}

void IniManager::UpdateRows(std::string_view section, std::string_view name, std::size_t count,
                            const std::function<std::vector<std::string>(std::size_t)>& row) {
  ReportScope report(*this);
  CriticalGuard guard(*CRITSECT);
  BatchScope batch(*this);
  Update(section, name, std::to_string(count));
  for (std::size_t i = 0; i < count; ++i) {
    std::string value = JoinListItems(row(i));
    std::string entry = std::string(name) + "_" + std::to_string(i + 1);
    Update(section, entry, CutSettingText(value, kQueueValueMax));
  }
}

void IniManager::FetchWindow(std::string_view procedureName, WindowPlacement& window) {
  CriticalGuard guard(*CRITSECT);
  std::string maximize = TryFetch(procedureName, "Maximize");
  if (maximize != "Yes" && maximize != "No") return;  // nothing stored: keep the design
  bool maximized = maximize == "Yes";
  bool minimized = TryFetch(procedureName, "Minimize") == "Yes";
  std::int32_t x = StoredNumber(TryFetch(procedureName, "XPos"));
  std::int32_t y = StoredNumber(TryFetch(procedureName, "YPos"));
  std::int32_t w = StoredNumber(TryFetch(procedureName, "Width"));
  std::int32_t h = StoredNumber(TryFetch(procedureName, "Height"));

  bool wasMaximized = window.IsMaximized();
  if (wasMaximized && !maximized) window.SetMaximized(false);
  window.SetPosition(x, y);
  if (window.IsResizable() && (w != kNotSet || h != kNotSet)) window.SetSize(w, h);
  if (maximized && !wasMaximized) window.SetMaximized(true);
  window.SetMinimized(minimized);
}

void IniManager::UpdateWindowPosition(std::string_view procedureName,
                                      const WindowPlacement& window) {
  ReportScope report(*this);
  CriticalGuard guard(*CRITSECT);
  BatchScope batch(*this);
  bool maximized = window.IsMaximized();
  bool minimized = window.IsMinimized();
  std::int32_t x = kNotSet, y = kNotSet, w = kNotSet, h = kNotSet;
  if (!maximized && !minimized) {
    x = window.PositionX();
    y = window.PositionY();
    if (window.IsResizable()) {
      w = window.Width();
      h = window.Height();
    }
  }
  Update(procedureName, "Maximize", maximized ? "Yes" : "No");
  Update(procedureName, "Minimize", minimized ? "Yes" : "No");
  const std::pair<std::string_view, std::int32_t> numbers[] = {
      {"XPos", x}, {"YPos", y}, {"Width", w}, {"Height", h}};
  for (const auto& [entry, value] : numbers) {
    if (value == kNotSet) {
      DeleteEntry(procedureName, entry);
    } else {
      Update(procedureName, entry, value);
    }
  }
}

std::string IniManager::SectorName(std::string_view family, std::string_view item,
                                   std::string_view type) {
  CriticalGuard guard(*CRITSECT);
  return BuildSectorString(family, item, type);
}

void IniManager::AddSector(std::string_view sectorString) {
  CriticalGuard guard(*CRITSECT);
  if (!SECTORS) return;
  SectorRecord record = ParseSectorString(sectorString);
  InsertSorted(addedSectors_, record);
  EraseSorted(removedSectors_, record);
  InsertSorted(*SECTORS, std::move(record));
}

void IniManager::DeleteSector(std::string_view sectorString) {
  CriticalGuard guard(*CRITSECT);
  if (!SECTORS) return;
  SectorRecord record = ParseSectorString(sectorString);
  EraseSorted(addedSectors_, record);
  EraseSorted(*SECTORS, record);
  InsertSorted(removedSectors_, std::move(record));
}

void IniManager::GetSectors(std::string_view family, std::string_view item, std::string_view type,
                            std::vector<SectorRecord>& list) {
  CriticalGuard guard(*CRITSECT);
  list.clear();
  if (!SECTORS) return;
  for (const SectorRecord& sector : *SECTORS) {
    if (!family.empty() && sector.FAMILY != family) continue;
    if (!item.empty() && sector.ITEM != item) continue;
    if (!type.empty() && sector.TYPE != type) continue;
    std::string unescaped = UnescapeSectorItem(sector.ITEM);
    list.push_back({sector.FAMILY, std::string(CutSettingText(unescaped, 100)), sector.TYPE});
  }
}

}  // namespace kv
