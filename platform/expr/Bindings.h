#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/values/FieldTable.h"
#include "platform/values/ValueType.h"
#include "platform/values/VarRef.h"

namespace kv {

// One name an expression may use: the variable it reads when evaluated locally and the
// column it stands for when translated to SQL.
struct Binding {
  std::string name;                     // as bound ("PRO:PCODE"); looked up without regard to case
  VarRef variable;                      // read by local evaluation; null for a column-only binding
  ValueType type = ValueType::kString;  // the variable's or column's type
  std::string column;                   // external column name; empty when the name has no column
  std::string qualifier;  // table name or alias put before the column in SQL; may be empty

  bool IsText() const { return IsTextType(type); }
};

// The names an expression may use, mapped to variables and columns. A view binds the fields
// of each of its files (`BindFields`); program code may bind further variables by name.
// Binding a name again replaces the earlier binding.
//
// Not thread-safe: a Bindings object belongs to the logical thread that owns the variables
// it refers to (like the record buffers themselves). The variables must outlive the
// bindings' use; the object does not own them.
class Bindings {
 public:
  // Binds `name` to `variable`; `column` (and `qualifier`) name it in SQL. A name that has
  // no column is still evaluated locally, but an expression using it cannot run on the
  // server (translation reports kNotTranslatable).
  void Bind(std::string_view name, VarRef variable, std::string_view column = {},
            std::string_view qualifier = {});

  // Binds `name` to a column only (no local variable): for translating expressions whose
  // values live only on the server. Local evaluation of such a name gives an error.
  void BindColumn(std::string_view name, ValueType type, std::string_view column,
                  std::string_view qualifier = {});

  // Binds every field of `table` by its label to the field inside `record` (a buffer of the
  // table's record size, owned by the caller) and to the field's external column name.
  void BindFields(const FieldTable& table, void* record, std::string_view qualifier = {});

  // Removes the binding of `name`; no effect when it is not bound.
  void Unbind(std::string_view name);
  void Clear() { bindings_.clear(); }

  // The binding of `name` (case and surrounding blanks ignored), or null.
  const Binding* Find(std::string_view name) const;

  int Count() const { return static_cast<int>(bindings_.size()); }

 private:
  void Put(Binding binding);

  std::vector<Binding> bindings_;
};

}  // namespace kv
