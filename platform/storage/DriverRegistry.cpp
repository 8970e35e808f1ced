#include "platform/storage/DriverRegistry.h"

#include <cctype>
#include <map>
#include <mutex>

#include "platform/storage/Table.h"
#include "platform/storage/TextTable.h"

namespace kv {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct Registry {
  std::mutex mutex;
  std::map<std::string, TableFactory> factories;  // guarded by mutex
  Registry() {
    factories[kTextDriver] = [](const TableDecl& d) { return std::make_unique<TextTable>(d); };
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// The instance of a declaration whose driver is not registered.
class MissingDriverTable final : public Table {
 public:
  using Table::Table;

 private:
  StorageError Missing() const {
    return StorageError::Of(kDriverError, "",
                            "no driver \"" + Decl().Driver() + "\" is registered");
  }
  StorageError DoOpen(int) override { return Missing(); }
  StorageError DoCreate() override { return Missing(); }
  StorageError DoClose() override { return {}; }
  StorageError DoBuildKeys() override { return Missing(); }
  StorageError DoSetKey(int) override { return Missing(); }
  StorageError DoSetKeyValues(int) override { return Missing(); }
  StorageError DoResetTo(int, std::string_view) override { return Missing(); }
  StorageError DoRead(bool) override { return Missing(); }
  StorageError DoGet(int) override { return Missing(); }
  StorageError DoReget(int, std::string_view) override { return Missing(); }
  StorageError DoAdd() override { return Missing(); }
  StorageError DoPut(bool) override { return Missing(); }
  StorageError DoDelete(bool) override { return Missing(); }
  bool DoDuplicates(int) override { return false; }
  std::string DoPosition(int) const override { return {}; }
  std::shared_ptr<void> SaveCursor() const override { return {}; }
  void RestoreCursor(const std::shared_ptr<void>&) override {}
};

}  // namespace

void RegisterDriver(const std::string& name, TableFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.factories[Upper(name)] = std::move(factory);
}

bool HasDriver(const std::string& name) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.factories.count(Upper(name)) > 0;
}

std::unique_ptr<Table> CreateTableInstance(const TableDecl& decl) {
  TableFactory factory;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.factories.find(Upper(decl.Driver()));
    if (it != r.factories.end()) factory = it->second;
  }
  if (factory) return factory(decl);
  return std::make_unique<MissingDriverTable>(decl);
}

}  // namespace kv
