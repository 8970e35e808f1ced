#pragma once

// A parent-child-grandchild schema of the relation and view manager suites, with its file and
// relation managers. Parents are linked to children by PAR:CODE = CHI:PCODE (children's key 2
// "CHI:ByParent" leads with PCODE), children to grandchildren by CHI:CODE = GRA:CCODE (key 2
// "GRA:ByChild"). The relation modes are chosen per test.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataFixture.h"
#include "framework/data/RelationManager.h"

namespace kv::testing {

struct ParentRec {
  Long ID;
  String<10> CODE;
  String<20> NAME;
};
struct ChildRec {
  Long ID;
  String<10> PCODE;
  String<10> CODE;
  Decimal<9, 2> AMOUNT;
};
struct GrandRec {
  Long ID;
  String<10> CCODE;
  String<20> NOTE;
};

// A relation manager whose relations a test declares.
class TestRelations : public RelationManager {
 public:
  std::function<void(TestRelations&)> define;
  int defines = 0;
  int quickScans = 0;
  void SetQuickScan(std::uint8_t on, std::uint8_t propagation) override {
    ++quickScans;
    RelationManager::SetQuickScan(on, propagation);
  }
  void DefineRelations() override {
    ++defines;
    if (define) define(*this);
  }
};

// A family file manager: deletes are announced, and the n-th change can be refused.
class FamilyFileManager : public TestFileManager {
 public:
  using TestFileManager::TestFileManager;
  bool BeforeDelete(int code) override {
    if (onDelete) onDelete();
    return TestFileManager::BeforeDelete(code);
  }
  bool BeforeChange(int code, void* record, const void* old, std::size_t size) override {
    (void)TestFileManager::BeforeChange(code, record, old, size);
    return vetoChanges == 0 || --vetoChanges != 0;
  }
  std::function<void()> onDelete;
  int vetoChanges = 0;  // n > 0: the n-th change from now is refused
};

class Family {
 public:
  Family(const std::string& owner, ErrorManager& errors, bool transactions);
  ~Family();
  static std::vector<std::string> Tables();

  // Declares parent -> child and child -> grandchild with these modes (update, delete).
  void Relate(std::uint8_t childUpdate, std::uint8_t childDelete, std::uint8_t grandUpdate,
              std::uint8_t grandDelete);

  ResultLevel AddParent(int id, const char* code, const char* name);
  ResultLevel AddChild(int id, const char* pcode, const char* code, const char* amount = "1");
  ResultLevel AddGrand(int id, const char* ccode, const char* note);
  // Reads the record with primary key `id` into the manager's buffer.
  bool Load(TestFileManager& fm, int id);
  // "id:linking-field" of every record of the file in primary-key order.
  std::vector<std::string> Rows(TestFileManager& fm);

  std::unique_ptr<TableDecl> parentDecl, childDecl, grandDecl;
  std::unique_ptr<FamilyFileManager> parent, child, grand;
  TestRelations parentRel, childRel, grandRel;
};

}  // namespace kv::testing
