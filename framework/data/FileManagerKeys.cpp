// Key descriptions of FileManager and the queries that relations and views make on them.

#include <cfloat>
#include <cstdint>
#include <limits>
#include <string>

#include "framework/data/FileManager.h"
#include "platform/values/Utf8Text.h"

namespace kv {

bool FileManager::AddKey(int key, std::string_view description, int autoIncComponent) {
  if (FILE == nullptr) return false;
  const std::vector<KeyDecl>& keys = FILE->Decl().Keys();
  if (key < 1 || key > static_cast<int>(keys.size())) return false;
  const KeyDecl& decl = keys[key - 1];
  const FieldTable* fields = BUFFER.fields;
  if (fields == nullptr) fields = RecordBuffer::Of(*FILE).fields;
  void* record = Record() != nullptr ? Record() : FILE->Record();

  KeyDescription row;
  row.KEY = key;
  row.PDESCRIPTION = std::string(description.substr(0, Utf8CutLength(description, 80)));
  row.AUTOINC = static_cast<std::uint8_t>(
      autoIncComponent > 0 && autoIncComponent <= static_cast<int>(decl.components.size())
          ? autoIncComponent
          : 0);
  if (row.AUTOINC != 0) HASAUTOINC = true;
  row.DUPS = decl.duplicates;
  row.NOCASE = decl.noCase;
  for (const KeyComponent& c : decl.components) {
    KeyComponentDescription comp;
    comp.ASCEND = c.ascending;
    if (fields != nullptr) {
      comp.FIELD = fields->Ref(record, c.field + 1);
      const FieldDesc* desc = fields->Field(c.field + 1);
      std::string name = desc != nullptr ? std::string(desc->label) : std::string();
      comp.FIELDNAME = row.NOCASE && comp.FIELD.IsText() ? "UPPER(" + name + ")" : name;
    }
    row.FIELDS.push_back(std::move(comp));
  }
  KEYS.push_back(std::move(row));
  if (decl.primary) PRIMARYKEY = static_cast<std::uint8_t>(KEYS.size());
  return true;
}

const KeyDescription* FileManager::FindKey(int key) const {
  for (const KeyDescription& k : KEYS)
    if (k.KEY == key) return &k;
  return nullptr;
}

int FileManager::GetComponents(int key) const {
  const KeyDescription* k = FindKey(key);
  return k != nullptr ? static_cast<int>(k->FIELDS.size()) : 0;
}

std::string FileManager::GetFieldName(int key, int component) const {
  const KeyDescription* k = FindKey(key);
  if (k == nullptr || component < 1 || component > static_cast<int>(k->FIELDS.size())) return {};
  return k->FIELDS[component - 1].FIELDNAME;
}

bool FileManager::IsAscending(int key, int component) const {
  const KeyDescription* k = FindKey(key);
  if (k == nullptr || component < 1 || component > static_cast<int>(k->FIELDS.size())) return true;
  return k->FIELDS[component - 1].ASCEND;
}

VarRef FileManager::GetField(int key, int component) const {
  const KeyDescription* k = FindKey(key);
  if (k == nullptr || component < 1 || component > static_cast<int>(k->FIELDS.size())) return {};
  return k->FIELDS[component - 1].FIELD;
}

std::string FileManager::KeyOrderText(int key, int from) const {
  const KeyDescription* k = FindKey(key);
  if (k == nullptr) return {};
  std::string text;
  for (int c = from < 1 ? 1 : from; c <= static_cast<int>(k->FIELDS.size()); ++c) {
    if (!text.empty()) text += ',';
    if (!k->FIELDS[c - 1].ASCEND) text += '-';
    text += k->FIELDS[c - 1].FIELDNAME;
  }
  return text;
}

void FileManager::ClearKeyComponents(int key, int first, int last, bool high) {
  const KeyDescription* k = FindKey(key);
  if (k == nullptr) return;
  for (int c = first < 1 ? 1 : first; c <= last; ++c) {
    if (c > static_cast<int>(k->FIELDS.size())) break;
    const KeyComponentDescription& comp = k->FIELDS[c - 1];
    SetExtreme(comp.FIELD, high == comp.ASCEND);
  }
}

void FileManager::SetExtreme(const VarRef& field, bool high) {
  if (field.IsNull()) return;
  switch (field.Type()) {
    case ValueType::kString:
    case ValueType::kCString: {
      if (!high) {
        field.Clear();
        return;
      }
      // The highest code point, as many times as fits: above every text a user can type.
      std::string text;
      const std::size_t room =
          field.Type() == ValueType::kCString ? field.Size() - 1 : field.Size();
      while (text.size() + 4 <= room) text += "\xF4\x8F\xBF\xBF";
      (void)field.SetText(text);
      return;
    }
    case ValueType::kByte:
      (void)field.SetInteger(high ? std::numeric_limits<Byte>::max() : 0);
      return;
    case ValueType::kShort:
      (void)field.SetInteger(high ? std::numeric_limits<Short>::max()
                                  : std::numeric_limits<Short>::min());
      return;
    case ValueType::kUShort:
      (void)field.SetInteger(high ? std::numeric_limits<UShort>::max() : 0);
      return;
    case ValueType::kLong:
      (void)field.SetInteger(high ? std::numeric_limits<Long>::max()
                                  : std::numeric_limits<Long>::min());
      return;
    case ValueType::kDecimal: {
      const int digits = field.Digits(), places = field.Places();
      std::string text = high ? "" : "-";
      text += std::string(static_cast<std::size_t>(std::max(digits - places, 1)), '9');
      if (places > 0) text += "." + std::string(static_cast<std::size_t>(places), '9');
      if (digits - places < 1)
        text = high ? "0." + std::string(places, '9') : "-0." + std::string(places, '9');
      (void)field.SetText(text);
      return;
    }
    case ValueType::kReal:
      (void)field.SetReal(high ? DBL_MAX : -DBL_MAX);
      return;
  }
}

}  // namespace kv
