#include "platform/storage/FieldTableLayout.h"

namespace kv {

FieldTableLayout::FieldTableLayout(const FieldTable& fields) : fields_(fields) {
  for (int n = 1; n <= fields.Count(); ++n) {
    const FieldDesc& d = *fields.Field(n);
    ColumnDesc c;
    c.name = std::string(d.ColumnName());
    c.label = std::string(d.label);
    switch (d.type) {
      case ValueType::kString:
        c.type = ColumnType::kText;
        c.size = int(d.size);
        break;
      case ValueType::kCString:
        c.type = ColumnType::kText;
        c.size = d.size > 1 ? int(d.size) - 1 : 1;
        break;
      case ValueType::kByte:
      case ValueType::kShort:
      case ValueType::kUShort:
      case ValueType::kLong:
        c.type = ColumnType::kInteger;
        break;
      case ValueType::kDecimal:
        c.type = ColumnType::kDecimal;
        c.precision = d.digits;
        c.scale = d.places;
        break;
      case ValueType::kReal:
        c.type = ColumnType::kReal;
        break;
    }
    columns_.push_back(std::move(c));
  }
}

VarRef FieldTableLayout::Ref(const void* record, int field) const {
  // The reference only reads through Get; Set passes a writable record.
  return fields_.Ref(const_cast<void*>(record), field + 1);
}

SqlValue FieldTableLayout::Get(const void* record, int field) const {
  VarRef ref = Ref(record, field);
  switch (columns_[field].type) {
    case ColumnType::kText:
      return SqlValue::Text(ref.ToClippedText());
    case ColumnType::kInteger:
      return SqlValue::Integer(ref.ToLong());
    case ColumnType::kDecimal: {
      DecimalValue v;
      if (ref.GetDecimal(&v) != ValueStatus::kOk) return SqlValue::Decimal("0");
      return SqlValue::Decimal(v.ToText());
    }
    case ColumnType::kReal:
      return SqlValue::Real(ref.ToReal());
  }
  return {};
}

void FieldTableLayout::Set(void* record, int field, const SqlValue& value) const {
  VarRef ref = Ref(record, field);
  ValueStatus st = ValueStatus::kOk;
  switch (value.kind) {
    case SqlValue::Kind::kNull:
      ref.Clear();
      return;
    case SqlValue::Kind::kText:
      st = ref.SetText(value.text);
      break;
    case SqlValue::Kind::kInteger:
      st = ref.SetInteger(value.integer);
      break;
    case SqlValue::Kind::kReal:
      st = ref.SetReal(value.real);
      break;
    case SqlValue::Kind::kDecimal: {
      DecimalValue d;
      st = DecimalValue::Parse(value.text, &d);
      if (st == ValueStatus::kOk) st = ref.SetDecimal(d);
      break;
    }
  }
  if (st != ValueStatus::kOk) ref.Clear();
}

}  // namespace kv
