// The exchanges with the maker's update server and the speed-up portal, and
// what is read out of each answer.
//
//   ExchangeResult page = fetch_start_page(hosts);
//   if (page.succeeded()) {
//     StartPageFields fields = read_start_page(page.body);
//     ...
//   }
//
// Every exchange goes through http_request over plain HTTP with no cookies, the
// default time-out and redirects followed; portal requests carry
// portal_user_agent as their one extra header line.
#pragma once

#include <string_view>

#include "core/text.h"
#include "regex/regex_object.h"
#include "workflow/workflow.h"

namespace velkoran {

// The program's own version; a version file above it announces a newer one.
inline constexpr double own_version = 1.0;
inline constexpr std::string_view version_file_path = "/e/yz/velkoran.txt";
inline constexpr std::string_view speed_model_path = "/speed/experiencesSpeedModel";
inline constexpr std::string_view begin_experiences_path = "/speed/beginExperiences";
inline constexpr std::string_view portal_user_agent =
    "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/69.0.3497.100 Safari/537.36";

// The body and status text of one exchange.
struct ExchangeResult {
  Text body;
  Text status;  // "200 OK", a numbered failure text, or empty
  // True only for an answer whose status is 2xx.
  [[nodiscard]] bool succeeded() const;
};

// Whether `status` names a 2xx answer: "200 OK" and "204" are; "404 Not Found",
// http_request's failure texts ("712 ...") and the empty Text are not.
[[nodiscard]] bool is_success_status(const Text& status);

// Exchange 1: GET of the version file, only the default header lines.
[[nodiscard]] ExchangeResult fetch_version_file(const PortalHosts& hosts);
// Exchange 2: GET of the portal's root ("http://" + host, no path).
[[nodiscard]] ExchangeResult fetch_start_page(const PortalHosts& hosts);
// Exchange 3: POST of the speed-model probe.
[[nodiscard]] ExchangeResult post_speed_model_probe(const PortalHosts& hosts,
                                                    const Text& user_account,
                                                    const Text& area_code);
// Exchange 4: POST of the begin request.
[[nodiscard]] ExchangeResult post_begin_experiences(const PortalHosts& hosts,
                                                    const Text& user_account,
                                                    const Text& area_code);

// Form bodies; the values go in exactly as they stand, never percent-encoded.
//   speed_model_body("a", "025") ==
//       "action=ExperiencesSpeedModel&isPostBk=1&UserAccount=a&AreaCode=025"
[[nodiscard]] Text speed_model_body(const Text& user_account, const Text& area_code);
[[nodiscard]] Text begin_experiences_body(const Text& user_account, const Text& area_code);

// Whether a version file's content names a version above own_version. The
// content is read as a whole number ("1.5" is 1, a word is 0).
[[nodiscard]] bool announces_newer_version(const Text& version_file);

struct StartPageFields {
  Text user_account;  // empty when the field or its value is missing
  Text area_code;     // empty when the field or its value is missing
  Text bandwidth;     // empty when the greeting or its marker is missing
};

// Account, area code and contracted bandwidth, each from the first marker
// found from the start of the page, in exact case.
[[nodiscard]] StartPageFields read_start_page(const Text& page);

enum class ProbeOutcome {
  already_sped_up,  // the answer names the end time of a running speed-up
  may_speed_up,     // the answer holds "OK"
  failed,           // anything else, the empty answer included
};

struct ProbeReading {
  ProbeOutcome outcome = ProbeOutcome::failed;
  Text end_time;  // for already_sped_up: "18时30" out of "18?30"
};

// Reads a probe answer with `regex` (the run's own RegexObject): two digits with
// anything but a line feed between them mean a running speed-up; otherwise
// "OK" anywhere means the line may be sped up.
[[nodiscard]] ProbeReading read_probe_answer(const Text& answer, RegexObject& regex);

}  // namespace velkoran
