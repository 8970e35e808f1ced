#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/storage/DriverRegistry.h"
#include "platform/thread/LogicalThread.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  kv::RegisterSqlDrivers();  // explicit: static libraries drop self-registering initialisers
  kv::AdoptCurrentThread();  // the tests act as a logical thread of the program
  int rc = RUN_ALL_TESTS();
  kv::ReleaseCurrentThread();
  return rc;
}
