#include "framework/window/IniManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "platform/settings/ProfileFile.h"
#include "platform/settings/RegistryStore.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDirectory.h"

namespace kv {

// Readable failure messages for sector lists.
inline void PrintTo(const SectorRecord& r, std::ostream* os) {
  *os << "{" << r.FAMILY << " | " << r.ITEM << " | " << r.TYPE << "}";
}

namespace {

class IniManagerTest : public ::testing::Test {
 protected:
  void SetUp() override { ini.Init(file); }
  std::optional<std::string> Stored(std::string_view section, std::string_view entry) {
    return FindProfileString(section, entry, file);
  }

  test::TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  IniManager ini;
};

TEST_F(IniManagerTest, EntriesAreWrittenReadAndDeleted) {
  ini.Update("MSSQLConnect", "LOC:Server", "srv,1433");
  ini.Update("MSSQLConnect", "LOC:AutoConnect", 1);
  EXPECT_EQ(Stored("MSSQLConnect", "LOC:Server"), "srv,1433") << "writes reach the file at once";
  EXPECT_EQ(ini.TryFetch("mssqlconnect", "LOC:SERVER"), "srv,1433");
  EXPECT_EQ(ini.TryFetch("MSSQLConnect", "Missing"), "");
  ini.DeleteEntry("MSSQLConnect", "LOC:Server");
  EXPECT_EQ(Stored("MSSQLConnect", "LOC:Server"), std::nullopt);
  EXPECT_EQ(Stored("MSSQLConnect", "LOC:AutoConnect"), "1");
}

TEST_F(IniManagerTest, FetchConvertsToTheVariablesTypeAndKeepsItWhenMissing) {
  ini.Update("S", "text", " padded ");
  ini.Update("S", "num", "42");
  ini.Update("S", "real", 2.5);
  ini.Update("S", "junk", "12abc");
  ini.Update("S", "empty", "");
  std::string text = "old";
  long num = -1, junk = -1, empty = -1, missing = 77;
  double real = 0;
  std::string missingText = "keep";
  ini.Fetch("S", "text", text);
  ini.Fetch("S", "num", num);
  ini.Fetch("S", "real", real);
  ini.Fetch("S", "junk", junk);
  ini.Fetch("S", "empty", empty);
  ini.Fetch("S", "missing", missing);
  ini.Fetch("S", "missing", missingText);
  EXPECT_EQ(text, " padded ");
  EXPECT_EQ(num, 42);
  EXPECT_EQ(real, 2.5);
  EXPECT_EQ(junk, 0) << "a value that is not a number reads as 0";
  EXPECT_EQ(empty, 0);
  EXPECT_EQ(missing, 77);
  EXPECT_EQ(missingText, "keep");
}

TEST_F(IniManagerTest, RuntimeVariablesAreStoredClippedAndFetchedWithTheirConversions) {
  String<30> server("srv,1433");
  ini.Update("MSSQLConnect", "LOC:Server", server);
  EXPECT_EQ(Stored("MSSQLConnect", "LOC:Server"), "srv,1433") << "blank padding is not stored";
  ini.Update("MSSQLConnect", "Big", "300");
  ini.Update("MSSQLConnect", "Half", "2.5");

  String<5> shortText("xxxxx");
  Long half = 0;
  Byte big = 7;
  Decimal<7, 2> price;
  CString<10> missing("keep");
  ini.Fetch("MSSQLConnect", "LOC:Server", VarRef(shortText));
  ini.Fetch("MSSQLConnect", "Half", VarRef(half));
  ini.Fetch("MSSQLConnect", "Big", VarRef(big));
  ini.Fetch("MSSQLConnect", "Half", VarRef(price));
  ini.Fetch("MSSQLConnect", "Nothing", VarRef(missing));
  EXPECT_EQ(shortText.View(), "srv,1") << "cut to the variable";
  EXPECT_EQ(half, 3) << "rounded half away from zero";
  EXPECT_EQ(big, 7) << "out of range keeps the value";
  EXPECT_EQ(VarRef(price).ToText(), "2.5");
  EXPECT_EQ(VarRef(missing).ToText(), "keep");
}

TEST_F(IniManagerTest, SavedListsOfRuntimeRecords) {
  struct Query {
    String<10> name;
    Long count = 0;
    CString<8> tag;
  };
  std::vector<QueueField<Query>> fields = {QueueFieldOf(&Query::name), QueueFieldOf(&Query::count),
                                           QueueFieldOf(&Query::tag)};
  std::vector<Query> rows(2);
  rows[0].name = "first";
  rows[0].count = -4;
  rows[0].tag = "t,u";
  rows[1].name = "second";
  ini.UpdateQueue("Q", "Rows", rows, fields);
  EXPECT_EQ(Stored("Q", "Rows_1"), "first,-4,\"t,u\"") << "a field with a comma is quoted";
  EXPECT_EQ(Stored("Q", "Rows_2"), "second,0,");
  std::vector<Query> loaded;
  ini.FetchQueue("Q", "Rows", loaded, fields);
  ASSERT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded[0].name.Clipped(), "first");
  EXPECT_EQ(loaded[0].count, -4);
  EXPECT_EQ(VarRef(loaded[0].tag).ToText(), "t,u") << "the last field keeps its commas";
  EXPECT_EQ(loaded[1].name.Clipped(), "second");
}

TEST_F(IniManagerTest, FetchFieldTakesCommaSeparatedItems) {
  ini.Update("F", "three", "a,b,c");
  ini.Update("F", "gap", "a,,c");
  ini.Update("F", "empty", "");
  struct Case {
    const char* entry;
    std::uint8_t n;
    const char* expected;
  };
  const Case cases[] = {
      {"three", 1, "a"}, {"three", 2, "b"}, {"three", 3, "c"},
      {"three", 4, ""},  {"three", 0, ""},  {"gap", 2, ""},
      {"gap", 3, "c"},   {"empty", 1, ""},  {"none", 1, "---Unknown---"},
      {"none", 2, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.FetchField("F", c.entry, c.n), c.expected) << c.entry << " " << int(c.n);
  }
}

struct Row {
  std::string name;
  long count = 0;
  double ratio = 0;
  std::string note;
  int unnamed = 5;
};

std::vector<QueueField<Row>> RowFields() {
  return {QueueFieldOf(&Row::name), QueueFieldOf(&Row::count), QueueFieldOf(&Row::ratio),
          QueueFieldOf(&Row::note)};
}

TEST_F(IniManagerTest, SavedListsRoundTrip) {
  const std::vector<Row> rows = {
      {"first", 1, 0.5, "plain", 9},
      {"ünï", -20, 1e-3, "note, with, commas", 9},
      {"", 0, 0, "", 9},
  };
  ini.UpdateQueue("Lists", "Rows", rows, RowFields());
  EXPECT_EQ(Stored("Lists", "Rows"), "3");
  EXPECT_EQ(Stored("Lists", "Rows_1"), "first,1,0.5,plain");
  EXPECT_EQ(Stored("Lists", "Rows_3"), ",0,0,");

  std::vector<Row> loaded = {{"already", 0, 0, "", 0}};
  ini.FetchQueue("Lists", "Rows", loaded, RowFields());
  ASSERT_EQ(loaded.size(), 4u) << "FetchQueue appends";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(loaded[i + 1].name, rows[i].name);
    EXPECT_EQ(loaded[i + 1].count, rows[i].count);
    EXPECT_EQ(loaded[i + 1].ratio, rows[i].ratio);
    EXPECT_EQ(loaded[i + 1].note, rows[i].note);
    EXPECT_EQ(loaded[i + 1].unnamed, 5) << "a field not named keeps the record's default";
  }

  // Only the named fields are written, in order; a shorter list leaves the old tail ignored.
  ini.UpdateQueue("Lists", "Rows", std::vector<Row>{{"x", 7, 0, "", 0}},
                  {QueueFieldOf(&Row::name), QueueFieldOf(&Row::count)});
  EXPECT_EQ(Stored("Lists", "Rows_1"), "x,7");
  std::vector<Row> shorter;
  ini.FetchQueue("Lists", "Rows", shorter, {QueueFieldOf(&Row::name), QueueFieldOf(&Row::count)});
  ASSERT_EQ(shorter.size(), 1u);
  EXPECT_EQ(shorter[0].name, "x");
  EXPECT_EQ(shorter[0].count, 7);
}

// Query values such as "*a,b" must come back as typed in every field, and lists written before
// fields were quoted (or by hand) must read as they always did.
TEST_F(IniManagerTest, CommasAndQuotesInFieldsComeBackAsStored) {
  const std::vector<Row> rows = {
      {"*a,b", 1, 0, "x", 0},     {",", 2, 0, ",lead", 0}, {"\"q\"", 3, 0, "say \"hi\"", 0},
      {"\"", 4, 0, "\"a\",b", 0}, {"a\"b", 5, 0, "", 0},   {"", 6, 0, "end,", 0},
  };
  ini.UpdateQueue("C", "Rows", rows, RowFields());
  EXPECT_EQ(Stored("C", "Rows_1"), "\"*a,b\",1,0,x");
  EXPECT_EQ(Stored("C", "Rows_5"), "a\"b,5,0,") << "a quote inside a plain field stays as it is";
  std::vector<Row> loaded;
  ini.FetchQueue("C", "Rows", loaded, RowFields());
  ASSERT_EQ(loaded.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(loaded[i].name, rows[i].name) << i;
    EXPECT_EQ(loaded[i].count, rows[i].count) << i;
    EXPECT_EQ(loaded[i].note, rows[i].note) << i;
  }

  // Values as older copies of the program (or a person) wrote them.
  struct Old {
    const char* stored;
    const char* name;
    long count;
    const char* note;
  };
  const Old old[] = {
      {"plain,7,0,last, with, commas", "plain", 7, "last, with, commas"},
      {"\"unclosed,8,0,n", "\"unclosed", 8, "n"},
      {"\"a\"b,9,0,n", "\"a\"b", 9, "n"},
      {"x,1,0,\"open", "x", 1, "\"open"},
  };
  for (const Old& o : old) {
    ASSERT_EQ(PutProfileString("O", "Rows", "1", file), ProfileStatus::kOk);
    ASSERT_EQ(PutProfileString("O", "Rows_1", o.stored, file), ProfileStatus::kOk);
    std::vector<Row> back;
    ini.FetchQueue("O", "Rows", back, RowFields());
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, o.name) << o.stored;
    EXPECT_EQ(back[0].count, o.count) << o.stored;
    EXPECT_EQ(back[0].note, o.note) << o.stored;
    EXPECT_EQ(ini.FetchField("O", "Rows_1", 1), o.name) << o.stored;
  }
}

TEST_F(IniManagerTest, ARecordTheFileCannotHoldIsDroppedAlone) {
  const std::vector<Row> rows = {
      {"one", 1, 0, "", 0}, {"two\nlines", 2, 0, "", 0}, {"three", 3, 0, "", 0}};
  ini.UpdateQueue("Lists", "Rows", rows, RowFields());
  EXPECT_EQ(Stored("Lists", "Rows"), "3");
  EXPECT_EQ(Stored("Lists", "Rows_1"), "one,1,0,");
  EXPECT_EQ(Stored("Lists", "Rows_2"), std::nullopt);
  EXPECT_EQ(Stored("Lists", "Rows_3"), "three,3,0,");
}

TEST_F(IniManagerTest, SavedListCountsAndLimits) {
  struct Case {
    const char* count;
    std::size_t expected;
  };
  const Case cases[] = {{"2", 2}, {"-4", 0}, {"lots", 0}, {"", 0}};
  for (const Case& c : cases) {
    ini.Update("L", "N", c.count);
    std::vector<Row> rows;
    ini.FetchQueue("L", "N", rows, RowFields());
    EXPECT_EQ(rows.size(), c.expected) << c.count;
    if (!rows.empty()) {
      EXPECT_EQ(rows[0].name, "---Unknown---") << "records that are missing";
    }
  }
  std::vector<Row> big = {{std::string(6000, 'z'), 1, 0, "", 0}};
  ini.UpdateQueue("L", "Big", big, RowFields());
  EXPECT_EQ(Stored("L", "Big_1")->size(), IniManager::kQueueValueMax);
}

TEST_F(IniManagerTest, SectorsAreOrderedUniqueAndWrittenByKill) {
  ini.AddSector(ini.SectorName("Zeta", "b", "Query"));
  ini.AddSector(ini.SectorName("Alpha", "a$b", "Query"));
  ini.AddSector(ini.SectorName("Alpha", "a$b", "Query"));
  ini.AddSector(ini.SectorName("Alpha", "$", "Other"));
  ASSERT_NE(ini.SECTORS, nullptr);
  EXPECT_EQ(ini.SECTORS->size(), 3u);
  EXPECT_TRUE(std::is_sorted(ini.SECTORS->begin(), ini.SECTORS->end()));
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors"), std::nullopt) << "written only by Kill";

  ini.Kill();
  EXPECT_EQ(ini.SECTORS, nullptr);
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors"), "3");
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors_1"), "Alpha,$$$,Other");
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors_2"), "Alpha,a$$$b,Query");
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors_3"), "Zeta,b,Query");

  ASSERT_EQ(PutProfileString("__Dont_Touch_Me__", "Sectors", "0", file), ProfileStatus::kOk);
  ini.Kill();
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors"), "0") << "a second Kill wrote again";

  // The sectors come back in a new run, "$" items unchanged.
  ASSERT_EQ(PutProfileString("__Dont_Touch_Me__", "Sectors", "3", file), ProfileStatus::kOk);
  IniManager next;
  next.Init(file);
  struct Case {
    const char* family;
    const char* item;
    const char* type;
    std::vector<SectorRecord> expected;
  };
  const Case cases[] = {
      {"", "", "", {{"Alpha", "$", "Other"}, {"Alpha", "a$b", "Query"}, {"Zeta", "b", "Query"}}},
      {"Alpha", "", "", {{"Alpha", "$", "Other"}, {"Alpha", "a$b", "Query"}}},
      {"", "", "Query", {{"Alpha", "a$b", "Query"}, {"Zeta", "b", "Query"}}},
      {"Alpha", "a$$$b", "", {{"Alpha", "a$b", "Query"}}},
      {"Alpha", "a$b", "", {}},
      {"alpha", "", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<SectorRecord> list = {{"stale", "", ""}};
    next.GetSectors(c.family, c.item, c.type, list);
    EXPECT_EQ(list, c.expected) << c.family << "/" << c.item << "/" << c.type;
  }
}

TEST_F(IniManagerTest, HandEditedSectorListIsSortedAndDeduplicatedOnInit) {
  ASSERT_EQ(PutProfileString("__Dont_Touch_Me__", "Sectors", "3", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString("__Dont_Touch_Me__", "Sectors_1", "B,i,T", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString("__Dont_Touch_Me__", "Sectors_2", "A,i,T", file), ProfileStatus::kOk);
  ASSERT_EQ(PutProfileString("__Dont_Touch_Me__", "Sectors_3", "B,i,T", file), ProfileStatus::kOk);
  IniManager other;
  other.Init(file);
  ASSERT_NE(other.SECTORS, nullptr);
  EXPECT_EQ(*other.SECTORS, (std::vector<SectorRecord>{{"A", "i", "T"}, {"B", "i", "T"}}));
  other.AddSector("B$i$$T");
  EXPECT_EQ(other.SECTORS->size(), 2u);
}

TEST_F(IniManagerTest, SectorOperationsOutsideInitAndKillDoNothing) {
  ini.Kill();
  ini.AddSector("A$b$$c");
  std::vector<SectorRecord> list = {{"x", "y", "z"}};
  ini.GetSectors("", "", "", list);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(Stored("__Dont_Touch_Me__", "Sectors"), "0");
}

TEST(IniManagerInit, FileNameIsCutToItsField) {
  IniManager ini;
  ini.Init(std::string(300, 'n'));
  EXPECT_EQ(ini.FILENAME.size(), IniManager::kFileNameMax);
  ini.Kill();  // writes into a file whose name is too long: dropped, nothing to clean up
}

TEST(IniManagerKinds, RegistryKeepsValuesUnderTheKeyPath) {
  test::TempDirectory dir;
  test::ScopedEnvironment xdg("XDG_CONFIG_HOME", dir.path());
  IniManager ini;
  ini.Init("Software\\Korvandel", kIniRegistry, 0);
  ini.Update("BrowseArticulos", "XPos", 12);
  EXPECT_EQ(RegistryGetValue(kDefaultRegistryRoot, "Software\\Korvandel\\BrowseArticulos", "XPos"),
            "12");
  EXPECT_EQ(ini.TryFetch("BrowseArticulos", "XPos"), "12");
  ini.Update("BrowseArticulos", "XPos", "");
  EXPECT_EQ(RegistryGetValue(0, "Software\\Korvandel\\BrowseArticulos", "XPos"), std::nullopt)
      << "an empty value deletes";
  long keep = 5;
  ini.Fetch("BrowseArticulos", "XPos", keep);
  EXPECT_EQ(keep, 5);
  ini.AddSector("F$i$$T");
  ini.Kill();
  EXPECT_EQ(RegistryGetValue(0, "Software\\Korvandel\\__Dont_Touch_Me__", "Sectors_1"), "F,i,T");

  IniManager other;
  other.Init("", kIniRegistry, static_cast<std::int32_t>(0x80000001u));
  other.Update("Top", "V", "1");
  EXPECT_EQ(RegistryGetValue(0x80000001u, "Top", "V"), "1");
  EXPECT_EQ(RegistryGetValue(0, "Top", "V"), std::nullopt);
  other.Kill();
}

TEST(IniManagerKinds, NoneStoresNothing) {
  test::TempDirectory dir;
  test::ScopedEnvironment xdg("XDG_CONFIG_HOME", dir.path());
  char previous[4096];
  ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  IniManager ini;
  ini.Init("Korvandel.INI", kIniNone, 0);
  ini.Update("S", "K", "v");
  ini.AddSector("F$i$$T");
  std::string read = ini.TryFetch("S", "K");
  std::string field = ini.FetchField("S", "K", 1);
  long keep = 3;
  ini.Fetch("S", "K", keep);
  ini.Kill();
  ASSERT_EQ(::chdir(previous), 0);
  EXPECT_EQ(read, "");
  EXPECT_EQ(field, "---Unknown---");
  EXPECT_EQ(keep, 3);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "kind 2 wrote something";
}

// A normal, resizable window at (1, 2) sized 3 x 4.
class FakeWindowForSlots : public WindowPlacement {
 public:
  std::int32_t x = 1, y = 2;
  bool IsMaximized() const override { return false; }
  bool IsMinimized() const override { return false; }
  bool IsResizable() const override { return true; }
  std::int32_t PositionX() const override { return x; }
  std::int32_t PositionY() const override { return y; }
  std::int32_t Width() const override { return 3; }
  std::int32_t Height() const override { return 4; }
  void SetPosition(std::int32_t nx, std::int32_t ny) override {
    if (nx != kPlacementNotSet) x = nx;
    if (ny != kPlacementNotSet) y = ny;
  }
  void SetSize(std::int32_t, std::int32_t) override {}
  void SetMaximized(bool) override {}
  void SetMinimized(bool) override {}
};

// Storage replaced by a derived class: every operation must go through the virtual slots.
class MemoryIni : public IniManager {
 public:
  using IniManager::TryFetch;
  using IniManager::Update;
  std::map<std::string, std::string> store;
  std::vector<std::string> log;

  std::string TryFetch(std::string_view section, std::string_view entry,
                       std::string_view defaultValue, std::string_view file) override {
    auto it = store.find(Key(section, entry, file));
    return it == store.end() ? std::string(defaultValue) : it->second;
  }
  void Update(std::string_view section, std::string_view entry,
              std::optional<std::string_view> value, std::string_view file) override {
    log.push_back(std::string(entry));
    if (value) {
      store[Key(section, entry, file)] = std::string(*value);
    } else {
      store.erase(Key(section, entry, file));
    }
  }
  void BeforeLoadSectors() override {
    log.push_back(SECTORS && SECTORS->empty() ? "hook, empty sectors" : "hook, no sectors");
    store[Key("__Dont_Touch_Me__", "Sectors", FILENAME)] = "1";
    store[Key("__Dont_Touch_Me__", "Sectors_1", FILENAME)] = "F,i,T";
  }

 private:
  static std::string Key(std::string_view s, std::string_view e, std::string_view f) {
    return std::string(f) + "|" + std::string(s) + "|" + std::string(e);
  }
};

TEST(IniManagerSlots, EveryOperationUsesTheVirtualStorage) {
  test::TempDirectory dir;
  MemoryIni ini;
  ini.Init(dir.File("never.ini"));
  ASSERT_EQ(ini.log, std::vector<std::string>{"hook, empty sectors"});
  EXPECT_EQ(*ini.SECTORS, (std::vector<SectorRecord>{{"F", "i", "T"}}));

  ini.log.clear();
  ini.Update("Proc", "Maximize", "No");
  ini.Update("Proc", "XPos", "4");
  FakeWindowForSlots window;
  ini.FetchWindow("Proc", window);
  EXPECT_EQ(window.x, 4);
  ini.UpdateWindowPosition("Proc", window);
  ini.AddSector("G$j$$U");
  ini.Kill();
  EXPECT_EQ(ini.log,
            (std::vector<std::string>{"Maximize", "XPos", "Maximize", "Minimize", "XPos", "YPos",
                                      "Width", "Height", "Sectors", "Sectors_1", "Sectors_2"}));
  EXPECT_EQ(ini.TryFetch("__Dont_Touch_Me__", "Sectors_2"), "G,j,U");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(IniManagerConcurrency, ThreadsWritingEntriesAndSectorsLoseNothing) {
  test::TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  IniManager ini;
  ini.Init(file);
  constexpr int kThreads = 6;
  constexpr int kEach = 20;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
        ini.Update("Thread" + std::to_string(t % 2), name, i);
        ini.AddSector(ini.SectorName("Fam" + std::to_string(t), name, "Query"));
        std::vector<SectorRecord> seen;
        ini.GetSectors("Fam" + std::to_string(t), "", "", seen);
        if (seen.size() != static_cast<std::size_t>(i + 1)) ADD_FAILURE() << name;
      }
    });
  }
  for (auto& t : threads) t.join();
  ini.Kill();

  IniManager next;
  next.Init(file);
  std::vector<SectorRecord> all;
  next.GetSectors("", "", "", all);
  EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kEach));
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kEach; ++i) {
      std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
      EXPECT_EQ(FindProfileString("Thread" + std::to_string(t % 2), name, file), std::to_string(i));
    }
  }
}

// Six copies of the program in one folder, all started before any ends, end at the same
// moment: every copy's sectors survive, a sector one copy deleted stays deleted, and sectors no
// copy touched stay as they were.
TEST(IniManagerProcesses, CopiesEndingTogetherKeepEachOthersSectors) {
  test::TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  {
    IniManager first;
    first.Init(file);
    first.AddSector(first.SectorName("Browse", "old", "Query"));
    first.AddSector(first.SectorName("Browse", "keep,me", "Query"));
    first.Kill();
  }
  auto exists = [](const std::string& path) { return std::filesystem::exists(path); };
  constexpr int kCopies = 6;
  std::vector<std::unique_ptr<test::ChildProcess>> copies;
  for (int k = 0; k < kCopies; ++k) {
    copies.push_back(std::make_unique<test::ChildProcess>([&, k] {
      IniManager ini;
      ini.Init(file);
      ini.AddSector(ini.SectorName("Browse", "copy" + std::to_string(k), "Query"));
      if (k == 0) ini.DeleteSector(ini.SectorName("Browse", "old", "Query"));
      if (k == 1) ini.AddSector(ini.SectorName("Other", "a,b", "Query"));
      std::ofstream(dir.File("ready" + std::to_string(k))).put('1');
      while (!exists(dir.File("go"))) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      ini.Kill();
      return 0;
    }));
  }
  for (int k = 0; k < kCopies; ++k) {
    while (!exists(dir.File("ready" + std::to_string(k)))) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::ofstream(dir.File("go")).put('1');
  for (auto& copy : copies) ASSERT_EQ(copy->Wait(), 0);

  IniManager after;
  after.Init(file);
  std::vector<SectorRecord> all;
  after.GetSectors("", "", "", all);
  std::vector<SectorRecord> expected = {{"Browse", "keep,me", "Query"}, {"Other", "a,b", "Query"}};
  for (int k = 0; k < kCopies; ++k)
    expected.push_back({"Browse", "copy" + std::to_string(k), "Query"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(all, expected);
  after.Kill();
}

// Within one process: copies that end one after the other, a sector deleted and added again.
TEST(IniManagerSectors, KillAppliesThisRunsChangesToWhatIsStoredNow) {
  test::TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  IniManager a, b;
  a.Init(file);
  b.Init(file);
  a.AddSector("F$one$$Q");
  b.AddSector("F$two$$Q");
  b.AddSector("F$gone$$Q");
  b.DeleteSector("F$gone$$Q");
  a.DeleteSector("F$never$$Q");  // not there: nothing happens
  a.Kill();
  b.Kill();
  IniManager c;
  c.Init(file);
  EXPECT_EQ(*c.SECTORS, (std::vector<SectorRecord>{{"F", "one", "Q"}, {"F", "two", "Q"}}));
  c.DeleteSector("F$one$$Q");
  c.AddSector("F$three$$Q");
  IniManager d;  // started before c ends, re-adds what c deletes
  d.Init(file);
  d.DeleteSector("F$one$$Q");
  d.AddSector("F$one$$Q");
  c.Kill();
  d.Kill();
  IniManager e;
  e.Init(file);
  EXPECT_EQ(*e.SECTORS,
            (std::vector<SectorRecord>{{"F", "one", "Q"}, {"F", "three", "Q"}, {"F", "two", "Q"}}));
}

TEST(IniManagerProcesses, AnotherProcessSeesWhatOneWrote) {
  test::TempDirectory dir;
  std::string file = dir.File("Korvandel.INI");
  {
    test::ChildProcess child([&] {
      IniManager ini;
      ini.Init(file);
      ini.Update("MSSQLConnect", "LOC:DBname", "products");
      ini.AddSector(ini.SectorName("Browse", "mine$", "Query"));
      ini.Kill();
      return 0;
    });
    ASSERT_EQ(child.Wait(), 0);
  }
  IniManager ini;
  ini.Init(file);
  EXPECT_EQ(ini.TryFetch("MSSQLConnect", "LOC:DBname"), "products");
  std::vector<SectorRecord> sectors;
  ini.GetSectors("Browse", "", "Query", sectors);
  EXPECT_EQ(sectors, (std::vector<SectorRecord>{{"Browse", "mine$", "Query"}}));

  ini.Update("MSSQLConnect", "LOC:User", "parent");
  test::ChildProcess reader([&] {
    IniManager other;
    other.Init(file);
    return other.TryFetch("MSSQLConnect", "LOC:User") == "parent" ? 0 : 1;
  });
  EXPECT_EQ(reader.Wait(), 0) << "the child did not see the parent's write";
  ini.Kill();
}

// A settings file that cannot be written at all (a folder in its place): every write is
// dropped, and the handler hears of it once, after the operation released the lock.
TEST(IniManagerWriteFailure, TheHandlerIsToldOnceOutsideTheLock) {
  test::TempDirectory dir;
  const std::string file = dir.File("Korvandel.INI");
  ASSERT_TRUE(std::filesystem::create_directory(file));
  IniManager ini;
  std::vector<std::string> told;
  bool lockFree = false;
  ini.SetWriteFailureHandler([&](const std::string& name) {
    told.push_back(name);
    // Another thread gets the lock at once: nothing holds it while the user is told.
    std::thread other([&] { lockFree = ini.TryFetch("S", "K") == ""; });
    other.join();
  });
  ini.Init(file);
  ini.Update("S", "K", "1");
  ini.DeleteEntry("S", "K");
  ini.UpdateQueue("S", "List", std::vector<SectorRecord>{{"f", "i", "t"}},
                  {QueueFieldOf(&SectorRecord::FAMILY, 99)});
  ini.AddSector("fam$item$$type");
  ini.Kill();
  EXPECT_EQ(told, std::vector<std::string>{file});
  EXPECT_TRUE(lockFree);

  // A value the file refuses costs only that write; nobody is told.
  test::TempDirectory fine;
  IniManager other;
  int calls = 0;
  other.SetWriteFailureHandler([&](const std::string&) { ++calls; });
  other.Init(fine.File("Korvandel.INI"));
  other.Update("S", "K", "two\nlines");
  other.Update("S", "L", "ok");
  other.Kill();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(FindProfileString("S", "L", fine.File("Korvandel.INI")), "ok");
}

}  // namespace
}  // namespace kv
