#include <cstdlib>

#include "core/text_ops.h"
#include "workflow/workflow.h"

// The compiled-in hosts come from the build (CMake cache variables of the same
// names); these fall-backs only keep a bare compile working.
#ifndef VELKORAN_DEFAULT_UPDATE_HOST
#define VELKORAN_DEFAULT_UPDATE_HOST "localhost"
#endif
#ifndef VELKORAN_DEFAULT_PORTAL_HOST
#define VELKORAN_DEFAULT_PORTAL_HOST "localhost"
#endif
#ifndef VELKORAN_DEFAULT_WEB_HOST
#define VELKORAN_DEFAULT_WEB_HOST "localhost"
#endif

namespace velkoran {

namespace {

std::string host_setting(const char* variable, const char* compiled_in) {
  const char* value = std::getenv(variable);
  return (value != nullptr && *value != '\0') ? std::string(value) : std::string(compiled_in);
}

}  // namespace

PortalHosts hosts_from_environment() {
  return PortalHosts{
      .update_host = host_setting("VELKORAN_UPDATE_HOST", VELKORAN_DEFAULT_UPDATE_HOST),
      .portal_host = host_setting("VELKORAN_PORTAL_HOST", VELKORAN_DEFAULT_PORTAL_HOST),
      .web_host = host_setting("VELKORAN_WEB_HOST", VELKORAN_DEFAULT_WEB_HOST),
  };
}

Text download_page_address(const PortalHosts& hosts) {
  return text_concat("https://", Text(hosts.web_host), "/windows/546.html");
}

}  // namespace velkoran
