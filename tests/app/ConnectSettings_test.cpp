#include "app/ConnectSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/storage/OwnerString.h"
#include "tests/support/TempDirectory.h"

namespace kv {
namespace {

// The connection string, and what the storage layer reads back from it: the parts must arrive
// exactly as typed, whatever their length.
TEST(ConnectSettings, ComposesTheConnectionString) {
  struct Case {
    const char* name;
    ConnectEntries entries;
    std::string owner;
    DatabaseKind kind;
    bool integrated;
  };
  const std::string longDb(30, 'd'), longUser(20, 'u'), longPass = "p,a;s=s{w}o rd_12345";
  const Case cases[] = {
      {"windows auth: two parts",
       {"srv", "db", "user", "pw", 1, 0, 0},
       "srv,db",
       DatabaseKind::kSqlServer,
       true},
      {"credentials",
       {"srv", "db", "user", "pw", 0, 0, 0},
       "srv,db,user,pw",
       DatabaseKind::kSqlServer,
       false},
      {"server with a port is quoted",
       {"srv,1433", "db", "", "", 1, 0, 0},
       "\"srv,1433\",db",
       DatabaseKind::kSqlServer,
       true},
      {"quoted server with credentials",
       {"srv,1433", "db", "u", "p", 0, 0, 0},
       "\"srv,1433\",db,u,p",
       DatabaseKind::kSqlServer,
       false},
      {"trailing blanks are clipped",
       {"srv   ", "db  ", "u ", "p  ", 0, 0, 0},
       "srv,db,u,p",
       DatabaseKind::kSqlServer,
       false},
      {"empty server: embedded database",
       {"", "shop", "", "", 0, 0, 0},
       ",shop,,",
       DatabaseKind::kSqlite,
       false},
      {"windows auth other than 1 still leaves credentials out",
       {"srv", "db", "u", "p", 2, 0, 0},
       "srv,db",
       DatabaseKind::kSqlServer,
       true},
      {"a user with a comma stays the user",
       {"srv", "db", "do,main", "pw", 0, 0, 0},
       "srv,db,\"do,main\",pw",
       DatabaseKind::kSqlServer,
       false},
      {"a database with a comma keeps windows auth at two parts",
       {"srv", "a,b", "", "", 1, 0, 0},
       "srv,\"a,b\"",
       DatabaseKind::kSqlServer,
       true},
      {"quotes inside a part are doubled",
       {"srv", "db", "u", "\"x\",y", 0, 0, 0},
       "srv,db,u,\"\"\"x\"\",y\"",
       DatabaseKind::kSqlServer,
       false},
      {"long entries are kept whole",
       {"postgresql://localhost:5432", longDb, longUser, longPass, 0, 0, 0},
       "postgresql://localhost:5432," + longDb + "," + longUser + ",\"" + longPass + "\"",
       DatabaseKind::kPostgres,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string owner = ComposeConnectionString(c.entries);
    EXPECT_EQ(owner, c.owner);
    OwnerSpec spec;
    std::string why;
    ASSERT_TRUE(ParseOwner(owner, &spec, &why)) << why;
    EXPECT_EQ(spec.kind, c.kind);
    EXPECT_EQ(spec.integratedLogin, c.integrated);
    if (c.kind != DatabaseKind::kSqlite) {
      auto clip = [](std::string s) { return s.erase(s.find_last_not_of(' ') + 1); };
      EXPECT_EQ(spec.database, clip(c.entries.dbName));
    }
    if (!c.integrated && c.kind != DatabaseKind::kSqlite) {
      auto clip = [](std::string s) { return s.erase(s.find_last_not_of(' ') + 1); };
      EXPECT_EQ(spec.user, clip(c.entries.user));
      EXPECT_EQ(spec.password, clip(c.entries.pass));
    }
  }
}

// The settings written after a connection and read at the next start.
TEST(ConnectSettings, WritesAllSevenEntriesAndReadsThemBack) {
  struct Case {
    const char* name;
    ConnectEntries written;
    const char* user;  // as read back
    const char* pass;
  };
  const Case cases[] = {
      {"remembered", {"srv,1433", "db", "alice", " sec=ret;", 0, 1, 1}, "alice", " sec=ret;"},
      {"not remembered: user and password empty",
       {"srv", "db", "alice", "secret", 0, 0, 0},
       "",
       ""},
      {"windows auth", {"srv", "db", "", "", 1, 0, 1}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDirectory dir;
    const std::string file = dir.File("Korvandel.INI");
    // A user and password remembered earlier must be replaced by empty entries.
    ASSERT_EQ(PutProfileString(kConnectSection, "LOC:User", "old", file), ProfileStatus::kOk);
    ASSERT_EQ(PutProfileString(kConnectSection, "LOC:Pass", "old", file), ProfileStatus::kOk);
    ASSERT_EQ(SaveConnectEntries(c.written, file), ProfileStatus::kOk);
    for (const char* entry : {"LOC:Server", "LOC:DBname", "LOC:WindowsAuth", "LOC:RemeberUP",
                              "LOC:AutoConnect", "LOC:User", "LOC:Pass"}) {
      EXPECT_TRUE(FindProfileString(kConnectSection, entry, file).has_value()) << entry;
    }
    ConnectEntries read = LoadConnectEntries(file);
    EXPECT_EQ(read.server, c.written.server);
    EXPECT_EQ(read.dbName, c.written.dbName);
    EXPECT_EQ(read.windowsAuth, c.written.windowsAuth);
    EXPECT_EQ(read.remeberUP, c.written.remeberUP);
    EXPECT_EQ(read.autoConnect, c.written.autoConnect);
    EXPECT_EQ(read.user, c.user);
    EXPECT_EQ(read.pass, c.pass);
  }
}

// Entries edited by hand: missing ones read as empty or 0, numbers that are not numbers as 0.
TEST(ConnectSettings, ReadsMissingAndDamagedEntriesAsEmpty) {
  struct Case {
    const char* text;
    int autoConnect;
    const char* server;
  };
  const Case cases[] = {
      {"", 0, ""},
      {"[MSSQLConnect]\nLOC:AutoConnect=yes\n", 0, ""},
      {"[MSSQLConnect]\nLOC:AutoConnect= 1\nLOC:Server=s\n", 1, "s"},
      {"[mssqlconnect]\nloc:autoconnect=1\n", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    test::TempDirectory dir;
    const std::string file = dir.File("Korvandel.INI");
    if (*c.text) {
      FILE* f = std::fopen(file.c_str(), "w");
      ASSERT_NE(f, nullptr);
      std::fputs(c.text, f);
      std::fclose(f);
    }
    ConnectEntries read = LoadConnectEntries(file);
    EXPECT_EQ(read.autoConnect, c.autoConnect);
    EXPECT_EQ(read.server, c.server);
    EXPECT_EQ(read.windowsAuth, 0);
  }
}

}  // namespace
}  // namespace kv
