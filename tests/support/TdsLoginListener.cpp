#include "tests/support/TdsLoginListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kv::test {
namespace {

// Packet types of the protocol.
constexpr std::uint8_t kPacketReply = 0x04;
constexpr std::uint8_t kPacketLogin7 = 0x10;
constexpr std::uint8_t kPacketPrelogin = 0x12;
constexpr std::uint8_t kStatusEndOfMessage = 0x01;

// How long one connection may take between two packets before the listener gives up on it.
constexpr int kReadTimeoutMs = 10000;

bool ReadExactly(int fd, std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, kReadTimeoutMs) <= 0) return false;
    ssize_t n = ::recv(fd, data, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void WriteAll(int fd, const std::vector<std::uint8_t>& data) {
  std::size_t at = 0;
  while (at < data.size()) {
    ssize_t n = ::send(fd, data.data() + at, data.size() - at, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    at += static_cast<std::size_t>(n);
  }
}

// Reads one message (one or more packets up to the end-of-message flag). False when the
// connection ends first.
bool ReadMessage(int fd, std::uint8_t* type, std::vector<std::uint8_t>* payload) {
  payload->clear();
  for (;;) {
    std::uint8_t header[8];
    if (!ReadExactly(fd, header, sizeof header)) return false;
    const std::size_t length = (std::size_t(header[2]) << 8) | header[3];
    if (length < 8) return false;
    std::vector<std::uint8_t> body(length - 8);
    if (!body.empty() && !ReadExactly(fd, body.data(), body.size())) return false;
    *type = header[0];
    payload->insert(payload->end(), body.begin(), body.end());
    if (header[1] & kStatusEndOfMessage) return true;
  }
}

std::vector<std::uint8_t> Packet(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
  const std::size_t length = payload.size() + 8;
  std::vector<std::uint8_t> out = {
      type, kStatusEndOfMessage, std::uint8_t(length >> 8), std::uint8_t(length), 0, 0, 1, 0};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// The pre-login answer: server version 15.0, encryption not supported.
std::vector<std::uint8_t> PreloginReply() {
  return Packet(kPacketReply, {
                                  0x00, 0x00, 11, 0x00, 6,  // VERSION at 11, 6 bytes
                                  0x01, 0x00, 17, 0x00, 1,  // ENCRYPTION at 17, 1 byte
                                  0xFF,                     // end of options
                                  15, 0, 0x07, 0xD0, 0, 0,  // 15.0.2000
                                  0x02,                     // ENCRYPT_NOT_SUP
                              });
}

void PutUtf16(std::vector<std::uint8_t>& out, std::string_view ascii) {
  for (char c : ascii) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
}

// The server's refusal: an error token 18456 "Login failed." and a done token with the error
// flag.
std::vector<std::uint8_t> LoginFailedReply() {
  constexpr std::string_view kText = "Login failed.";
  std::vector<std::uint8_t> token;
  const std::uint32_t number = 18456;
  for (int i = 0; i < 4; ++i) token.push_back(std::uint8_t(number >> (8 * i)));
  token.push_back(1);   // state
  token.push_back(14);  // class
  token.push_back(std::uint8_t(kText.size()));
  token.push_back(0);
  PutUtf16(token, kText);
  token.push_back(0);                              // server name: none
  token.push_back(0);                              // procedure name: none
  for (int i = 0; i < 4; ++i) token.push_back(0);  // line number
  std::vector<std::uint8_t> payload = {0xAA, std::uint8_t(token.size()),
                                       std::uint8_t(token.size() >> 8)};
  payload.insert(payload.end(), token.begin(), token.end());
  const std::uint8_t done[] = {0xFD, 0x02, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
  payload.insert(payload.end(), std::begin(done), std::end(done));
  return Packet(kPacketReply, payload);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// UTF-16LE units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string FromUtf16(const std::vector<std::uint16_t>& units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::uint16_t U16(const std::vector<std::uint8_t>& p, std::size_t at) {
  return std::uint16_t(p[at] | (p[at + 1] << 8));
}

// The text field whose offset and length (in UTF-16 units) stand at `at`.
bool Field(const std::vector<std::uint8_t>& p, std::size_t at, bool scrambled, std::string* out) {
  const std::size_t offset = U16(p, at), count = U16(p, at + 2);
  if (offset + 2 * count > p.size()) return false;
  std::vector<std::uint16_t> units;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t lo = p[offset + 2 * i], hi = p[offset + 2 * i + 1];
    if (scrambled) {
      // Each byte had its nibbles swapped, then was XORed with A5.
      auto unscramble = [](std::uint8_t b) {
        b ^= 0xA5;
        return std::uint8_t((b << 4) | (b >> 4));
      };
      lo = unscramble(lo);
      hi = unscramble(hi);
    }
    units.push_back(std::uint16_t(lo | (hi << 8)));
  }
  *out = FromUtf16(units);
  return true;
}

}  // namespace

bool DecodeTdsLogin(const std::vector<std::uint8_t>& p, TdsLogin* out) {
  // Fixed part: length, version, packet size, program version, pid, connection id (6 x 4
  // bytes), four flag bytes, time zone and locale (2 x 4 bytes); then the offset/length pairs.
  constexpr std::size_t kFixed = 36;
  if (p.size() < kFixed + 9 * 4) return false;
  TdsLogin login;
  login.tdsVersion = std::uint32_t(p[4] | (p[5] << 8) | (p[6] << 16)) | (std::uint32_t(p[7]) << 24);
  login.integratedSecurity = (p[25] & 0x80) != 0;  // option flags 2, integrated security
  if (!Field(p, kFixed + 0, false, &login.host) || !Field(p, kFixed + 4, false, &login.user) ||
      !Field(p, kFixed + 8, true, &login.password) || !Field(p, kFixed + 12, false, &login.app) ||
      !Field(p, kFixed + 16, false, &login.server) ||
      !Field(p, kFixed + 28, false, &login.language) ||
      !Field(p, kFixed + 32, false, &login.database))
    return false;
  *out = std::move(login);
  return true;
}

TdsLoginListener::TdsLoginListener() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 8) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    return;
  }
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

TdsLoginListener::~TdsLoginListener() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) ::close(listenFd_);
}

std::vector<TdsLogin> TdsLoginListener::Logins() const {
  std::lock_guard lock(mutex_);
  return logins_;
}

int TdsLoginListener::Connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void TdsLoginListener::Clear() {
  std::lock_guard lock(mutex_);
  logins_.clear();
  connections_ = 0;
}

void TdsLoginListener::WaitIdle() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return !serving_; });
}

void TdsLoginListener::Serve() {
  {
    std::lock_guard lock(mutex_);
    serving_ = false;
  }
  idle_.notify_all();
  for (;;) {
    pollfd p{listenFd_, POLLIN, 0};
    int ready = ::poll(&p, 1, 100);
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    if (ready <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    {
      std::lock_guard lock(mutex_);
      ++connections_;
      serving_ = true;
    }
    ServeOne(fd);
    ::close(fd);
    {
      std::lock_guard lock(mutex_);
      serving_ = false;
    }
    idle_.notify_all();
  }
}

void TdsLoginListener::ServeOne(int fd) {
  std::uint8_t type = 0;
  std::vector<std::uint8_t> payload;
  while (ReadMessage(fd, &type, &payload)) {
    if (type == kPacketPrelogin) {
      WriteAll(fd, PreloginReply());
    } else if (type == kPacketLogin7) {
      TdsLogin login;
      if (DecodeTdsLogin(payload, &login)) {
        std::lock_guard lock(mutex_);
        logins_.push_back(std::move(login));
      }
      WriteAll(fd, LoginFailedReply());
      return;
    } else {
      return;
    }
  }
}

}  // namespace kv::test
