#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/FileManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"

namespace kv::stations {

// One product of the test table: its code (the primary key), a change counter that every
// change raises by one, and who made the last change.
struct ItemRec {
  String<10> CODE;
  Long CHANGES;
  String<16> LASTBY;
};

const FieldTableLayout& ItemLayout();
std::unique_ptr<TableDecl> MakeItemsTable(const std::string& owner, const std::string& name);
std::string ProductCode(int n);  // "P0001" ...

// The table's file manager, derived the way the program derives its own.
class ItemsManager : public FileManager {
 public:
  ItemsManager(const TableDecl& decl, ErrorManager& errors) : decl_(decl), errors_(errors) {}
  ~ItemsManager() override { FileManager::Kill(); }
  void Init() override;
  ResultLevel PrepareUse(UseKind kind) override;
  ItemRec& Rec() { return *static_cast<ItemRec*>(BUFFER.address); }

 private:
  const TableDecl& decl_;
  ErrorManager& errors_;
};

// An error manager that shows nothing: it records the title of every message it would show and
// answers OK, as a user reading "Record Was Not Updated" does.
class TitleRecorder : public ErrorManager {
 public:
  int ShowMessageBox(ResultLevel level, std::string_view text, std::string_view title,
                     std::uint32_t icon, int buttons, int defaultButton, int style) override;
  std::vector<std::string> titles;
};

// What one station did. `written` holds, for every change the file manager reported as
// written, the product number and the counter value it wrote.
struct StationResult {
  int written = 0;
  int refused = 0;      // changes the file manager refused as changed by another station
  int refusedTold = 0;  // messages "Record Was Not Updated" among those shown
  int other = 0;        // any other failure (a read that failed, another message)
  double seconds = 0;
  std::vector<std::pair<int, long>> values;
  std::vector<std::string> otherTitles;
};

// Makes `changes` changes to products 1..`products` of the table, in an order drawn from
// `seed`: read the product by its key, raise its counter, write it back with the file
// manager's Update (change detection). Runs on the calling (adopted) logical thread.
// `ready` runs once the table is open, before the first change (stations start together).
StationResult RunStation(const std::string& owner, const std::string& table, int products,
                         int changes, unsigned seed, const std::function<void()>& ready);

// Writes and reads a StationResult as text lines.
bool SaveResult(const StationResult& r, const std::string& file);
bool LoadResult(const std::string& file, StationResult* r);

}  // namespace kv::stations
