#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/storage/DriverRegistry.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  kv::RegisterSqlDrivers();  // explicit: static libraries drop self-registering initialisers
  return RUN_ALL_TESTS();
}
