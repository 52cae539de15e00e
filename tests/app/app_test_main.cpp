// Test main for the window tests: one QApplication for the whole run.
//
// CTest lists the tests by running this binary too, possibly without any
// display: listing creates no QApplication, and Qt's offscreen platform is the
// default unless the caller chose one.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no window system at all.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  // Each GBK conversion opens and closes its own converter, so glibc loads and
  // unloads the CP936 module again and again; workers doing that side by side
  // race only inside the dynamic loader, under a lock ThreadSanitizer cannot
  // see. Keeping one converter open keeps the module loaded for the whole run.
  const iconv_t keep_cp936_loaded = iconv_open("UTF-16LE", "CP936");

  int result = 0;
  {
    QApplication application(argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (keep_cp936_loaded != reinterpret_cast<iconv_t>(-1)) iconv_close(keep_cp936_loaded);
  return result;
}
