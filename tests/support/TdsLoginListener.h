#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

// What a client sent in the login packet of the SQL Server wire protocol (TDS 7, LOGIN7), as
// the server decodes it: the texts are converted from UTF-16 to UTF-8, the password
// unscrambled.
struct TdsLogin {
  std::string host;      // the client's machine name
  std::string user;      // the SQL login name; empty with integrated security
  std::string password;  // the SQL login password
  std::string app;       // application name
  std::string server;    // the server name the client was told to reach
  std::string language;
  std::string database;             // the initial database
  bool integratedSecurity = false;  // the client asked for the operating system's login
  std::uint32_t tdsVersion = 0;
};

// A listener on 127.0.0.1 that plays the server's side of a SQL Server login far enough to
// read the client's login packet: it answers the pre-login handshake saying that it does not
// encrypt, reads LOGIN7, records what it holds and refuses the login with the server's
// "Login failed" error, then closes the connection. Clients therefore always fail to connect;
// the point is what reached the server.
//
// One thread serves the connections one after another until the object is destroyed. Thread:
// the accessors may be called from any thread.
class TdsLoginListener {
 public:
  TdsLoginListener();
  ~TdsLoginListener();
  TdsLoginListener(const TdsLoginListener&) = delete;
  TdsLoginListener& operator=(const TdsLoginListener&) = delete;

  // The port it listens on, or 0 when it could not listen.
  int Port() const { return port_; }

  // Every login decoded so far, oldest first.
  std::vector<TdsLogin> Logins() const;
  // Connections accepted so far (a client that gave up before its login packet counts too).
  int Connections() const;
  // Forgets the logins and connections seen so far.
  void Clear();
  // Waits until no connection is being served. Call it before fork(): a child forked while the
  // serving thread is inside the allocator (decoding a login, freeing its buffers) inherits the
  // allocator's lock held and hangs at its first allocation.
  void WaitIdle();

 private:
  void Serve();
  void ServeOne(int fd);

  int listenFd_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<TdsLogin> logins_;  // guarded by mutex_
  int connections_ = 0;           // guarded by mutex_
  bool stopping_ = false;         // guarded by mutex_
  bool serving_ = true;  // guarded by mutex_; false while the thread waits for a connection
  std::condition_variable idle_;  // notified when serving_ turns false
  std::thread thread_;
};

// Decodes the payload of a LOGIN7 packet (the bytes after the packet headers, joined). False
// when it is too short or an offset points outside it.
bool DecodeTdsLogin(const std::vector<std::uint8_t>& payload, TdsLogin* out);

}  // namespace kv::test
