// kvfill: fills the Products table with generated products, to try the list on a big table.
//
//   kvfill [--owner OWNER] [--keep] COUNT
//
// OWNER is a connection string as the connection dialog composes it (default ",Korvandel":
// the program's SQLite file Korvandel.sqlite in the working directory; for PostgreSQL
// "postgresql://host:port,database,user,password"). The table's rows are replaced unless
// --keep is given (then the new numbers must not be there yet).

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/thread/LogicalThread.h"
#include "tools/fill/ProductsFill.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string owner = ",Korvandel";
  bool replace = true;
  long long count = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--owner" && i + 1 < argc) {
      owner = argv[++i];
    } else if (arg == "--keep") {
      replace = false;
    } else {
      char* end = nullptr;
      count = std::strtoll(arg.c_str(), &end, 10);
      if (end == arg.c_str() || *end != '\0' || count < 0) count = -1;
    }
  }
  if (count < 0) {
    std::fprintf(stderr, "usage: kvfill [--owner OWNER] [--keep] COUNT\n");
    return 2;
  }
  kv::RegisterSqlDrivers();
  kv::AdoptCurrentThread();
  const auto start = std::chrono::steady_clock::now();
  const std::string failure = kv::FillProducts(owner, count, replace, [](std::int64_t rows) {
    std::fprintf(stderr, "%lld products\n", static_cast<long long>(rows));
  });
  kv::ForgetThreadConnections();
  if (!failure.empty()) {
    std::fprintf(stderr, "kvfill: %s\n", failure.c_str());
    return 1;
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld products written in %.1f s\n", count, s);
  return 0;
}
