#include "app/qt/demo_script.h"

#include <gtest/gtest.h>

namespace velkoran {
namespace {

using Kind = DemoStep::Kind;

TEST(DemoScript, ParsesSteps) {
  struct {
    std::string script;
    std::vector<DemoStep> expect;
  } cases[] = {
      // Empty scripts and empty steps.
      {"", {}},
      {" ; ;\n", {}},
      // Each step kind.
      {"click 按钮1", {{Kind::click, "按钮1", 0}}},
      {"press 透明标签1", {{Kind::press, "透明标签1", 0}}},
      {"wait 250", {{Kind::wait, "", 250}}},
      {"wait 0", {{Kind::wait, "", 0}}},
      {"idle", {{Kind::idle, "", 0}}},
      {"shot /tmp/a b/c.png", {{Kind::shot, "/tmp/a b/c.png", 0}}},
      {"wait-stdin", {{Kind::wait_stdin, "", 0}}},
      {"close", {{Kind::close, "", 0}}},
      // Separators and blanks around steps.
      {"  click 按钮1 ;\tidle\nclose  ",
       {{Kind::click, "按钮1", 0}, {Kind::idle, "", 0}, {Kind::close, "", 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const DemoScript parsed = parse_demo_script(c.script);
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.steps, c.expect);
  }
}

TEST(DemoScript, RejectsBadSteps) {
  struct {
    std::string script;
    std::string error;
  } cases[] = {
      {"jump", "unknown step 'jump'"},
      {"CLICK 按钮1", "unknown step 'CLICK'"},
      {"click", "step 'click' needs an argument"},
      {"shot   ", "step 'shot' needs an argument"},
      {"idle now", "step 'idle' takes no argument"},
      {"wait soon", "wait needs a number of milliseconds from 0 to 600000, not 'soon'"},
      {"wait -1", "wait needs a number of milliseconds from 0 to 600000, not '-1'"},
      {"wait 12x", "wait needs a number of milliseconds from 0 to 600000, not '12x'"},
      {"wait 600001", "wait needs a number of milliseconds from 0 to 600000, not '600001'"},
      {"wait 99999999999999999999",
       "wait needs a number of milliseconds from 0 to 600000, not "
       "'99999999999999999999'"},
      // A bad step anywhere rejects the whole script: nothing half-runs.
      {"click 按钮1; bogus; close", "unknown step 'bogus'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const DemoScript parsed = parse_demo_script(c.script);
    EXPECT_EQ(parsed.error, c.error);
    EXPECT_TRUE(parsed.steps.empty());
  }
}

}  // namespace
}  // namespace velkoran
