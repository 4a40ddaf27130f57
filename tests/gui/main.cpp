// Runs the GUI tests with one application object for the process; ctest
// starts a process per test, under Qt's offscreen platform. With
// KESTREL_TEST_NO_APPLICATION set the process makes none, for a test of a
// run whose application application_run makes itself.
#include <QApplication>
#include <gtest/gtest.h>

#include <optional>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::optional<QApplication> application;
  if (!qEnvironmentVariableIsSet("KESTREL_TEST_NO_APPLICATION")) application.emplace(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
