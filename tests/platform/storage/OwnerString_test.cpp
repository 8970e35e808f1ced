#include "platform/storage/OwnerString.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

struct OwnerCase {
  const char* owner;
  DatabaseKind kind;
  const char* host;
  const char* port;
  const char* database;
  const char* user;
  const char* password;
  bool integrated;
};

TEST(OwnerString, ParsesEveryFormTheConnectionDialogComposes) {
  const std::string longServer(70, 's');
  const std::string longOwner = longServer + ",db,u,p";
  const OwnerCase cases[] = {
      {",shop", DatabaseKind::kSqlite, "", "", "shop.sqlite", "", "", true},
      {",shop.db", DatabaseKind::kSqlite, "", "", "shop.db", "", "", true},
      {",", DatabaseKind::kSqlite, "", "", "Korvandel.sqlite", "", "", true},
      {"", DatabaseKind::kSqlite, "", "", "Korvandel.sqlite", "", "", true},
      {",shop.", DatabaseKind::kSqlite, "", "", "shop..sqlite", "", "", true},
      {"srv,db", DatabaseKind::kSqlServer, "srv", "", "db", "", "", true},
      {"\"srv,1433\",db", DatabaseKind::kSqlServer, "srv", "1433", "db", "", "", true},
      {"\"srv, 1433\",db,sa,pw", DatabaseKind::kSqlServer, "srv", "1433", "db", "sa", "pw", false},
      {"srv\\inst,db,sa,", DatabaseKind::kSqlServer, "srv\\inst", "", "db", "sa", "", false},
      {"srv,db,sa,p,a,s,s", DatabaseKind::kSqlServer, "srv", "", "db", "sa", "p,a,s,s", false},
      {"srv,db,sa,\"quoted\",pw", DatabaseKind::kSqlServer, "srv", "", "db", "sa", "\"quoted\",pw",
       false},
      {"postgresql://pg.local,shop,me,secret", DatabaseKind::kPostgres, "pg.local", "", "shop",
       "me", "secret", false},
      {"postgresql://pg.local:5433,shop", DatabaseKind::kPostgres, "pg.local", "5433", "shop", "",
       "", true},
      {"postgresql://[::1]:5433/,shop,a,b", DatabaseKind::kPostgres, "::1", "5433", "shop", "a",
       "b", false},
      {longOwner.c_str(), DatabaseKind::kSqlServer, longServer.c_str(), "", "db", "u", "p", false},
  };
  for (const OwnerCase& c : cases) {
    SCOPED_TRACE(c.owner);
    OwnerSpec spec;
    std::string why;
    ASSERT_TRUE(ParseOwner(c.owner, &spec, &why)) << why;
    EXPECT_EQ(spec.kind, c.kind);
    EXPECT_EQ(spec.host, c.host);
    EXPECT_EQ(spec.port, c.port);
    EXPECT_EQ(spec.database, c.database);
    EXPECT_EQ(spec.user, c.user);
    EXPECT_EQ(spec.password, c.password);
    EXPECT_EQ(spec.integratedLogin, c.integrated);
  }
}

TEST(OwnerString, RefusesOwnersThatNameNoUsableDatabase) {
  const char* bad[] = {
      "\"srv,1433,db",          // unterminated quote
      "\"srv\"x,db",            // text after the quoted server
      "\"srv,port\",db",        // port that is not a number
      "srv,123456,db",          // a quoted-less comma makes 123456 the database: fine below
      "postgresql://:5432,db",  // no host
      "postgresql://h:54x,db",  // bad port
      ",../escape",             // SQLite file must stay in the working directory
      ",/etc/passwd",
      ",sub\\file",
      ",..",
  };
  for (const char* owner : bad) {
    SCOPED_TRACE(owner);
    OwnerSpec spec;
    std::string why;
    bool ok = ParseOwner(owner, &spec, &why);
    if (std::string(owner) == "srv,123456,db") {
      // Without quotes the comma separates server and database, as the dialog means it.
      ASSERT_TRUE(ok);
      EXPECT_EQ(spec.host, "srv");
      EXPECT_EQ(spec.database, "123456");
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_FALSE(why.empty());
  }
}

TEST(OwnerString, OdbcStringCarriesEachValueAsItsOwnKey) {
  OwnerSpec spec;
  ASSERT_TRUE(ParseOwner("\"db.example,1433\",Shop,sa,p;w}d=,x", &spec));
  std::string s;
  ASSERT_TRUE(BuildOdbcConnectionString(spec, "FreeTDS", &s));
  EXPECT_EQ(s,
            "Driver={FreeTDS};Server=db.example;Port=1433;Database=Shop;UID=sa;"
            "PWD={p;w}}d=,x};TDS_Version=7.4;ClientCharset=UTF-8;");
  ASSERT_TRUE(ParseOwner("db.example,Shop", &spec));
  ASSERT_TRUE(BuildOdbcConnectionString(spec, "FreeTDS", &s));
  EXPECT_EQ(s,
            "Driver={FreeTDS};Server=db.example;Database=Shop;Trusted_Connection=Yes;"
            "TDS_Version=7.4;ClientCharset=UTF-8;");
  EXPECT_EQ(s.back(), ';');
}

TEST(OwnerString, InjectionAttemptsInHostDatabaseOrUserAreRefused) {
  struct Attempt {
    const char* field;
    OwnerSpec spec;
  };
  auto with = [](std::string host, std::string db, std::string user) {
    OwnerSpec s;
    s.kind = DatabaseKind::kSqlServer;
    s.host = std::move(host);
    s.database = std::move(db);
    s.user = std::move(user);
    s.integratedLogin = false;
    return s;
  };
  const Attempt attempts[] = {
      {"host ;", with("srv;Trusted_Connection=Yes", "db", "u")},
      {"host =", with("srv=x", "db", "u")},
      {"database ;", with("srv", "db;Server=evil", "u")},
      {"database {", with("srv", "{db}", "u")},
      {"user ;", with("srv", "db", "sa;Driver={Other}")},
      {"user }", with("srv", "db", "sa}")},
      {"user control", with("srv", "db", std::string("sa\nx"))},
      {"host control", with(std::string("srv\x01", 4), "db", "u")},
  };
  for (const Attempt& a : attempts) {
    SCOPED_TRACE(a.field);
    std::string out = "untouched", why;
    EXPECT_FALSE(BuildOdbcConnectionString(a.spec, "FreeTDS", &out, &why));
    EXPECT_EQ(out, "untouched");
    EXPECT_FALSE(why.empty());
  }
  OwnerSpec control = with("srv", "db", "u");
  control.password = "a\nb";
  std::string out;
  EXPECT_FALSE(BuildOdbcConnectionString(control, "FreeTDS", &out));
}

}  // namespace
}  // namespace kv
