#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/storage/KeyDecl.h"
#include "platform/storage/RecordLayout.h"

namespace kv {

class Table;

// Driver names understood by the registry (platform/storage/DriverRegistry.h).
inline constexpr const char* kSqlDriver = "SQL";    // Qt SQL: SQLite, PostgreSQL, SQL Server
inline constexpr const char* kTextDriver = "TEXT";  // plain text, one field per line

// The declaration of a table: what the program tells the runtime about it. A declaration is
// built once (usually a static object of the program) and never changed after its first
// Instance() call; it must outlive every use of its instances.
//
// Threaded declarations (the default) have one Table instance per thread, each with its own
// record buffer, position and open state; Instance() gives the calling thread's. A declaration
// made with threaded = false has one instance shared by all threads (its operations are
// serialised by the table's own lock; the file manager's shared opener coordinates open/close).
class TableDecl {
 public:
  TableDecl(std::string label, std::string externalName, std::string driver,
            const RecordLayout& layout, bool threaded = true);
  ~TableDecl();
  TableDecl(const TableDecl&) = delete;
  TableDecl& operator=(const TableDecl&) = delete;

  // Adds a key; returns its number (keys count from 1 in declaration order). Declaring a second
  // primary key makes the later one an ordinary unique key.
  int AddKey(KeyDecl key);

  // The owner (connection) string is taken when the table is opened, so a variable the program
  // changes before opening (the connection dialog's) is seen. A fixed text is also accepted.
  void SetOwner(std::function<std::string()> owner) { owner_ = std::move(owner); }
  void SetOwnerText(std::string owner);
  void SetDriverOptions(std::string options) { options_ = std::move(options); }

  const std::string& Label() const { return label_; }
  const std::string& ExternalName() const { return externalName_; }
  const std::string& Driver() const { return driver_; }
  const std::string& DriverOptions() const { return options_; }
  std::string Owner() const { return owner_ ? owner_() : std::string(); }
  const RecordLayout& Layout() const { return layout_; }
  const std::vector<KeyDecl>& Keys() const { return keys_; }
  bool Threaded() const { return threaded_; }

  // The calling thread's instance (threaded) or the shared instance; created on first use by
  // the driver registry. A threaded instance lives until its thread ends. Thread: any.
  Table& Instance() const;

 private:
  std::string label_;
  std::string externalName_;
  std::string driver_;
  std::string options_;
  std::function<std::string()> owner_;
  const RecordLayout& layout_;
  std::vector<KeyDecl> keys_;
  bool threaded_;
  mutable std::once_flag sharedOnce_;
  mutable std::unique_ptr<Table> shared_;  // guarded by sharedOnce_ (written once)
};

// Ends the calling thread's use of its instances of threaded declarations: each tells its
// callbacks, is closed and destroyed, as at the end of the thread. A later Instance() call on
// the thread makes a new instance. Thread: any (acts on the calling thread only).
void ReleaseThreadTables();

}  // namespace kv
