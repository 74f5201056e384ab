// Test support for Qt code: one headless QApplication (offscreen platform)
// for the whole test program. Including this header in one source file of a
// GoogleTest executable registers it. Header-only, so that the shared test
// library itself needs no Qt.
#ifndef DIRGEN_TESTS_SUPPORT_QT_TEST_APP_H_
#define DIRGEN_TESTS_SUPPORT_QT_TEST_APP_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

class qt_test_app : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[8] = "test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] inline const auto* const kQtTestApp =
    ::testing::AddGlobalTestEnvironment(new qt_test_app);

#endif  // DIRGEN_TESTS_SUPPORT_QT_TEST_APP_H_
