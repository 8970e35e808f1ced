#pragma once

#include <optional>
#include <vector>

#include "platform/values/Numbers.h"
#include "platform/values/Value.h"
#include "platform/values/ValueStatus.h"
#include "platform/values/VarRef.h"

namespace kv {

// A list of (left, right) pairs of references to variables of any type, copied, cleared and
// compared in bulk: a browse's record fields and list columns, the reset fields of a sort
// order, a relation's linking fields, a view's range limits. Entries refer to the caller's
// variables, so every copy goes straight into them; the runtime's conversions (VarRef) apply
// when the two sides have different types.
//
// Life: Init creates the empty list, Kill drops it (safe to call twice, and before Init).
// The variables must outlive the list's use of them; the list owns nothing of the caller's.
// Thread: a list belongs to the logical thread that uses it; it has no lock of its own.
class FieldPairList {
 public:
  FieldPairList() = default;
  virtual ~FieldPairList() = default;
  FieldPairList(const FieldPairList&) = delete;
  FieldPairList& operator=(const FieldPairList&) = delete;

  // Kill, then create an empty list.
  void Init();
  // Drops every pair (and any buffer the list created) and disposes of the list; nothing
  // happens when there is no list.
  void Kill();

  // Appends a pair referring to the two variables. Before Init (or after Kill) the list is
  // created first, so a pair is never silently lost.
  virtual void AddPair(VarRef left, VarRef right);

  // For every pair in order: right := left / left := right. Every pair is assigned even when
  // one fails; the result is kOk or the status of the first pair that failed (that pair's
  // target keeps its value, see VarRef::Assign). Empty or no list: nothing, kOk.
  ValueStatus AssignLeftToRight();
  ValueStatus AssignRightToLeft();
  // Clears every left / right variable (blank or zero).
  void ClearLeft();
  void ClearRight();
  // 1 when every left equals its right exactly (VarRef::Equal; texts clipped of trailing
  // blanks), stopping at the first difference; 1 for an empty list or no list; else 0.
  Byte EqualLeftRight() const;

  // True between Init and Kill (the list exists).
  bool HasList() const { return list_.has_value(); }
  // Number of pairs (0 when there is no list).
  int Count() const { return list_ ? static_cast<int>(list_->size()) : 0; }
  // Left and right of pair n (1..Count()); null references when n is out of range.
  VarRef Left(int n) const;
  VarRef Right(int n) const;

 protected:
  // One row of the list. `buffer` is null for plain pairs; BufferedPairList fills it.
  struct Pair {
    VarRef left;
    VarRef right;
    Value buffer;
  };

  // Appends a row, creating the list when there is none.
  void AppendPair(VarRef left, VarRef right, Value buffer);
  // Row n (1..Count()) or null.
  Pair* PairAt(int n);
  const Pair* PairAt(int n) const;
  // The rows, for walking them in order; an empty sequence when there is no list (callers
  // must not add rows through it: use AppendPair).
  std::vector<Pair>& Pairs();
  const std::vector<Pair>& Pairs() const;

 private:
  // The list; empty optional is the null list (before Init, after Kill).
  std::optional<std::vector<Pair>> list_;
};

}  // namespace kv
