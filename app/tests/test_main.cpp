#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one application object for the whole run.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
