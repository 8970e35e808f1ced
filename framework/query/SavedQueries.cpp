// Saved queries: the query's values kept in the settings file under a name.
#include <algorithm>

#include "framework/errors/ErrorManager.h"
#include "framework/errors/MessageIds.h"
#include "framework/query/QueryManager.h"
#include "framework/window/IniManager.h"
#include "platform/values/Utf8Text.h"

namespace kv {
namespace {

// The stored row of a field: NAME, MIDDLE, LOW, HIGH, in that order.
std::vector<QueueField<QueryField>> RowFields() {
  return {QueueFieldOf(&QueryField::NAME), QueueFieldOf(&QueryField::MIDDLE),
          QueueFieldOf(&QueryField::LOW), QueueFieldOf(&QueryField::HIGH)};
}

constexpr std::string_view kRowsName = "Query";  // the saved list's name within the sector

// The settings file compares section names ignoring ASCII case only.
bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// "^" in front of a value that has none in its first two characters (a value typed for a
// column saved as UPPER(x) compares without regard to case on the plain column x).
void AddCaret(String<500>& value) {
  std::string_view text = value.Clipped();
  if (text.empty() || text.substr(0, 2).find('^') != std::string_view::npos) return;
  value = "^" + std::string(text);
}

// A value saved with "^" keeps it, its rest in capitals, as the filter reads it anyway.
void UpperAfterCaret(String<500>& value) {
  std::string_view text = value.Clipped();
  if (text.starts_with('^')) value = "^" + UpperText(text.substr(1));
}

bool StartsWithUpperCall(std::string_view name) {
  return UpperText(name.substr(0, 6)) == "UPPER(";
}

}  // namespace

bool QueryManager::IsValidQueryName(std::string_view name) {
  name = TrimBlanks(name);
  if (name.empty() || !IsValidUtf8(name)) return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  if (name.find_first_of("|{}[]") != std::string_view::npos) return false;
  if (name.front() == '~' || name.front() == '+' || name.front() == '-') return false;
  return EscapeSectorItem(name).size() <= kQueryNameMax;
}

std::string QueryManager::SectorFor(std::string_view name) {
  return Settings->SectorName(Family, name, kQueryType);
}

void QueryManager::ListSavedQueries(std::vector<SectorRecord>& list) {
  list.clear();
  if (Settings == nullptr) return;
  Settings->GetSectors(Family, "", kQueryType, list);
  // An empty family would match every family's queries.
  std::erase_if(list,
                [&](const SectorRecord& r) { return r.FAMILY != Family || r.ITEM == kMruName; });
  std::stable_sort(list.begin(), list.end(),
                   [](const SectorRecord& a, const SectorRecord& b) { return a.ITEM < b.ITEM; });
}

bool QueryManager::SaveQuery(std::string_view name) {
  name = TrimBlanks(name);
  if (Settings == nullptr || !Fields || !IsValidQueryName(name)) return false;
  std::vector<SectorRecord> saved;
  Settings->GetSectors(Family, "", kQueryType, saved);
  for (const SectorRecord& r : saved) {
    if (r.FAMILY == Family && r.ITEM != name && SameIgnoringAsciiCase(r.ITEM, name)) {
      Settings->DeleteSector(SectorFor(r.ITEM));  // the same section of the file
    }
  }
  std::string sector = SectorFor(name);
  Settings->AddSector(sector);
  Settings->UpdateQueue(sector, kRowsName, *Fields, RowFields());
  return true;
}

void QueryManager::DeleteQuery(std::string_view name) {
  name = TrimBlanks(name);
  if (Settings == nullptr || name.empty()) return;
  std::string sector = SectorFor(name);
  long long count = SettingToInteger(Settings->TryFetch(sector, kRowsName));
  for (long long i = 1; i <= count && i <= static_cast<long long>(IniManager::kQueueCountMax);
       ++i) {
    Settings->DeleteEntry(sector, std::string(kRowsName) + "_" + std::to_string(i));
  }
  Settings->DeleteEntry(sector, kRowsName);
  Settings->DeleteSector(sector);
}

void QueryManager::RestoreQuery(std::string_view name) {
  ClearQuery();
  if (Settings == nullptr || !Fields) return;
  std::vector<QueryField> rows;
  Settings->FetchQueue(SectorFor(TrimBlanks(name)), kRowsName, rows, RowFields());
  for (QueryField& row : rows) RestoreRow(row);
}

void QueryManager::RestoreRow(QueryField stored) {
  std::string name(stored.NAME.Clipped());
  QueryField* field = FindField(name);
  if (field == nullptr && !StartsWithUpperCall(name)) field = FindField("UPPER(" + name + ")");
  if (field == nullptr && StartsWithUpperCall(name) && name.ends_with(')')) {
    field = FindField(std::string_view(name).substr(6, name.size() - 7));
    std::string_view picture = field != nullptr ? field->PICTURE.Clipped() : std::string_view();
    if (field != nullptr && (picture.empty() || picture[0] == 'S' || picture[0] == 's')) {
      AddCaret(stored.MIDDLE);
      AddCaret(stored.LOW);
      AddCaret(stored.HIGH);
    }
  }
  if (field == nullptr) {
    if (Errors != nullptr) {
      Errors->SetFieldName(name);
      (void)Errors->Raise(MsgQueryColumnDropped);
    }
    return;
  }
  field->MIDDLE = stored.MIDDLE.Clipped();
  field->LOW = stored.LOW.Clipped();
  field->HIGH = stored.HIGH.Clipped();
  UpperAfterCaret(field->MIDDLE);
  UpperAfterCaret(field->LOW);
  UpperAfterCaret(field->HIGH);
  if (Style() == SingleValueStyle) {
    if (field->MIDDLE.Clipped().empty()) field->MIDDLE = field->LOW.Clipped();
    field->LOW = "";
    field->HIGH = "";
  }
}

}  // namespace kv
