#include "platform/expr/Bindings.h"

#include "platform/values/Utf8Text.h"

namespace kv {

void Bindings::Put(Binding binding) {
  for (auto& b : bindings_) {
    if (EqualNoCase(b.name, binding.name)) {
      b = std::move(binding);
      return;
    }
  }
  bindings_.push_back(std::move(binding));
}

void Bindings::Bind(std::string_view name, VarRef variable, std::string_view column,
                    std::string_view qualifier) {
  Binding b;
  b.name = std::string(TrimBlanks(name));
  b.variable = variable;
  b.type = variable.Type();
  b.column = std::string(column);
  b.qualifier = std::string(qualifier);
  Put(std::move(b));
}

void Bindings::BindColumn(std::string_view name, ValueType type, std::string_view column,
                          std::string_view qualifier) {
  Binding b;
  b.name = std::string(TrimBlanks(name));
  b.type = type;
  b.column = std::string(column);
  b.qualifier = std::string(qualifier);
  Put(std::move(b));
}

void Bindings::BindFields(const FieldTable& table, void* record, std::string_view qualifier) {
  for (int n = 1; n <= table.Count(); ++n) {
    const FieldDesc* f = table.Field(n);
    Bind(f->label, table.Ref(record, n), f->ColumnName(), qualifier);
  }
}

void Bindings::Unbind(std::string_view name) {
  name = TrimBlanks(name);
  for (auto it = bindings_.begin(); it != bindings_.end(); ++it) {
    if (EqualNoCase(it->name, name)) {
      bindings_.erase(it);
      return;
    }
  }
}

const Binding* Bindings::Find(std::string_view name) const {
  name = TrimBlanks(name);
  for (const auto& b : bindings_)
    if (EqualNoCase(b.name, name)) return &b;
  return nullptr;
}

}  // namespace kv
