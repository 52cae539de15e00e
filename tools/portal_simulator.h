// PortalSimulator: a stand-in for the maker's update server and the speed-up
// portal, on 127.0.0.1, for tests and the demo.
//
//   PortalSimulator sim(Scenario::ready);
//   if (!sim.start()) { ... }             // port 0: the system picks a free port
//   hosts.portal_host = sim.host();        // "127.0.0.1:PORT"
//   ...
//   sim.requests();                        // what arrived, in order
//   sim.set_scenario(Scenario::already_sped_up);
//
// One server answers both the version file and the portal paths; two
// simulators give two separate hosts. While running, the scenario can also be
// switched over HTTP: POST /__sim/scenario?name=ready (cpp-httplib wants a
// Content-Length on a POST: curl -d '') or GET /__sim/scenario?name=ready.
// GET /__sim/scenario names the current scenario; GET /__sim/requests lists
// what was recorded.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkoran {

enum class Scenario {
  ready,            // version 1, full start page (with a session cookie), probe "OK"
  newer_version,    // the version file holds 2
  portal_down,      // the portal paths close the connection without an answer
  not_jiangsu,      // a start page without the account and area-code fields
  already_sped_up,  // the probe names the end time "18?30"
  probe_failed,     // the probe answers with neither digits nor "OK"
  stalled,          // every request is accepted and never answered
};

[[nodiscard]] std::string_view scenario_name(Scenario scenario);
[[nodiscard]] std::optional<Scenario> scenario_from_name(std::string_view name);
[[nodiscard]] const std::vector<Scenario>& all_scenarios();

// The four paths the simulator plays.
enum class Endpoint { version_file, start_page, probe, begin };

// What the simulator does with a request for one endpoint.
struct SimReply {
  enum class Kind {
    answer,  // send status and body
    drop,    // close the connection without sending anything
    stall,   // keep the connection open and never answer
  };
  Kind kind = Kind::answer;
  int status = 200;
  std::string body;  // bytes as sent
  std::string content_type = "text/plain";
  std::vector<std::pair<std::string, std::string>> headers;  // extra response headers
};

struct PortalScript {
  SimReply version_file;
  SimReply start_page;
  SimReply probe;
  SimReply begin;
};

[[nodiscard]] PortalScript script_for(Scenario scenario);

// One request as it arrived.
struct RecordedRequest {
  std::string method;
  std::string target;                     // path and query as sent
  std::string request_line;               // "POST /speed/beginExperiences HTTP/1.1"
  std::vector<std::string> header_lines;  // exact, in order, without CR LF
  std::string body;

  // Value of the first header line named `name` (ASCII case ignored).
  [[nodiscard]] std::optional<std::string> header(std::string_view name) const;
};

class PortalSimulator {
 public:
  explicit PortalSimulator(Scenario scenario = Scenario::ready);
  ~PortalSimulator();  // stops
  PortalSimulator(const PortalSimulator&) = delete;
  PortalSimulator& operator=(const PortalSimulator&) = delete;

  // Binds 127.0.0.1:`port` (0: a free port) and serves on a thread of its own.
  [[nodiscard]] bool start(int port = 0);
  // Releases stalled requests, closes the port and waits for the server.
  void stop();

  [[nodiscard]] int port() const;
  [[nodiscard]] std::string host() const;  // "127.0.0.1:PORT"

  void set_scenario(Scenario scenario);
  void set_script(const PortalScript& script);
  void set_reply(Endpoint endpoint, const SimReply& reply);
  [[nodiscard]] PortalScript script() const;

  [[nodiscard]] std::vector<RecordedRequest> requests() const;
  void clear_requests();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace velkoran
