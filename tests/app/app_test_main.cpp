// Test main for the window tests: one QApplication for the whole run.
//
// CTest lists the tests by running this binary too, possibly without any
// display: listing creates no QApplication, and Qt's offscreen platform is the
// default unless the caller chose one.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no window system at all.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  int result = 0;
  {
    QApplication application(argc, argv);
    result = RUN_ALL_TESTS();
  }
  return result;
}
