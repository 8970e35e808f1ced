#pragma once

#include <vector>

#include "platform/storage/RecordLayout.h"
#include "platform/values/FieldTable.h"

namespace kv {

// The RecordLayout of a record struct described by a FieldTable: this is how table declarations
// bind the program's records. Field n of the FieldTable (from 1) is field n-1 here; each field's
// column is its external column name (FieldDesc::ColumnName). STRING(n) maps to text of n bytes,
// CSTRING(n) to text of n-1 bytes, BYTE/SHORT/USHORT/LONG to integers, DECIMAL(d,p) to an exact
// decimal of d digits with p places, REAL to a double.
//
// Values cross as exact text for decimals (never through a double) and as clipped text for
// strings. The field table must outlive the layout. Immutable after construction; any thread.
class FieldTableLayout final : public RecordLayout {
 public:
  explicit FieldTableLayout(const FieldTable& fields);

  std::size_t RecordSize() const override { return fields_.RecordSize(); }
  int FieldCount() const override { return int(columns_.size()); }
  const ColumnDesc& Column(int field) const override { return columns_[field]; }
  SqlValue Get(const void* record, int field) const override;
  // A value the field cannot hold (a decimal past its digits, text that is not a number for a
  // numeric field) leaves the field cleared rather than half-written.
  void Set(void* record, int field, const SqlValue& value) const override;
  void Clear(void* record) const override { fields_.ClearRecord(record); }

  const FieldTable& Fields() const { return fields_; }

 private:
  VarRef Ref(const void* record, int field) const;

  const FieldTable& fields_;
  std::vector<ColumnDesc> columns_;
};

}  // namespace kv
