#include "framework/data/FieldPairList.h"

namespace kv {
namespace {

// Status to report after one more assignment: the first failure wins.
ValueStatus Keep(ValueStatus sofar, ValueStatus next) {
  return sofar != ValueStatus::kOk ? sofar : next;
}

}  // namespace

void FieldPairList::Init() {
  Kill();
  list_.emplace();
}

void FieldPairList::Kill() {
  if (!list_) return;
  list_.reset();
}

void FieldPairList::AddPair(VarRef left, VarRef right) {
  AppendPair(left, right, Value());
}

void FieldPairList::AppendPair(VarRef left, VarRef right, Value buffer) {
  if (!list_) list_.emplace();
  list_->push_back(Pair{left, right, std::move(buffer)});
}

std::vector<FieldPairList::Pair>& FieldPairList::Pairs() {
  // Without a list the operations walk no rows; they must not create one.
  thread_local std::vector<Pair> none;
  none.clear();
  return list_ ? *list_ : none;
}

const std::vector<FieldPairList::Pair>& FieldPairList::Pairs() const {
  static const std::vector<Pair> none;
  return list_ ? *list_ : none;
}

FieldPairList::Pair* FieldPairList::PairAt(int n) {
  if (n < 1 || n > Count()) return nullptr;
  return &(*list_)[static_cast<std::size_t>(n - 1)];
}

const FieldPairList::Pair* FieldPairList::PairAt(int n) const {
  if (n < 1 || n > Count()) return nullptr;
  return &(*list_)[static_cast<std::size_t>(n - 1)];
}

VarRef FieldPairList::Left(int n) const {
  const Pair* p = PairAt(n);
  return p ? p->left : VarRef();
}

VarRef FieldPairList::Right(int n) const {
  const Pair* p = PairAt(n);
  return p ? p->right : VarRef();
}

ValueStatus FieldPairList::AssignLeftToRight() {
  ValueStatus st = ValueStatus::kOk;
  for (const Pair& p : Pairs()) st = Keep(st, p.right.Assign(p.left));
  return st;
}

ValueStatus FieldPairList::AssignRightToLeft() {
  ValueStatus st = ValueStatus::kOk;
  for (const Pair& p : Pairs()) st = Keep(st, p.left.Assign(p.right));
  return st;
}

void FieldPairList::ClearLeft() {
  for (const Pair& p : Pairs()) p.left.Clear();
}

void FieldPairList::ClearRight() {
  for (const Pair& p : Pairs()) p.right.Clear();
}

Byte FieldPairList::EqualLeftRight() const {
  for (const Pair& p : Pairs()) {
    if (!VarRef::Equal(p.left, p.right)) return 0;
  }
  return 1;
}

}  // namespace kv
