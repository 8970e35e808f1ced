#pragma once

#include "framework/data/FieldPairList.h"

namespace kv {

// A FieldPairList whose every pair also has a private buffer: a variable the list creates
// when the pair is added, of the same type (and size, digits, places) as the right side,
// starting cleared. The buffer keeps a copy of one side, so code can later tell whether the
// caller's variables changed (a browse remembering the highlighted record's key, an
// edit-in-place editor remembering the original value). The list owns its buffers; Kill
// frees them, so references obtained through Buffer() end with the pair.
//
// Every FieldPairList operation applies too (on left and right). Same life and thread rules.
class BufferedPairList : public FieldPairList {
 public:
  BufferedPairList() = default;

  // Kill, then create an empty list.
  void Init();
  // Drops every pair and frees its buffer; disposes of the list. Safe to call twice.
  void Kill();

  // Appends (left, right, a new cleared buffer of right's type). The right variable itself
  // is not touched. A null right gets a null buffer (every buffer operation on it fails
  // softly: copies report kInvalid, comparisons answer "different").
  void AddPair(VarRef left, VarRef right) override;

  // For every pair in order: buffer := left / buffer := right / left := buffer /
  // right := buffer. Result as for AssignLeftToRight: kOk or the first failure.
  ValueStatus AssignLeftToBuffer();
  ValueStatus AssignRightToBuffer();
  ValueStatus AssignBufferToLeft();
  ValueStatus AssignBufferToRight();

  // 1 when every left (right) equals its buffer, stopping at the first difference; 1 for an
  // empty list. exact = 1 compares exactly (VarRef::Equal); exact = 0 compares the upper-cased
  // texts (VarRef::EqualNoCase). Without an argument the comparison ignores case.
  Byte EqualLeftBuffer(Byte exact = 0);
  Byte EqualRightBuffer(Byte exact = 0);

  // The buffer of pair n (1..Count()); null when n is out of range.
  VarRef Buffer(int n);
};

}  // namespace kv
