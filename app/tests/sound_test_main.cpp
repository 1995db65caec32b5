#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

// Window tests through a real sound server: headless, with one application
// object for the whole run.
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  QStandardPaths::setTestModeEnabled(true);
  return RUN_ALL_TESTS();
}
