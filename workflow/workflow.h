// The two routines behind the window's buttons, each run on a worker thread of its own.
#pragma once

#include <string>

#include "core/text.h"
#include "workflow/portal_state.h"
#include "workflow/window_port.h"

namespace velkoran {

// Where the program sends its requests: host names with an optional ":port".
struct PortalHosts {
  std::string update_host;  // serves the version file
  std::string portal_host;  // the speed-up portal
  std::string web_host;     // the maker's web site with the download page
};

// The compiled-in hosts, each overridden by VELKORAN_UPDATE_HOST,
// VELKORAN_PORTAL_HOST or VELKORAN_WEB_HOST when that is set and non-empty.
[[nodiscard]] PortalHosts hosts_from_environment();

// "https://" + web host + "/windows/546.html"
[[nodiscard]] Text download_page_address(const PortalHosts& hosts);

struct WorkflowContext {
  WindowPort& window;
  PortalState& state;
  PortalHosts hosts;
};

// "初始化": version check, start page, labels, probe; one message in 编辑框1.
void initialize(const WorkflowContext& context);
// "一键提速": the begin request for a line the last probe found ready.
void speed_up(const WorkflowContext& context);

}  // namespace velkoran
