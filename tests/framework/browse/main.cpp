#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>

#include "platform/storage/DriverRegistry.h"
#include "tests/support/TempDirectory.h"

// The browse tests run lists on logical threads of their own over SQLite and PostgreSQL
// tables; the SQLite files live in a fresh working directory, removed at the end.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  kv::RegisterSqlDrivers();  // explicit: static libraries drop self-registering initialisers
  kv::test::TempDirectory work;
  if (work.path().empty() || ::chdir(work.path().c_str()) != 0) return 1;
  return RUN_ALL_TESTS();
}
