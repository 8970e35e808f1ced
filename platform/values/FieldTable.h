#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/values/FieldDesc.h"
#include "platform/values/VarRef.h"

namespace kv {

// True for types that can be record structs: a record image is a byte copy of the struct and
// two records are equal when their bytes are. Use in a static_assert beside the struct.
template <typename R>
inline constexpr bool kIsRecordType =
    std::is_trivially_copyable_v<R>&& std::is_standard_layout_v<R>;

// The fields of one record layout, numbered from 1 in declaration order and found by label
// without regard to case. Built once (usually as a function-local static) and then only
// read, so any thread may use a table concurrently. The table does not own record buffers;
// Ref() hands out references into a buffer the caller owns.
//
// Declaring a record:
//   struct ProductsRecord { String<20> PCODE; String<50> DESCRIPTION; Decimal<11, 2> PRICE;
//                           Long PROVIDERID; };
//   const FieldTable& ProductsFields() {
//     static const FieldTable table = FieldTable::For<ProductsRecord>({
//         KV_FIELD(ProductsRecord, PCODE, "PRO:PCODE", "@s20"), ...});
//     return table;
//   }
class FieldTable {
 public:
  FieldTable() = default;
  // A table for records of `recordSize` bytes. Every field must lie inside the record; a
  // field that does not (or a duplicate label) is a programming error and aborts at start-up.
  FieldTable(std::size_t recordSize, std::initializer_list<FieldDesc> fields);

  // The table of record struct R; fails to compile when R is not a record type.
  template <typename R>
  static FieldTable For(std::initializer_list<FieldDesc> fields) {
    static_assert(kIsRecordType<R>, "records must be trivially copyable and standard layout");
    return FieldTable(sizeof(R), fields);
  }

  std::size_t RecordSize() const { return recordSize_; }
  // Number of fields.
  int Count() const { return static_cast<int>(fields_.size()); }
  // Field n (1..Count()); null when n is out of range.
  const FieldDesc* Field(int n) const;
  // Number of the field whose label equals `label` ignoring case ("pro:pcode" finds
  // "PRO:PCODE"), surrounding blanks ignored; 0 when there is none.
  int Find(std::string_view label) const;
  // Number of the field whose name without prefix, or external column name, equals `name`
  // ignoring case; 0 when there is none.
  int FindName(std::string_view name) const;
  // A reference to field n inside `record` (a buffer of at least RecordSize() bytes); null
  // when n is out of range or record is null.
  VarRef Ref(void* record, int n) const;
  // Clears every field of `record` (blank strings, zero numbers); bytes between fields are
  // zeroed so that equal records have equal images.
  void ClearRecord(void* record) const;

 private:
  std::size_t recordSize_ = 0;
  std::vector<FieldDesc> fields_;
};

}  // namespace kv
