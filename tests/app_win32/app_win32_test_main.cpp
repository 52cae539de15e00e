// The window tests run on the thread that owns their windows, prepared as the
// program prepares its own.
#include <gtest/gtest.h>

#include "app/win32/main_window.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  velkoran::prepare_window_thread();
  return RUN_ALL_TESTS();
}
