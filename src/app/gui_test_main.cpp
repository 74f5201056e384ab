// main() of the window tests: a QApplication on the offscreen platform (so
// no display is needed and nothing is shown), then every test.
#include <QApplication>
#include <QByteArray>

#include "gtest/gtest.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
