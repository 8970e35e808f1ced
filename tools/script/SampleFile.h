#pragma once

// What every sample list over its own embedded table needs: the table made and filled on first
// use, a file manager over it with its one key, and the error and relation managers around a
// list's run.

#include <functional>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/storage/TableDecl.h"

namespace kv::sample {

// Opens the table of `decl`, creating it when it does not exist, and calls `fill` with it when
// it holds no record; closes it again.
void PrepareTable(const TableDecl& decl, const std::function<void(Table&)>& fill);

// A file manager over a sample's table, registered as `name`, whose one key is described as
// `keyDescription`.
class SampleFile : public FileManager {
 public:
  SampleFile(const TableDecl& decl, const char* name, const char* keyDescription,
             ErrorManager& errors)
      : decl_(decl), name_(name), keyDescription_(keyDescription), errors_(errors) {}
  ~SampleFile() override { FileManager::Kill(); }
  void Init() override;
  ResultLevel PrepareUse(UseKind kind) override;
  template <class Rec>
  Rec& RecAs() {
    return *static_cast<Rec*>(BUFFER.address);
  }

 private:
  const TableDecl& decl_;
  const char* name_;
  const char* keyDescription_;
  ErrorManager& errors_;
};

// Runs `list` on the calling thread with an error manager, the file manager over `decl` and a
// relation manager around it, each set up before and ended after.
void RunOverTable(const TableDecl& decl, const char* name, const char* keyDescription,
                  const std::function<void(SampleFile&, RelationManager&, ErrorManager&)>& list);

}  // namespace kv::sample
