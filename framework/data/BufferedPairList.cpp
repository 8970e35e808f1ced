#include "framework/data/BufferedPairList.h"

namespace kv {
namespace {

ValueStatus Keep(ValueStatus sofar, ValueStatus next) {
  return sofar != ValueStatus::kOk ? sofar : next;
}

bool Same(const VarRef& a, const VarRef& b, Byte exact) {
  return exact ? VarRef::Equal(a, b) : VarRef::EqualNoCase(a, b);
}

}  // namespace

void BufferedPairList::Init() {
  Kill();
  FieldPairList::Init();
}

// The buffers live in the rows of the one list, so the base Kill frees them with the rows.
void BufferedPairList::Kill() {
  FieldPairList::Kill();
}

void BufferedPairList::AddPair(VarRef left, VarRef right) {
  AppendPair(left, right, Value::ClearedLike(right));
}

ValueStatus BufferedPairList::AssignLeftToBuffer() {
  ValueStatus st = ValueStatus::kOk;
  for (Pair& p : Pairs()) st = Keep(st, p.buffer.Ref().Assign(p.left));
  return st;
}

ValueStatus BufferedPairList::AssignRightToBuffer() {
  ValueStatus st = ValueStatus::kOk;
  for (Pair& p : Pairs()) st = Keep(st, p.buffer.Ref().Assign(p.right));
  return st;
}

ValueStatus BufferedPairList::AssignBufferToLeft() {
  ValueStatus st = ValueStatus::kOk;
  for (Pair& p : Pairs()) st = Keep(st, p.left.Assign(p.buffer.Ref()));
  return st;
}

ValueStatus BufferedPairList::AssignBufferToRight() {
  ValueStatus st = ValueStatus::kOk;
  for (Pair& p : Pairs()) st = Keep(st, p.right.Assign(p.buffer.Ref()));
  return st;
}

Byte BufferedPairList::EqualLeftBuffer(Byte exact) {
  for (Pair& p : Pairs()) {
    if (p.buffer.IsNull() || !Same(p.left, p.buffer.Ref(), exact)) return 0;
  }
  return 1;
}

Byte BufferedPairList::EqualRightBuffer(Byte exact) {
  for (Pair& p : Pairs()) {
    if (p.buffer.IsNull() || !Same(p.right, p.buffer.Ref(), exact)) return 0;
  }
  return 1;
}

VarRef BufferedPairList::Buffer(int n) {
  Pair* p = PairAt(n);
  return p ? p->buffer.Ref() : VarRef();
}

}  // namespace kv
