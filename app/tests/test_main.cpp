#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

// Widget tests need one application object for the whole run.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  // A window made with default services remembers its choices away from the
  // user's own configuration.
  QStandardPaths::setTestModeEnabled(true);
  return RUN_ALL_TESTS();
}
