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
      {"srv,db,sa,\"\"\"quoted\"\",pw\"", DatabaseKind::kSqlServer, "srv", "", "db", "sa",
       "\"quoted\",pw", false},
      {"srv,db,\"do,main\",pw", DatabaseKind::kSqlServer, "srv", "", "db", "do,main", "pw", false},
      {"srv,\"a,b\"", DatabaseKind::kSqlServer, "srv", "", "a,b", "", "", true},
      {"srv,\"\",\"\",\"\"", DatabaseKind::kSqlServer, "srv", "", "", "", "", false},
      {"srv,db,u,pass\"word", DatabaseKind::kSqlServer, "srv", "", "db", "u", "pass\"word", false},
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
      "srv,\"db,u,p",           // unterminated quote in the database
      "srv,db,\"u\"x,p",        // text after the quoted user
      "srv,db,u,\"p\",more",    // text after the quoted password
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

// FreeTDS reads a braced value up to the first "};" and never un-doubles "}}"; the toolkit's
// ODBC layer takes any connection string holding ".dsn" for a data source file. The login
// keeps the credentials out of the connection string and braces every value, or refuses it.
TEST(OwnerString, OdbcLoginCarriesEveryValueAsTypedOrRefusesIt) {
  struct Case {
    const char* owner;
    const char* connection;  // nullptr: refused
    const char* uid;
    const char* pwd;
    const char* refusal;  // a part of the reason
  };
  const Case cases[] = {
      {"\"db.example,1433\",Shop,sa,p;w}d=,x",
       "Driver={FreeTDS};Server=db.example;Port=1433;Database={Shop};TDS_Version=7.4;"
       "ClientCharset=UTF-8",
       "{sa}", "{p;w}d=,x}", nullptr},
      {"db.example,Shop",
       "Driver={FreeTDS};Server=db.example;Database={Shop};Trusted_Connection=Yes;"
       "TDS_Version=7.4;ClientCharset=UTF-8",
       "", "", nullptr},
      {"srv,db,u,pw}",
       "Driver={FreeTDS};Server=srv;Database={db};TDS_Version=7.4;"
       "ClientCharset=UTF-8",
       "{u}", "{pw}}", nullptr},
      {"srv,db,u,my.dsnpass",
       "Driver={FreeTDS};Server=srv;Database={db};TDS_Version=7.4;"
       "ClientCharset=UTF-8",
       "{u}", "{my.dsnpass}", nullptr},
      {"srv,\"a,b\"",
       "Driver={FreeTDS};Server=srv;Database={a,b};Trusted_Connection=Yes;"
       "TDS_Version=7.4;ClientCharset=UTF-8",
       "", "", nullptr},
      {"srv,db;x=}",
       "Driver={FreeTDS};Server=srv;Database={db;x=}};Trusted_Connection=Yes;"
       "TDS_Version=7.4;ClientCharset=UTF-8",
       "", "", nullptr},
      {"srv,db,u,x};UID=evil;PWD={y", nullptr, "", "", "password holds \"}\" followed by \";\""},
      {"srv,db,sa};x,p", nullptr, "", "", "user name holds \"}\" followed by \";\""},
      {"srv,db};Server=evil", nullptr, "", "", "database name holds \"}\" followed by \";\""},
      {"srv,shop.dsn", nullptr, "", "", "database name holds \".dsn\""},
      {"srv,shop.DSN,u,p", nullptr, "", "", "database name holds \".dsn\""},
      {"my.dsnhost,db", nullptr, "", "", "server name holds \".dsn\""},
      {"srv;Trusted_Connection=Yes,db", nullptr, "", "", "server name holds \";\""},
      {"srv=x,db", nullptr, "", "", "server name holds \"=\""},
      {"srv{,db", nullptr, "", "", "server name holds \"{\""},
      {"srv,db,u,a\nb", nullptr, "", "", "password holds a control character"},
      {"srv,d\x01b", nullptr, "", "", "database name holds a control character"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.owner);
    OwnerSpec spec;
    ASSERT_TRUE(ParseOwner(c.owner, &spec));
    OdbcLogin login;
    login.connectionString = "untouched";
    std::string why;
    const bool ok = BuildOdbcLogin(spec, "FreeTDS", &login, &why);
    if (c.connection == nullptr) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(login.connectionString, "untouched");
      EXPECT_NE(why.find(c.refusal), std::string::npos) << why;
      // The reason names the character, never the value (it may be the password).
      if (!spec.password.empty()) {
        EXPECT_EQ(why.find(spec.password), std::string::npos);
      }
      continue;
    }
    ASSERT_TRUE(ok) << why;
    EXPECT_EQ(login.connectionString, c.connection);
    EXPECT_EQ(login.uid, c.uid);
    EXPECT_EQ(login.pwd, c.pwd);
  }
}

TEST(OwnerString, ComposedPartsParseBackToTheValues) {
  const char* values[] = {"", "plain", "do,main", "\"", "\"\"", "a\"b,c\"", ",", "\",\"", " lead"};
  for (const char* server : {"srv", "srv,1433"}) {
    for (const char* v : values) {
      SCOPED_TRACE(std::string(server) + " / " + v);
      const std::string owner = ComposeOwnerPart(server) + "," + ComposeOwnerPart(v) + "," +
                                ComposeOwnerPart(v) + "," + ComposeOwnerPart(v);
      OwnerSpec spec;
      std::string why;
      ASSERT_TRUE(ParseOwner(owner, &spec, &why)) << why;
      EXPECT_EQ(spec.server, server);
      EXPECT_EQ(spec.database, v);
      EXPECT_EQ(spec.user, v);
      EXPECT_EQ(spec.password, v);
    }
  }
}

}  // namespace
}  // namespace kv
