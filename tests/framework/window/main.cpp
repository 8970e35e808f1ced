#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>

#include "platform/storage/DriverRegistry.h"
#include "tests/support/TempDirectory.h"

// The window tests run on logical threads of their own (the test's thread drives them as a
// user would). The form tests use SQLite tables, whose files live in the working directory:
// the program works in a fresh directory, removed at the end.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  kv::RegisterSqlDrivers();  // explicit: static libraries drop self-registering initialisers
  kv::test::TempDirectory work;
  if (work.path().empty() || ::chdir(work.path().c_str()) != 0) return 1;
  return RUN_ALL_TESTS();
}
