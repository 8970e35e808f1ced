// What the connection dialog sends to a SQL Server, seen from the server's side: the whole
// program runs in a child process, the user types into "MSSQL Connect" and presses "&Connect",
// and a listener on loopback decodes the login packet that the installed FreeTDS driver sends
// (tests/support/TdsLoginListener.h). Every value must arrive exactly as typed, or the dialog
// must refuse it before anything is sent, saying which character cannot be carried. A NUL or
// another control character is refused in every entry; a 100 KB paste is cut to the entry's
// bytes on a character boundary and arrives cut, never spilling into connection-string syntax.
#include <gtest/gtest.h>

#include <optional>
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

std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
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
    const char* refusal;                // part of the message when it is refused before connecting
    std::optional<Typed> arrives = {};  // when not as typed: cut to the entries' bytes
    std::string server = {};            // when not the listener
  };
  // Right-to-left letters with a combining mark, and a character outside the basic plane.
  const std::string emoji = "\xF0\x9F\x98\x80";
  const std::string paste(100 * 1024, 'Z');
  auto z = [](std::size_t n) { return std::string(n, 'Z'); };
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
      // NUL and other control characters are refused in every entry, naming it.
      {"NUL in the password",
       {"db", "u", std::string("ab\0cd", 5)},
       "the password holds a control"},
      {"NUL in the user", {"db", std::string("u\0v", 3), "pw4"}, "the user name holds a control"},
      {"NUL in the database", {std::string("d\0b", 3), "u", "pw5"}, "the database name holds a"},
      {"escape and tab", {"db\t", "u", "a\x01\x1b"}, "holds a control character"},
      {"NUL in the server",
       {"db", "u", "pw3"},
       "the server name holds a control character",
       {},
       std::string("127.0.0.1\0,", 11) + std::to_string(listener.Port())},
      {"keys after the port",
       {"db", "u", "pw3"},
       "the port is not a number",
       {},
       server + ";UID=evil"},
      // A paste is cut to the entries' 30, 20 and 20 bytes, a 4-byte character only whole.
      {"a 100 KB paste", {paste, paste, paste}, nullptr, Typed{z(30), z(20), z(20)}},
      {"a 100 KB paste after the port",
       {"db", "u", "pw3"},
       "the port is not a number",
       {},
       server + paste},
      {"a 100 KB paste into the server",
       {"db", "u", "pw3"},
       "Unknown host machine name",
       {},
       paste},
      {"4-byte characters past the end",
       {"db", Times(emoji, 6), Times(emoji, 5) + "x"},
       nullptr,
       Typed{"db", Times(emoji, 5), Times(emoji, 5)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    listener.WaitIdle();
    listener.Clear();
    ProgramFolder folder;
    auto run = folder.Run(
        [&](SessionDriver& d) { ConnectOnce(d, c.server.empty() ? server : c.server, c.typed); });
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
      // A host name of thirty "Z" is no connection-string syntax: the driver finds no such host.
      if (c.server != paste) {
        EXPECT_NE(record.find("invalid connection string"), std::string::npos) << record;
      }
      EXPECT_NE(record.find(c.refusal), std::string::npos) << record;
      continue;
    }
    ASSERT_EQ(logins.size(), 1u) << record;
    const Typed& arrives = c.arrives ? *c.arrives : c.typed;
    EXPECT_EQ(logins[0].user, arrives.user);
    EXPECT_EQ(logins[0].password, arrives.pass);
    EXPECT_EQ(logins[0].database, arrives.dbName);
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
