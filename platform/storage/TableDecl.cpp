#include "platform/storage/TableDecl.h"

#include <unordered_map>

#include "platform/storage/DriverRegistry.h"
#include "platform/storage/Table.h"

namespace kv {
namespace {

// The calling thread's instances of threaded declarations. When the thread ends, each instance
// tells its callbacks that the thread's use ends, is closed, and is destroyed.
struct ThreadInstances {
  std::unordered_map<const TableDecl*, std::unique_ptr<Table>> tables;
  void Release() {
    for (auto& [decl, table] : tables) table->EndOfUse();
    tables.clear();
  }
  ~ThreadInstances() { Release(); }
};

thread_local ThreadInstances tInstances;

}  // namespace

void ReleaseThreadTables() {
  tInstances.Release();
}

TableDecl::TableDecl(std::string label, std::string externalName, std::string driver,
                     const RecordLayout& layout, bool threaded)
    : label_(std::move(label)),
      externalName_(std::move(externalName)),
      driver_(std::move(driver)),
      layout_(layout),
      threaded_(threaded) {}

TableDecl::~TableDecl() {
  if (shared_) shared_->EndOfUse();
  auto it = tInstances.tables.find(this);
  if (it != tInstances.tables.end()) {
    it->second->EndOfUse();
    tInstances.tables.erase(it);
  }
}

int TableDecl::AddKey(KeyDecl key) {
  if (key.primary) {
    for (const KeyDecl& k : keys_)
      if (k.primary) key.primary = false;
  }
  keys_.push_back(std::move(key));
  return int(keys_.size());
}

void TableDecl::SetOwnerText(std::string owner) {
  owner_ = [owner = std::move(owner)] { return owner; };
}

Table& TableDecl::Instance() const {
  if (!threaded_) {
    std::call_once(sharedOnce_, [this] { shared_ = CreateTableInstance(*this); });
    return *shared_;
  }
  std::unique_ptr<Table>& slot = tInstances.tables[this];
  if (!slot) slot = CreateTableInstance(*this);
  return *slot;
}

}  // namespace kv
