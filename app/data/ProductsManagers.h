#pragma once

#include <memory>

#include "app/data/ProductsTables.h"
#include "framework/data/RelationManager.h"
#include "framework/data/FileManager.h"

namespace kv {

// The file manager and the relation manager of each of the program's tables, one set per
// logical thread (four objects per thread), reached through per-thread references.
//
// Life on a thread:
//   CreateProductsManagers   allocates the two file managers and the two relation managers,
//                            sets the references to the relation managers, then initialises
//                            SQLInterface's and then Products': the file manager's Init first
//                            (name, buffer, error manager, table; it sets its own reference),
//                            then the relation manager over it, with no relations and no
//                            transactions. No table is opened.
//   first use                the file manager's costly set-up waits for its first PrepareUse:
//                            InitFile, create allowed, lock recovery 10, the key PRO:PK_Pcode
//                            (Products only, not auto-numbered).
//   ReleaseProductsManagers  SQLInterface's relation manager first, then Products': each kills
//                            and frees its file manager (which clears the reference to it), then
//                            releases itself and clears its own reference.
// RegisterProductsManagers hooks both into every logical thread's start and end (the main
// thread creates them just before Main runs, every later thread before its procedure).
//
// Thread: every function acts on the calling logical thread's managers only.

// The file manager of Products ("Products" in messages).
class ProductsFileManager : public FileManager {
 public:
  ~ProductsFileManager() override;
  // INITIALIZED := false; BUFFER := the thread's Products record; FILENAMEVALUE := "Products";
  // the error manager GlobalErrors; FILE := the thread's Products table; the framework's Init;
  // the per-thread reference := this.
  void Init() override;
  // Any kind but Initialize first prepares Initialize. On Initialize while not yet initialised:
  // INUSEFILE, InitFile (the thread's table, GlobalErrors), CREATE on, LOCKRECOVER 10, and the
  // key PRO:PK_Pcode. Then the framework's PrepareUse with the kind asked for.
  ResultLevel PrepareUse(UseKind kind) override;
  // The framework's Kill, then the per-thread reference := null.
  void Kill() override;
};

// The file manager of SQLInterface ("SQLInterface" in messages; no key).
class SQLInterfaceFileManager : public FileManager {
 public:
  ~SQLInterfaceFileManager() override;
  void Init() override;
  ResultLevel PrepareUse(UseKind kind) override;
  void Kill() override;
};

// The relation managers. Each owns its file manager and frees it in Kill.
class ProductsRelationManager : public RelationManager {
 public:
  ~ProductsRelationManager() override;
  // Initialises the file manager, then this manager over it (no relations, no transactions).
  void Init();
  // Kills and frees the file manager, releases this manager, clears the per-thread reference.
  void Kill() override;

 private:
  friend void CreateProductsManagers();
  std::unique_ptr<ProductsFileManager> file_;
};

class SQLInterfaceRelationManager : public RelationManager {
 public:
  ~SQLInterfaceRelationManager() override;
  void Init();
  void Kill() override;

 private:
  friend void CreateProductsManagers();
  std::unique_ptr<SQLInterfaceFileManager> file_;
};

// The calling thread's managers: null before CreateProductsManagers and after
// ReleaseProductsManagers.
ProductsFileManager* ProductsFile();
ProductsRelationManager* ProductsRelations();
SQLInterfaceFileManager* SQLInterfaceFile();
SQLInterfaceRelationManager* SQLInterfaceRelations();

// Creates and initialises the calling thread's four managers (see above). A second call
// before the release does nothing.
void CreateProductsManagers();
// Kills and frees them in the fixed order. Nothing when they do not exist.
void ReleaseProductsManagers();
// Hooks the two above into the start and end of every logical thread (app/ThreadSetup.h).
// Register once, before the program starts; later calls do nothing.
void RegisterProductsManagers();

}  // namespace kv
