#include "tests/support/PgCluster.h"

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kv::test {
namespace {

namespace fs = std::filesystem;

// The newest installed server version's programs.
std::string ServerBin() {
  std::string best;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    fs::path bin = e.path() / "bin";
    if (fs::exists(bin / "initdb", ec) && bin.string() > best) best = bin.string();
  }
  return best;
}

int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  ::close(fd);
  return port;
}

}  // namespace

PgCluster::PgCluster() {
  bin_ = ServerBin();
  if (bin_.empty()) {
    error_ = "no PostgreSQL server programs under /usr/lib/postgresql";
    return;
  }
  std::string pattern = (fs::temp_directory_path() / "kv-pg-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    error_ = "cannot make a temporary folder";
    return;
  }
  dir_ = pattern;
  asPostgres_ = ::geteuid() == 0;
  if (asPostgres_) {
    const passwd* pw = ::getpwnam("postgres");
    if (pw == nullptr || ::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
      error_ = "running as root, but there is no user postgres to run the server";
      return;
    }
  }
  port_ = FreePort();
  if (!Run(bin_ + "/initdb -D " + dir_ + "/data -A trust -U korvandel --no-sync >" + dir_ +
           "/initdb.log 2>&1")) {
    error_ = "initdb failed, see " + dir_ + "/initdb.log";
    return;
  }
  if (!Start()) error_ = "the server did not start, see " + dir_ + "/server.log";
}

PgCluster::~PgCluster() {
  if (!dir_.empty()) {
    (void)Stop();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
}

std::string PgCluster::Owner() const {
  return "postgresql://127.0.0.1:" + std::to_string(port_) + ",postgres,korvandel,";
}

bool PgCluster::Run(const std::string& command) {
  const std::string full = asPostgres_ ? "runuser -u postgres -- sh -c '" + command + "'" : command;
  return std::system(full.c_str()) == 0;
}

std::string PgCluster::Query(const std::string& sql) const {
  // The statement goes through a file, so that no shell quoting stands between it and psql.
  const std::string file = dir_ + "/query.sql";
  std::ofstream(file) << sql;
  const std::string command = bin_ + "/psql -X -q -A -t -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " +
                              std::to_string(port_) + " -U korvandel -d postgres -f " + file +
                              " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "error: cannot run psql";
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  return ::pclose(pipe) == 0 ? out : "error: " + out;
}

bool PgCluster::Start() {
  return Run(bin_ + "/pg_ctl -D " + dir_ + "/data -w -t 30 -l " + dir_ + "/server.log -o \"-p " +
             std::to_string(port_) + " -k " + dir_ +
             " -c listen_addresses=127.0.0.1 -c fsync=off\" start >/dev/null 2>&1");
}

bool PgCluster::Stop() {
  return Run(bin_ + "/pg_ctl -D " + dir_ + "/data -w -t 30 -m fast stop >/dev/null 2>&1");
}

}  // namespace kv::test
