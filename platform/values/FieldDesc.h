#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/values/Decimal.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"
#include "platform/values/ValueType.h"

namespace kv {

// Description of one field of a record struct: everything needed to reach it in a record
// buffer as a VarRef, show it and map it to a storage column. The texts are views of string
// literals (static storage), so descriptions can be built at compile time and copied freely.
struct FieldDesc {
  std::string_view label;  // "PRO:PCODE": the table prefix, a colon and the field name
  ValueType type = ValueType::kString;
  std::size_t offset = 0;    // byte offset in the record
  std::uint32_t size = 0;    // byte size
  std::uint8_t digits = 0;   // DECIMAL only
  std::uint8_t places = 0;   // DECIMAL only
  std::string_view picture;  // display picture, e.g. "@s20", "@n-14.2"; may be empty
  std::string_view column;   // external column name; empty means the name after the prefix

  // The field name without the table prefix ("PCODE" for "PRO:PCODE").
  constexpr std::string_view Name() const {
    std::size_t colon = label.find(':');
    return colon == std::string_view::npos ? label : label.substr(colon + 1);
  }
  // The storage column name: `column` when given, else Name().
  constexpr std::string_view ColumnName() const { return column.empty() ? Name() : column; }
};

// How a member type of a record struct maps to a field description. Defined for every
// runtime value type; using any other member type in a field table fails to compile.
template <typename T>
struct FieldTraits;

template <std::size_t N>
struct FieldTraits<String<N>> {
  static constexpr ValueType kType = ValueType::kString;
  static constexpr int kDigits = 0, kPlaces = 0;
};
template <std::size_t N>
struct FieldTraits<CString<N>> {
  static constexpr ValueType kType = ValueType::kCString;
  static constexpr int kDigits = 0, kPlaces = 0;
};
template <int D, int P>
struct FieldTraits<Decimal<D, P>> {
  static constexpr ValueType kType = ValueType::kDecimal;
  static constexpr int kDigits = D, kPlaces = P;
};
template <>
struct FieldTraits<Byte> {
  static constexpr ValueType kType = ValueType::kByte;
  static constexpr int kDigits = 0, kPlaces = 0;
};
template <>
struct FieldTraits<Short> {
  static constexpr ValueType kType = ValueType::kShort;
  static constexpr int kDigits = 0, kPlaces = 0;
};
template <>
struct FieldTraits<UShort> {
  static constexpr ValueType kType = ValueType::kUShort;
  static constexpr int kDigits = 0, kPlaces = 0;
};
template <>
struct FieldTraits<Long> {
  static constexpr ValueType kType = ValueType::kLong;
  static constexpr int kDigits = 0, kPlaces = 0;
};
template <>
struct FieldTraits<Real> {
  static constexpr ValueType kType = ValueType::kReal;
  static constexpr int kDigits = 0, kPlaces = 0;
};

// The description of a member of type T at `offset`. Use through KV_FIELD.
template <typename T>
constexpr FieldDesc MakeFieldDesc(std::string_view label, std::size_t offset,
                                  std::string_view picture = {}, std::string_view column = {}) {
  FieldDesc d;
  d.label = label;
  d.type = FieldTraits<T>::kType;
  d.offset = offset;
  d.size = static_cast<std::uint32_t>(sizeof(T));
  d.digits = static_cast<std::uint8_t>(FieldTraits<T>::kDigits);
  d.places = static_cast<std::uint8_t>(FieldTraits<T>::kPlaces);
  d.picture = picture;
  d.column = column;
  return d;
}

}  // namespace kv

// KV_FIELD(Record, MEMBER, "PRE:LABEL" [, "@picture" [, "ExternalColumn"]]) describes the
// member MEMBER of the record struct Record. Type, offset, size, digits and places come from
// the member's declaration, so they cannot disagree with the struct.
#define KV_FIELD(Record, member, label, ...)     \
  ::kv::MakeFieldDesc<decltype(Record::member)>( \
      label, offsetof(Record, member) __VA_OPT__(, ) __VA_ARGS__)
