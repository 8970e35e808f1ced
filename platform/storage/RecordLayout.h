#pragma once

#include <cstddef>

#include "platform/storage/SqlValue.h"

namespace kv {

// How a record buffer maps to columns: the number of fields, each field's column description,
// and reading and writing a field of a record image as an SqlValue. Drivers see records only
// through this interface. Implementations are immutable after construction and may be used from
// any thread (the record images they are given belong to the caller).
class RecordLayout {
 public:
  virtual ~RecordLayout() = default;

  // Bytes of one record image.
  virtual std::size_t RecordSize() const = 0;
  // Number of fields; fields are numbered from 0 here (the runtime's field 1 is field 0).
  virtual int FieldCount() const = 0;
  virtual const ColumnDesc& Column(int field) const = 0;

  // The value of `field` in `record`: text clipped of trailing blanks, decimals as exact text.
  virtual SqlValue Get(const void* record, int field) const = 0;
  // Stores `value` into `field` of `record`, converting as the field's type does; a null value
  // clears the field. Text longer than the field is cut without splitting a character.
  virtual void Set(void* record, int field, const SqlValue& value) const = 0;
  // Clears every field of `record` (blank text, zero numbers).
  virtual void Clear(void* record) const = 0;
};

}  // namespace kv
