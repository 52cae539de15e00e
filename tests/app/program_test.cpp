// The real `velkoran` program as a child process: how it ends, its demo switch,
// and what it says when it cannot start.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <chrono>

#include "app_test_support.h"
#include "child_process.h"
#include "tools/portal_simulator.h"

namespace velkoran {
namespace {

using testing::ChildEnvironment;
using testing::ChildProcess;
using testing::wait_until;

// Far below the 30 s a request to a stalled server may take.
constexpr std::chrono::seconds exit_limit(15);

ChildEnvironment program_environment(const std::string& host) {
  ChildEnvironment env;
  env.set("QT_QPA_PLATFORM", "offscreen");
  for (const char* name : {"VELKORAN_UPDATE_HOST", "VELKORAN_PORTAL_HOST", "VELKORAN_WEB_HOST"}) {
    env.set(name, host);
  }
  return env;
}

// Exit status 0 and nothing from a sanitizer.
void expect_clean_exit(ChildProcess& program) {
  ASSERT_TRUE(program.wait_for_exit(exit_limit)) << "the program did not end";
  const std::string errors = program.standard_error();
  EXPECT_EQ(program.signal(), 0) << errors;
  EXPECT_EQ(program.exit_code(), 0) << errors;
  EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
}

// Closing the window while a worker waits on a server that never answers ends
// the program at once with status 0.
TEST(Program, ClosingWhileAWorkerWaitsEndsAtOnce) {
  PortalSimulator simulator(Scenario::stalled);
  ASSERT_TRUE(simulator.start());
  ChildEnvironment env = program_environment(simulator.host());
  env.set("VELKORAN_DEMO_SCRIPT", "click 按钮1; wait-stdin; close");
  ChildProcess program;
  ASSERT_TRUE(program.start(VELKORAN_BINARY, env));

  // The worker is blocked on the network once its first request has arrived.
  ASSERT_TRUE(wait_until([&] { return !simulator.requests().empty(); }));
  program.write_input("\n");
  expect_clean_exit(program);
  simulator.stop();
}

TEST(Program, DemoScriptClicksThroughAndSavesScreenshots) {
  PortalSimulator simulator(Scenario::ready);
  ASSERT_TRUE(simulator.start());
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string start_shot = dir.filePath("start.png").toStdString();
  const std::string done_shot = dir.filePath("done.png").toStdString();
  ChildEnvironment env = program_environment(simulator.host());
  env.set("VELKORAN_DEMO_SCRIPT", "shot " + start_shot +
                                      "; click 按钮1; idle; click 按钮2; idle; shot " + done_shot +
                                      "; close");
  ChildProcess program;
  ASSERT_TRUE(program.start(VELKORAN_BINARY, env));
  expect_clean_exit(program);

  const std::string out = program.standard_output();
  for (const std::string& shot : {start_shot, done_shot}) {
    SCOPED_TRACE(shot);
    EXPECT_NE(out.find("screenshot: " + shot + "\n"), std::string::npos) << out;
    EXPECT_EQ(QImage(QString::fromStdString(shot)).size(), QSize(454, 346));
  }
  const auto requests = simulator.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().target, "/speed/beginExperiences");
  simulator.stop();
}

// Bad start conditions give one clear line and a non-zero status, never a crash.
TEST(Program, RefusesToStartWithAClearMessage) {
  ChildEnvironment no_display = program_environment("127.0.0.1:9");
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    no_display.unset(name);
  }
  ChildEnvironment bad_script = program_environment("127.0.0.1:9");
  bad_script.set("VELKORAN_DEMO_SCRIPT", "dance");
  struct {
    const char* name;
    const ChildEnvironment& env;
    int exit_code;
    std::string message;
  } cases[] = {
      {"no display", no_display, 1,
       "velkoran: no display (DISPLAY and WAYLAND_DISPLAY are empty); scripts/run starts it under "
       "Xvfb\n"},
      {"bad demo script", bad_script, 2, "velkoran: VELKORAN_DEMO_SCRIPT: unknown step 'dance'\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess program;
    ASSERT_TRUE(program.start(VELKORAN_BINARY, c.env));
    ASSERT_TRUE(program.wait_for_exit(exit_limit));
    EXPECT_EQ(program.exit_code(), c.exit_code);
    EXPECT_EQ(program.standard_error(), c.message);
  }
}

}  // namespace
}  // namespace velkoran
