#include "workflow/portal_protocol.h"

#include "core/text_extract.h"
#include "core/text_ops.h"
#include "http/http_request.h"
#include "workflow/texts.h"

namespace velkoran {

namespace {

constexpr std::string_view account_marker = "HfUserAccount\" value=\"";
// VALUE in capitals: the portal's page writes this attribute that way.
constexpr std::string_view area_code_marker = "HfAreaCode\" VALUE=\"";
constexpr std::string_view field_end = "\"";
constexpr std::string_view greeting_end = "</label>";
constexpr std::string_view line_break_tag = "<br />";
constexpr std::string_view end_time_pattern = "\\d+.*?\\d+";

Text portal_url(const PortalHosts& hosts, std::string_view path) {
  return text_concat("http://", Text(hosts.portal_host), Text(path));
}

ExchangeResult exchange(const Text& url, HttpRequestOptions options) {
  ExchangeResult result;
  options.status = &result.status;
  result.body = http_request(url, options);
  return result;
}

// The options of a portal request: the User-Agent line, all else omitted.
HttpRequestOptions portal_options() {
  HttpRequestOptions options;
  options.headers = Text(portal_user_agent);
  return options;
}

ExchangeResult post_form(const Text& url, const Text& body) {
  HttpRequestOptions options = portal_options();
  options.method = 1;  // POST
  options.body = body;
  return exchange(url, options);
}

}  // namespace

bool ExchangeResult::succeeded() const { return is_success_status(status); }

bool is_success_status(const Text& status) {
  const std::string_view s = status.view();
  if (s.size() < 3 || s[0] != '2') return false;
  for (int i = 1; i < 3; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return s.size() == 3 || s[3] == ' ';
}

ExchangeResult fetch_version_file(const PortalHosts& hosts) {
  return exchange(text_concat("http://", Text(hosts.update_host), Text(version_file_path)),
                  HttpRequestOptions());
}

ExchangeResult fetch_start_page(const PortalHosts& hosts) {
  return exchange(portal_url(hosts, ""), portal_options());
}

ExchangeResult post_speed_model_probe(const PortalHosts& hosts, const Text& user_account,
                                      const Text& area_code) {
  return post_form(portal_url(hosts, speed_model_path), speed_model_body(user_account, area_code));
}

ExchangeResult post_begin_experiences(const PortalHosts& hosts, const Text& user_account,
                                      const Text& area_code) {
  return post_form(portal_url(hosts, begin_experiences_path),
                   begin_experiences_body(user_account, area_code));
}

Text speed_model_body(const Text& user_account, const Text& area_code) {
  return text_concat("action=ExperiencesSpeedModel&isPostBk=1&UserAccount=", user_account,
                     "&AreaCode=", area_code);
}

Text begin_experiences_body(const Text& user_account, const Text& area_code) {
  return text_concat("action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=", user_account,
                     "&AreaCode=", area_code);
}

bool announces_newer_version(const Text& version_file) {
  return static_cast<double>(to_integer(version_file)) > own_version;
}

StartPageFields read_start_page(const Text& page) {
  const WorkflowTexts& texts = workflow_texts();
  StartPageFields fields;
  fields.user_account = text_between(page, Text(account_marker), Text(field_end));
  fields.area_code = text_between(page, Text(area_code_marker), Text(field_end));
  const Text greeting = text_between(page, texts.greeting_start, Text(greeting_end));
  const Text unbroken = replace_subtext(greeting, Text(line_break_tag), Text(), true);
  fields.bandwidth = text_right_of_last(unbroken, texts.bandwidth_marker);
  return fields;
}

ProbeReading read_probe_answer(const Text& answer, RegexObject& regex) {
  ProbeReading reading;
  // Whether the run took place does not matter: a failed run leaves no match.
  (void)regex.execute(Text(end_time_pattern), answer);
  const Text match = regex.match_text(1);
  if (!match.empty()) {
    reading.outcome = ProbeOutcome::already_sped_up;
    reading.end_time = replace_subtext(match, "?", workflow_texts().hour_mark, true);
  } else if (find_text(answer, "OK") != -1) {
    reading.outcome = ProbeOutcome::may_speed_up;
  }
  return reading;
}

}  // namespace velkoran
