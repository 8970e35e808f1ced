#include "app/data/ProductsManagers.h"

#include <atomic>

#include "app/Globals.h"
#include "app/ThreadSetup.h"

namespace kv {
namespace {

// The per-thread references. The relation managers are owned by the thread's slot below; each
// file manager by its relation manager.
thread_local ProductsFileManager* tProductsFile = nullptr;
thread_local ProductsRelationManager* tProductsRelations = nullptr;
thread_local SQLInterfaceFileManager* tSQLInterfaceFile = nullptr;
thread_local SQLInterfaceRelationManager* tSQLInterfaceRelations = nullptr;

struct ThreadManagers {
  std::unique_ptr<SQLInterfaceRelationManager> sqlInterface;
  std::unique_ptr<ProductsRelationManager> products;
};
thread_local ThreadManagers tManagers;

}  // namespace

// ---- Products ------------------------------------------------------------------------------

ProductsFileManager::~ProductsFileManager() {
  ProductsFileManager::Kill();
}

void ProductsFileManager::Init() {
  INITIALIZED = false;
  Table& table = ProductsTable().Instance();
  BUFFER = RecordBuffer::Of(table);
  FILENAMEVALUE = "Products";
  SetErrors(&GlobalErrors);
  FILE = &table;
  FileManager::Init();
  tProductsFile = this;
}

ResultLevel ProductsFileManager::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&ProductsTable().Instance(), &GlobalErrors);
    CREATE = true;
    LOCKRECOVER = 10;
    (void)AddKey(kProductsKeyPcode, kProductsKeyPcodeName, 0);
  }
  return FileManager::PrepareUse(kind);
}

void ProductsFileManager::Kill() {
  FileManager::Kill();
  if (tProductsFile == this) tProductsFile = nullptr;
}

ProductsRelationManager::~ProductsRelationManager() {
  ProductsRelationManager::Kill();
}

void ProductsRelationManager::Init() {
  file_->Init();
  RelationManager::Init(*file_, false);
}

void ProductsRelationManager::Kill() {
  if (file_) {
    file_->Kill();
    file_.reset();
  }
  RelationManager::Kill();
  if (tProductsRelations == this) tProductsRelations = nullptr;
}

// ---- SQLInterface --------------------------------------------------------------------------

SQLInterfaceFileManager::~SQLInterfaceFileManager() {
  SQLInterfaceFileManager::Kill();
}

void SQLInterfaceFileManager::Init() {
  INITIALIZED = false;
  Table& table = SQLInterfaceTable().Instance();
  BUFFER = RecordBuffer::Of(table);
  FILENAMEVALUE = "SQLInterface";
  SetErrors(&GlobalErrors);
  FILE = &table;
  FileManager::Init();
  tSQLInterfaceFile = this;
}

ResultLevel SQLInterfaceFileManager::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&SQLInterfaceTable().Instance(), &GlobalErrors);
    CREATE = true;
    LOCKRECOVER = 10;
  }
  return FileManager::PrepareUse(kind);
}

void SQLInterfaceFileManager::Kill() {
  FileManager::Kill();
  if (tSQLInterfaceFile == this) tSQLInterfaceFile = nullptr;
}

SQLInterfaceRelationManager::~SQLInterfaceRelationManager() {
  SQLInterfaceRelationManager::Kill();
}

void SQLInterfaceRelationManager::Init() {
  file_->Init();
  RelationManager::Init(*file_, false);
}

void SQLInterfaceRelationManager::Kill() {
  if (file_) {
    file_->Kill();
    file_.reset();
  }
  RelationManager::Kill();
  if (tSQLInterfaceRelations == this) tSQLInterfaceRelations = nullptr;
}

// ---- Per thread ----------------------------------------------------------------------------

ProductsFileManager* ProductsFile() {
  return tProductsFile;
}
ProductsRelationManager* ProductsRelations() {
  return tProductsRelations;
}
SQLInterfaceFileManager* SQLInterfaceFile() {
  return tSQLInterfaceFile;
}
SQLInterfaceRelationManager* SQLInterfaceRelations() {
  return tSQLInterfaceRelations;
}

void CreateProductsManagers() {
  if (tManagers.sqlInterface || tManagers.products) return;
  tManagers.sqlInterface = std::make_unique<SQLInterfaceRelationManager>();
  tManagers.sqlInterface->file_ = std::make_unique<SQLInterfaceFileManager>();
  tManagers.products = std::make_unique<ProductsRelationManager>();
  tManagers.products->file_ = std::make_unique<ProductsFileManager>();
  tSQLInterfaceRelations = tManagers.sqlInterface.get();
  tProductsRelations = tManagers.products.get();
  tManagers.sqlInterface->Init();
  tManagers.products->Init();
}

void ReleaseProductsManagers() {
  if (tManagers.sqlInterface) {
    tManagers.sqlInterface->Kill();
    tManagers.sqlInterface.reset();
  }
  if (tManagers.products) {
    tManagers.products->Kill();
    tManagers.products.reset();
  }
}

void RegisterProductsManagers() {
  static std::atomic<bool> registered{false};
  if (registered.exchange(true)) return;
  AddTableManagers(CreateProductsManagers, ReleaseProductsManagers);
}

}  // namespace kv
