// What the database holds survives the file manager: NULLs that the user fills in or leaves
// alone, values that the record cannot hold, unique indexes that the manager does not declare,
// and numbering that reaches the largest value of its field. Run on every database the suite
// reaches, on tables the program made and on tables made without it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataFixture.h"
#include "platform/storage/SqlValue.h"

namespace kv::testing {
namespace {

class FileManagerStoredValues : public DataTest {
 protected:
  std::unique_ptr<TestFileManager> Manager(TableDecl& decl,
                                           std::vector<TestFileManager::KeySpec> keys,
                                           const char* name) {
    auto fm = std::make_unique<TestFileManager>(decl, errors, std::move(keys), name);
    fm->Init();
    EXPECT_EQ(fm->Open(), Benign);
    EXPECT_EQ(fm->PrepareUse(UseRecord), Benign);  // opens, creating the table when missing
    return fm;
  }
  std::string Items() const { return "\"" + ItemsTable() + "\""; }
  // The items table as a database the program did not create may hold it: wider columns
  // than the record's, and every column but the code nullable. (Its text columns are in byte order,
  // so that opening it needs no key rebuild.)
  std::string CreateWideItems() {
    const std::string byteOrder = B().name == "postgres" ? " COLLATE \"C\"" : "";
    return ExecDirect(B(), "CREATE TABLE " + Items() + " (\"Code\" VARCHAR(40)" + byteOrder +
                               " NOT NULL PRIMARY KEY, \"Name\" VARCHAR(200)" + byteOrder +
                               ", \"Price\" "
                               "NUMERIC(20,4), \"Provider\" BIGINT)");
  }
  // The stored row of an item as "code|name|price|provider", decimals in canonical form.
  std::string Stored(const std::string& code) {
    std::vector<std::string> rows =
        QueryDirect(B(), "SELECT \"Code\", \"Name\", CAST(\"Price\" AS TEXT), \"Provider\" FROM " +
                             Items() + " WHERE \"Code\" = '" + code + "'");
    if (rows.size() != 1) return rows.empty() ? "no row" : rows.front();
    std::string row = rows.front();
    // The price is the third value.
    size_t a = row.find('|'), b = row.find('|', a + 1), c = row.find('|', b + 1);
    std::string price = row.substr(b + 1, c - b - 1);
    if (price != "NULL") price = CanonicalDecimal(price);
    return row.substr(0, b + 1) + price + row.substr(c);
  }
  int Count(const std::string& table) {
    std::vector<std::string> rows = QueryDirect(B(), "SELECT COUNT(*) FROM \"" + table + "\"");
    return rows.size() == 1 ? std::stoi(rows.front()) : -1;
  }
};

// A column read as NULL takes what is put into its field and keeps NULL when left alone; a
// primed record starts with values, not with the NULLs of the record read before it.
TEST_P(FileManagerStoredValues, NullsReadTakeWhatIsPutIntoTheirFieldsAndUntouchedOnesStayNull) {
  ASSERT_EQ(CreateWideItems(), "");
  auto decl = MakeItems(owner);
  auto fm = Manager(*decl, {{1, "Item code", 0}}, "Items");
  for (const char* code : {"N1", "N2"})
    ASSERT_EQ(ExecDirect(B(), "INSERT INTO " + Items() + " (\"Code\") VALUES ('" + code + "')"),
              "");
  ItemRec& r = fm->Rec<ItemRec>();

  r.CODE = "N1";
  ASSERT_EQ(fm->Fetch(1), Benign);
  r.NAME = "typed";
  r.PROVIDER = 42;
  ASSERT_EQ(fm->Update(), Benign);
  EXPECT_EQ(Stored("N1"), "N1|typed|NULL|42");

  r.CODE = "N2";
  ASSERT_EQ(fm->Fetch(1), Benign);
  ASSERT_EQ(r.PRICE.SetText("2.50"), ValueStatus::kOk);
  ASSERT_EQ(fm->Update(), Benign);
  EXPECT_EQ(Stored("N2"), "N2|NULL|2.5|NULL");

  ASSERT_EQ(fm->PrimeRecord(), Benign);
  r.CODE = "N3";
  r.NAME = "new";
  r.PROVIDER = 5;
  ASSERT_EQ(fm->Insert(), Benign);
  EXPECT_EQ(Stored("N3"), "N3|new|0|5");
  EXPECT_TRUE(modal.Shown().empty()) << modal.Shown().front().caption;
}

// A stored value that the record cannot hold is reported when read, naming the field, and an
// update that changes another field leaves it as stored; a change by another station to such
// a column is still found out. Text columns the program creates take no more bytes than their
// fields hold.
TEST_P(FileManagerStoredValues, ValuesTheRecordCannotHoldAreReportedAndNeverWrittenBack) {
  ASSERT_EQ(CreateWideItems(), "");
  std::string longName;
  for (int i = 0; i < 25; ++i) longName += "\xC3\xA9";  // 50 bytes; the field holds 40
  struct Case {
    const char* code;
    std::string name;
    const char* price;
    const char* provider;
    const char* field;        // the field named in the report
    std::string stored;       // the row as stored, which the update must keep
    std::string afterUpdate;  // the row once another field was changed
  };
  const Case cases[] = {
      {"X1", longName, "1", "1", "ITM:NAME", "X1|" + longName + "|1|1", "X1|" + longName + "|1|7"},
      {"X2", "plain", "1000000000", "2", "ITM:PRICE", "X2|plain|1000000000|2",
       "X2|changed|1000000000|2"},
      {"X3", "plain", "1", "3000000000", "ITM:PROVIDER", "X3|plain|1|3000000000",
       "X3|changed|1|3000000000"},
      {"X4", "plain", "1.2345", "4", "ITM:PRICE", "X4|plain|1.2345|4", "X4|changed|1.2345|4"},
  };
  for (const Case& c : cases)
    ASSERT_EQ(ExecDirect(B(), "INSERT INTO " + Items() + " VALUES ('" + c.code + "', '" + c.name +
                                  "', " + c.price + ", " + c.provider + ")"),
              "");
  auto decl = MakeItems(owner);
  auto fm = Manager(*decl, {{1, "Item code", 0}}, "Items");
  ItemRec& r = fm->Rec<ItemRec>();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    ScriptedModal local;
    r.CODE = c.code;
    ASSERT_EQ(fm->Fetch(1), Benign) << "the record is read, with what its fields can hold";
    ASSERT_EQ(local.Shown().size(), 1u);
    EXPECT_EQ(local.Shown()[0].caption, "Record Retrieval Error");
    EXPECT_NE(local.Shown()[0].text.find(c.field), std::string::npos) << local.Shown()[0].text;
    if (std::string(c.code) == "X1")
      r.PROVIDER = 7;
    else
      r.NAME = "changed";
    EXPECT_EQ(fm->Update(), Benign);
    EXPECT_EQ(Stored(c.code), c.afterUpdate);
    EXPECT_EQ(local.Shown().size(), 1u) << "the update itself is silent";
  }

  // Change detection still covers the columns the user left alone.
  r.CODE = "X2";
  ASSERT_EQ(fm->TryFetch(1), Benign);
  EXPECT_EQ(fm->LASTERROR, MsgRetrieveFailed) << "the silent read leaves the report in LASTERROR";
  ASSERT_EQ(ExecDirect(B(), "UPDATE " + Items() + " SET \"Price\" = 999 WHERE \"Code\" = 'X2'"),
            "");
  r.NAME = "mine";
  {
    ScriptedModal local;
    EXPECT_EQ(fm->Update(), Notify);
    ASSERT_FALSE(local.Shown().empty());
    EXPECT_EQ(local.Shown()[0].caption, "Record Was Not Updated");
  }
  EXPECT_EQ(r.PRICE.Get().ToText(), "999.00") << "the other station's version is shown";
  EXPECT_EQ(Stored("X2"), "X2|changed|999|2");

  // A table the program creates holds in a text column what its field holds, in bytes.
  ASSERT_EQ(ExecDirect(B(), "DROP TABLE " + Items()), "");
  fm.reset();
  auto created = Manager(*decl, {{1, "Item code", 0}}, "Items");
  std::string fits;
  for (int i = 0; i < 20; ++i) fits += "\xC3\xA9";  // 40 bytes
  const std::string insert =
      "INSERT INTO " + Items() + " (\"Code\", \"Name\", \"Provider\") VALUES ";
  EXPECT_EQ(ExecDirect(B(), insert + "('F', '" + fits + "', 1)"), "");
  EXPECT_NE(ExecDirect(B(), insert + "('L', '" + longName + "', 2)"), "")
      << "50 bytes in a column of a 40-byte field";
}

// A duplicate on a unique index that the manager does not declare names that index, never the
// key of an earlier message.
TEST_P(FileManagerStoredValues, DuplicateOnAnUndeclaredUniqueIndexNamesThatIndex) {
  auto decl = MakeItems(owner);
  // The manager declares the code key only; the table also has its unique name key, and the
  // database a unique index of its own on the provider.
  auto fm = Manager(*decl, {{1, "Item code", 0}}, "Items");
  const std::string extra = ItemsTable() + "_extra";
  ASSERT_EQ(
      ExecDirect(B(), "CREATE UNIQUE INDEX \"" + extra + "\" ON " + Items() + " (\"Provider\")"),
      "");
  ItemRec& r = fm->Rec<ItemRec>();
  auto add = [&](const char* code, const char* name, int provider) {
    ClearLastError();
    decl->Layout().Clear(&r);
    r.CODE = code;
    r.NAME = name;
    r.PROVIDER = provider;
    return fm->Insert();
  };
  ASSERT_EQ(add("A", "apple", 1), Benign);
  struct Case {
    const char* code;
    const char* name;
    int provider;
    std::string named;
  };
  const Case cases[] = {
      {"A", "other", 2, "Item code"},               // declared: its description
      {"B", "APPLE", 3, ItemsTable() + "_ByName"},  // the table's key, not declared
      {"C", "cherry", 1, extra},                    // the database's own index
      {"A", "other", 4, "Item code"},
  };
  const std::string prefix = "Adding this record creates a duplicate entry for the key: ";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code + std::string(" ") + c.name);
    ScriptedModal local;
    EXPECT_EQ(add(c.code, c.name, c.provider), Notify);
    ASSERT_EQ(local.Shown().size(), 1u);
    EXPECT_EQ(local.Shown()[0].caption, "Duplicate Key Error");
    EXPECT_EQ(local.Shown()[0].text, prefix + c.named);
    // The silent insert leaves a report that names the same key.
    errors.SetMessageText("stale");
    EXPECT_EQ(fm->TryInsert(), Notify);
    EXPECT_EQ(fm->ReportLastError(), Notify);
    ASSERT_EQ(local.Shown().size(), 2u);
    EXPECT_EQ(local.Shown()[1].text, prefix + c.named);
  }
  EXPECT_EQ(Count(ItemsTable()), 1);
}

// A number past the largest value of the numbered field is refused with "Auto Increment Error"
// (asked again as often as the user wants to try again), and no record is added.
TEST_P(FileManagerStoredValues, NumberingPastTheLargestValueOfItsFieldIsRefused) {
  auto decl = MakeLines(owner);
  auto fm = Manager(*decl, {{1, "Line id", 1}, {2, "Group", 2}, {3, "", 0}}, "Lines");
  const std::string lines = "\"" + LinesTable() + "\"";
  struct Case {
    const char* name;
    const char* existing;  // values of the row already there
    const char* group;     // the group of the new record
    const char* key;       // the key named
    const char* number;    // the number that does not fit
  };
  const Case cases[] = {
      {"the line id", "(2147483647, 'G', 1, 'top')", "G", "Line id", "2147483648"},
      {"the sequence in its group", "(5, 'H', 32767, 'last')", "H", "Group", "32768"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(ExecDirect(B(), "DELETE FROM " + lines), "");
    ASSERT_EQ(ExecDirect(B(), "INSERT INTO " + lines + " VALUES " + c.existing), "");
    ScriptedModal local;
    local.Answer({kButtonYes, kButtonNo});  // try again once, then give up
    LineRec& r = fm->Rec<LineRec>();
    decl->Layout().Clear(&r);
    r.GRP = c.group;
    EXPECT_EQ(fm->PrimeRecord(true), Notify);
    ASSERT_EQ(local.Shown().size(), 2u);
    for (const MessageBoxRequest& shown : local.Shown()) {
      EXPECT_EQ(shown.caption, "Auto Increment Error");
      EXPECT_NE(shown.text.find(std::string("Key: ") + c.key), std::string::npos) << shown.text;
      EXPECT_NE(shown.text.find(c.number), std::string::npos) << shown.text;
    }
    EXPECT_FALSE(fm->AUTOINCDONE);
    EXPECT_EQ(Count(LinesTable()), 1) << "nothing was added";
  }
}

INSTANTIATE_TEST_SUITE_P(Db, FileManagerStoredValues, ::testing::ValuesIn(Backends()), BackendName);

}  // namespace
}  // namespace kv::testing
