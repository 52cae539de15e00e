// velkoran-portal-sim: runs the simulated update server and portal on
// 127.0.0.1 until asked to stop (stop_request.h: SIGINT or SIGTERM on Linux,
// Ctrl+C, Ctrl+Break or ask_to_stop() on Windows).
//
//   velkoran-portal-sim --scenario ready --port 0
//   listening on 127.0.0.1:41873
//
// The scenario can be switched while it runs:
//   curl -d '' 'http://127.0.0.1:41873/__sim/scenario?name=already_sped_up'
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/portal_simulator.h"
#include "tools/stop_request.h"

namespace {

void print_usage(std::FILE* out) {
  std::fprintf(out, "usage: velkoran-portal-sim [--scenario NAME] [--port PORT]\nscenarios:");
  for (velkoran::Scenario scenario : velkoran::all_scenarios()) {
    const std::string_view name = velkoran::scenario_name(scenario);
    std::fprintf(out, " %.*s", static_cast<int>(name.size()), name.data());
  }
  std::fprintf(out, "\n");
}

bool parse_port(std::string_view text, int& port) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port >= 0 && port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
  velkoran::Scenario scenario = velkoran::Scenario::ready;
  int port = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      print_usage(stdout);
      return 0;
    } else if (arg == "--scenario" && has_value) {
      const auto chosen = velkoran::scenario_from_name(argv[++i]);
      if (!chosen) {
        std::fprintf(stderr, "unknown scenario: %s\n", argv[i]);
        print_usage(stderr);
        return 2;
      }
      scenario = *chosen;
    } else if (arg == "--port" && has_value) {
      if (!parse_port(argv[++i], port)) {
        std::fprintf(stderr, "bad port: %s\n", argv[i]);
        return 2;
      }
    } else {
      print_usage(stderr);
      return 2;
    }
  }

  // Before the server starts its threads.
  velkoran::StopRequest stop_request;

  velkoran::PortalSimulator simulator(scenario);
  if (!simulator.start(port)) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("listening on %s\n", simulator.host().c_str());
  std::fflush(stdout);

  stop_request.wait();
  simulator.stop();
  return 0;
}
