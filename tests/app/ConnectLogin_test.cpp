// What the connection dialog sends to a SQL Server, seen from the server's side: the whole
// program runs in a child process, the user types into "MSSQL Connect" and presses "&Connect",
// and a listener on loopback decodes the login packet that the installed FreeTDS driver sends
// (tests/support/TdsLoginListener.h). Every value must arrive exactly as typed, or the dialog
// must refuse it before anything is sent, saying which character cannot be carried.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/windows/SQLConnectWindow.h"
#include "platform/window/UserInput.h"
#include "tests/app/ConnectSession.h"
#include "tests/support/OdbcDrivers.h"
#include "tests/support/TdsLoginListener.h"

namespace kv {
namespace {

using test::ProgramFolder;
using test::SessionDriver;
using test::TdsLogin;
using test::TdsLoginListener;

struct Typed {
  std::string dbName, user, pass;
  bool windowsAuth = false;
};

// Types the entries (the server is the listener), presses "&Connect", records the message box
// it gets ("message ..."; the listener refuses every login), then leaves with "&Exit Program".
void ConnectOnce(SessionDriver& d, const std::string& server, const Typed& t) {
  WindowId dialog = d.Dialog();
  if (dialog == 0) return d.Record("no dialog");
  auto type = [&](int control, const std::string& text) {
    if (InputStatus s = TypeInto(dialog, control, text); s != InputStatus::kOk)
      d.Record("type " + std::to_string(control) + " " + InputStatusText(s));
    d.Backend().WaitSettled();
  };
  type(kConnectServer, server);
  type(kConnectDBname, t.dbName);
  type(kConnectUser, t.user);
  type(kConnectPass, t.pass);
  if (t.windowsAuth) (void)Press(dialog, kConnectWindowsAuth);
  d.Backend().WaitSettled();
  (void)Press(dialog, kConnectOkButton);
  std::string message = d.PendingMessage();
  d.Record("message " + message);
  if (!message.empty()) d.Backend().AnswerPending(kButtonOk);
  d.Backend().WaitSettled();
  d.Record("owner " + ConnectionOwner.Get());
  (void)Press(dialog, kConnectCancelButton);
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

TEST(ConnectLogin, EveryValueReachesTheServerAsTypedOrIsRefusedFirst) {
  if (!testing::OdbcDriverInstalled("FreeTDS")) GTEST_SKIP() << "FreeTDS ODBC driver missing";
  TdsLoginListener listener;
  ASSERT_GT(listener.Port(), 0);
  const std::string server = "127.0.0.1," + std::to_string(listener.Port());

  struct Case {
    const char* name;
    Typed typed;
    const char* refusal;  // part of the message when it is refused before connecting
  };
  // Right-to-left letters with a combining mark, and a character outside the basic plane.
  const std::string hostile = "\";'\xD7\xA9\xCC\x81\xF0\x9F\x98\x80=,}";
  const Case cases[] = {
      {"a password that tries to add keys", {"db", "u", "x};UID=evil;PWD={y"}, "followed by"},
      {"a password ending in a brace", {"db", "u", "secret}"}, nullptr},
      {"a password holding .dsn", {"db", "u", "my.dsnpass"}, nullptr},
      {"a database holding .dsn", {"shop.dsn", "u", "pw1"}, "\".dsn\""},
      {"a user holding a comma", {"db", "do,main", "pw2"}, nullptr},
      {"quotes, semicolons, right-to-left and 4-byte characters",
       {"d;b=x}", hostile, hostile},
       nullptr},
      {"blanks at the start", {" db", " u", " p"}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    listener.WaitIdle();
    listener.Clear();
    ProgramFolder folder;
    auto run = folder.Run([&](SessionDriver& d) { ConnectOnce(d, server, c.typed); });
    EXPECT_EQ(run.exitCode, 0);
    const std::string record = Joined(run.lines);
    const std::vector<TdsLogin> logins = listener.Logins();
    // The message box never shows the password, whatever became of it.
    for (const std::string& line : run.lines) {
      if (line.rfind("message ", 0) == 0) {
        EXPECT_EQ(line.find(c.typed.pass), std::string::npos) << line;
      }
    }
    if (c.refusal) {
      EXPECT_EQ(listener.Connections(), 0) << "nothing may be sent";
      EXPECT_NE(record.find("invalid connection string"), std::string::npos) << record;
      EXPECT_NE(record.find(c.refusal), std::string::npos) << record;
      continue;
    }
    ASSERT_EQ(logins.size(), 1u) << record;
    EXPECT_EQ(logins[0].user, c.typed.user);
    EXPECT_EQ(logins[0].password, c.typed.pass);
    EXPECT_EQ(logins[0].database, c.typed.dbName);
    EXPECT_FALSE(logins[0].integratedSecurity);
    EXPECT_NE(record.find("Login failed"), std::string::npos) << record;
  }
}

// With Windows authentication a database name holding a comma stays the database: the string
// keeps two parts, and no SQL login (as a user named after the rest of the name) is attempted.
TEST(ConnectLogin, WindowsAuthenticationNeverTurnsADatabaseIntoAUser) {
  if (!testing::OdbcDriverInstalled("FreeTDS")) GTEST_SKIP() << "FreeTDS ODBC driver missing";
  TdsLoginListener listener;
  ASSERT_GT(listener.Port(), 0);
  const std::string server = "127.0.0.1," + std::to_string(listener.Port());
  ProgramFolder folder;
  listener.WaitIdle();
  auto run = folder.Run([&](SessionDriver& d) {
    ConnectOnce(d, server, Typed{"a,b", "u", "p", true});
  });
  EXPECT_EQ(run.exitCode, 0);
  const std::string record = Joined(run.lines);
  EXPECT_NE(record.find("owner \"" + server + "\",\"a,b\"\n"), std::string::npos) << record;
  for (const TdsLogin& login : listener.Logins()) {
    EXPECT_TRUE(login.integratedSecurity);
    EXPECT_EQ(login.user, "");
    EXPECT_EQ(login.database, "a,b");
  }
}

}  // namespace
}  // namespace kv
