#include <gtest/gtest.h>

#include <QCoreApplication>

// Running the program and the MIDI reader takes an application object.
int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
