#include "tools/portal_simulator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/portal_pages.h"
#include "tools/recording_server.h"

namespace velkoran {

namespace {

constexpr std::string_view control_prefix = "/__sim/";

struct ScenarioName {
  Scenario scenario;
  std::string_view name;
};

constexpr ScenarioName scenario_names[] = {
    {Scenario::ready, "ready"},
    {Scenario::newer_version, "newer_version"},
    {Scenario::portal_down, "portal_down"},
    {Scenario::not_jiangsu, "not_jiangsu"},
    {Scenario::already_sped_up, "already_sped_up"},
    {Scenario::probe_failed, "probe_failed"},
    {Scenario::stalled, "stalled"},
};

SimReply answer(std::string body, std::string content_type = "text/plain") {
  SimReply reply;
  reply.body = std::move(body);
  reply.content_type = std::move(content_type);
  return reply;
}

SimReply of_kind(SimReply::Kind kind) {
  SimReply reply;
  reply.kind = kind;
  return reply;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

// Splits a raw request head into its request line and header lines.
RecordedRequest parse_head(std::string_view head) {
  RecordedRequest request;
  bool first = true;
  while (!head.empty()) {
    const size_t end = head.find("\r\n");
    const std::string_view line = head.substr(0, end);
    head = end == std::string_view::npos ? std::string_view() : head.substr(end + 2);
    if (first) {
      request.request_line = line;
      const size_t space = line.find(' ');
      request.method = line.substr(0, space);
      if (space != std::string_view::npos) {
        const std::string_view rest = line.substr(space + 1);
        request.target = rest.substr(0, rest.find(' '));
      }
      first = false;
    } else if (line.empty()) {
      break;
    } else {
      request.header_lines.emplace_back(line);
    }
  }
  return request;
}

std::optional<Endpoint> endpoint_for(std::string_view method, std::string_view path) {
  if (method == "GET" && path == "/e/yz/velkoran.txt") return Endpoint::version_file;
  if (method == "GET" && path == "/") return Endpoint::start_page;
  if (method == "POST" && path == "/speed/experiencesSpeedModel") return Endpoint::probe;
  if (method == "POST" && path == "/speed/beginExperiences") return Endpoint::begin;
  return std::nullopt;
}

SimReply& reply_of(PortalScript& script, Endpoint endpoint) {
  switch (endpoint) {
    case Endpoint::version_file:
      return script.version_file;
    case Endpoint::start_page:
      return script.start_page;
    case Endpoint::probe:
      return script.probe;
    case Endpoint::begin:
      break;
  }
  return script.begin;
}

std::string describe(const std::vector<RecordedRequest>& requests) {
  std::string out;
  for (const RecordedRequest& request : requests) {
    out += request.request_line + "\r\n";
    for (const std::string& line : request.header_lines) out += line + "\r\n";
    out += "\r\n" + request.body + "\r\n----\r\n";
  }
  return out;
}

}  // namespace

std::string_view scenario_name(Scenario scenario) {
  for (const ScenarioName& entry : scenario_names) {
    if (entry.scenario == scenario) return entry.name;
  }
  return {};
}

std::optional<Scenario> scenario_from_name(std::string_view name) {
  for (const ScenarioName& entry : scenario_names) {
    if (entry.name == name) return entry.scenario;
  }
  return std::nullopt;
}

const std::vector<Scenario>& all_scenarios() {
  static const std::vector<Scenario> scenarios = [] {
    std::vector<Scenario> list;
    for (const ScenarioName& entry : scenario_names) list.push_back(entry.scenario);
    return list;
  }();
  return scenarios;
}

PortalScript script_for(Scenario scenario) {
  PortalScript script{
      .version_file = answer("1"),
      .start_page =
          answer(portal_start_page(sim_user_account, sim_area_code, sim_bandwidth), "text/html"),
      .probe = answer("OK"),
      .begin = answer(begin_answer()),
  };
  // The portal keeps a session, as a real one does; the program never sends it back.
  script.start_page.headers = {{"Set-Cookie", "ASP.NET_SessionId=sim4k2q1x0abc; path=/; HttpOnly"}};
  switch (scenario) {
    case Scenario::ready:
      break;
    case Scenario::newer_version:
      script.version_file = answer("2");
      break;
    case Scenario::portal_down:
      script.start_page = script.probe = script.begin = of_kind(SimReply::Kind::drop);
      break;
    case Scenario::not_jiangsu:
      script.start_page = answer(foreign_line_page(), "text/html");
      break;
    case Scenario::already_sped_up:
      script.probe = answer(probe_running_until("18?30"));
      break;
    case Scenario::probe_failed:
      script.probe = answer(probe_refusal());
      break;
    case Scenario::stalled:
      script.version_file = script.start_page = script.probe = script.begin =
          of_kind(SimReply::Kind::stall);
      break;
  }
  return script;
}

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const std::string& line : header_lines) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || !equals_ignoring_case(line.substr(0, colon), name)) continue;
    const size_t value = line.find_first_not_of(" \t", colon + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
  }
  return std::nullopt;
}

struct PortalSimulator::Impl {
  RecordingServer server;
  std::thread listener;
  std::atomic<bool> listen_returned{false};
  int port = 0;

  mutable std::mutex mutex;
  std::condition_variable released;
  PortalScript script;
  std::string scenario_label;
  std::vector<RecordedRequest> requests;
  bool stopping = false;

  void handle(const httplib::Request& request, httplib::Response& response);
  void control(const httplib::Request& request, httplib::Response& response);
  void stall();
};

void PortalSimulator::Impl::handle(const httplib::Request& request, httplib::Response& response) {
  if (request.path.starts_with(control_prefix)) {
    control(request, response);
    return;
  }
  RecordedRequest record = parse_head(RecordingServer::current_request_head());
  record.body = request.body;
  const std::optional<Endpoint> endpoint = endpoint_for(request.method, request.path);
  SimReply reply;
  reply.status = 404;
  reply.body = "Not Found";
  {
    std::lock_guard lock(mutex);
    requests.push_back(std::move(record));
    if (endpoint) reply = reply_of(script, *endpoint);
  }
  switch (reply.kind) {
    case SimReply::Kind::answer:
      response.status = reply.status;
      for (const auto& [name, value] : reply.headers) response.set_header(name, value);
      response.set_content(reply.body, reply.content_type.c_str());
      return;
    case SimReply::Kind::stall:
      stall();
      RecordingServer::drop_current_connection();
      return;
    case SimReply::Kind::drop:
      RecordingServer::drop_current_connection();
      return;
  }
}

// Holds the request until the simulator stops or the client gives up.
void PortalSimulator::Impl::stall() {
  std::unique_lock lock(mutex);
  while (!stopping && !RecordingServer::current_client_gone()) {
    released.wait_for(lock, std::chrono::milliseconds(50));
  }
}

void PortalSimulator::Impl::control(const httplib::Request& request, httplib::Response& response) {
  const std::string_view action = std::string_view(request.path).substr(control_prefix.size());
  // Switching works by POST and, for simple scripts, by GET with a name too.
  if (action == "scenario" && (request.method == "POST" || request.has_param("name"))) {
    const std::optional<Scenario> scenario = scenario_from_name(request.get_param_value("name"));
    if (!scenario) {
      response.status = 400;
      response.set_content("unknown scenario\n", "text/plain");
      return;
    }
    std::lock_guard lock(mutex);
    script = script_for(*scenario);
    scenario_label = scenario_name(*scenario);
    response.set_content("scenario " + scenario_label + "\n", "text/plain");
  } else if (action == "scenario") {
    std::lock_guard lock(mutex);
    response.set_content(scenario_label + "\n", "text/plain");
  } else if (action == "requests") {
    std::lock_guard lock(mutex);
    response.set_content(describe(requests), "text/plain");
  } else {
    response.status = 404;
    response.set_content("Not Found", "text/plain");
  }
}

PortalSimulator::PortalSimulator(Scenario scenario) : impl_(std::make_unique<Impl>()) {
  impl_->script = script_for(scenario);
  impl_->scenario_label = scenario_name(scenario);
  auto handler = [impl = impl_.get()](const httplib::Request& request,
                                      httplib::Response& response) {
    impl->handle(request, response);
  };
  impl_->server.Get(".*", handler);
  impl_->server.Post(".*", handler);
}

PortalSimulator::~PortalSimulator() { stop(); }

bool PortalSimulator::start(int port) {
  if (impl_->listener.joinable() || port < 0 || port > 65535) return false;
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->stopping) return false;  // a stopped simulator stays stopped
  }
  const std::string loopback = "127.0.0.1";
  if (port == 0) {
    port = impl_->server.bind_to_any_port(loopback);
  } else if (!impl_->server.bind_to_port(loopback, port)) {
    port = -1;
  }
  if (port <= 0) return false;
  impl_->port = port;
  impl_->listener = std::thread([impl = impl_.get()] {
    impl->server.listen_after_bind();
    impl->listen_returned = true;
  });
  return true;
}

void PortalSimulator::stop() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->released.notify_all();
  if (!impl_->listener.joinable()) return;
  // The server only honours stop() once its accept loop is running.
  while (!impl_->server.is_running() && !impl_->listen_returned) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  impl_->server.stop();
  impl_->listener.join();
}

int PortalSimulator::port() const { return impl_->port; }

std::string PortalSimulator::host() const { return "127.0.0.1:" + std::to_string(impl_->port); }

void PortalSimulator::set_scenario(Scenario scenario) {
  std::lock_guard lock(impl_->mutex);
  impl_->script = script_for(scenario);
  impl_->scenario_label = scenario_name(scenario);
}

void PortalSimulator::set_script(const PortalScript& script) {
  std::lock_guard lock(impl_->mutex);
  impl_->script = script;
  impl_->scenario_label = "custom";
}

void PortalSimulator::set_reply(Endpoint endpoint, const SimReply& reply) {
  std::lock_guard lock(impl_->mutex);
  reply_of(impl_->script, endpoint) = reply;
  impl_->scenario_label = "custom";
}

PortalScript PortalSimulator::script() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->script;
}

std::vector<RecordedRequest> PortalSimulator::requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

void PortalSimulator::clear_requests() {
  std::lock_guard lock(impl_->mutex);
  impl_->requests.clear();
}

}  // namespace velkoran
