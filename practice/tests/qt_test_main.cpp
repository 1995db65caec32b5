#include <gtest/gtest.h>

#include <QCoreApplication>

// Qt's sound devices need an application object on the calling thread.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
