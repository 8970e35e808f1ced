#include "platform/values/FieldTable.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/values/Utf8Text.h"

namespace kv {

FieldTable::FieldTable(std::size_t recordSize, std::initializer_list<FieldDesc> fields)
    : recordSize_(recordSize), fields_(fields) {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const FieldDesc& f = fields_[i];
    bool fits = f.size > 0 && f.offset + f.size <= recordSize_;
    bool unique = true;
    for (std::size_t j = 0; j < i; ++j) unique = unique && !EqualNoCase(fields_[j].label, f.label);
    if (!fits || !unique) {
      // A wrong table would silently corrupt records; stop before any record is touched.
      std::fprintf(stderr, "field table: bad field %.*s\n", static_cast<int>(f.label.size()),
                   f.label.data());
      std::abort();
    }
  }
}

const FieldDesc* FieldTable::Field(int n) const {
  if (n < 1 || n > Count()) return nullptr;
  return &fields_[static_cast<std::size_t>(n - 1)];
}

int FieldTable::Find(std::string_view label) const {
  std::string_view wanted = TrimBlanks(label);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (EqualNoCase(fields_[i].label, wanted)) return static_cast<int>(i) + 1;
  }
  return 0;
}

int FieldTable::FindName(std::string_view name) const {
  std::string_view wanted = TrimBlanks(name);
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (EqualNoCase(fields_[i].Name(), wanted) || EqualNoCase(fields_[i].ColumnName(), wanted)) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

VarRef FieldTable::Ref(void* record, int n) const {
  const FieldDesc* f = Field(n);
  if (f == nullptr || record == nullptr) return VarRef();
  return VarRef(static_cast<unsigned char*>(record) + f->offset, f->type, f->size, f->digits,
                f->places);
}

void FieldTable::ClearRecord(void* record) const {
  if (record == nullptr) return;
  std::memset(record, 0, recordSize_);
  for (int n = 1; n <= Count(); ++n) Ref(record, n).Clear();
}

}  // namespace kv
