// "初始化": version check, start page, labels, probe. One run shows exactly one
// message in 编辑框1 and stops at the first outcome.
#include "core/text_ops.h"
#include "regex/regex_object.h"
#include "workflow/portal_protocol.h"
#include "workflow/texts.h"
#include "workflow/workflow.h"

namespace velkoran {

void initialize(const WorkflowContext& context) {
  const WorkflowTexts& texts = workflow_texts();
  WindowPort& window = context.window;
  PortalState& state = context.state;
  RegexObject regex;  // the run's own; released on every way out

  // A version file that came with an error status (a "404 Not Found" page, say)
  // is no version at all: read as 0, as if the server were unreachable.
  const ExchangeResult version = fetch_version_file(context.hosts);
  if (version.succeeded() && announces_newer_version(version.body)) {
    window.set_control_visible(Control::透明标签1, true);
    window.set_control_text(Control::编辑框1, text_concat(texts.newer_version, "\r\n",
                                                          download_page_address(context.hosts)));
    return;
  }

  // An error page in place of the start page holds no account: treat it as no
  // page, so that the account and area code of an earlier run are kept.
  const ExchangeResult page = fetch_start_page(context.hosts);
  if (!page.succeeded() || text_equals(page.body, Text())) {
    window.set_control_text(Control::编辑框1, texts.network_unreachable);
    return;
  }

  const StartPageFields fields = read_start_page(page.body);
  state.set_account(fields.user_account, fields.area_code);
  if (fields.user_account.empty() || fields.area_code.empty()) {
    window.set_control_text(Control::编辑框1, texts.no_broadband_info);
    return;
  }

  window.set_control_text(Control::标签1, text_concat(texts.account_label, fields.user_account));
  window.set_control_text(Control::标签2,
                          text_concat(texts.broadband_info_label, fields.bandwidth));

  // The probe carries the values this run has just read, even when another
  // worker has replaced them in the state meanwhile.
  const ExchangeResult probe =
      post_speed_model_probe(context.hosts, fields.user_account, fields.area_code);
  // An answer with an error status is a failed probe: digits on an error page
  // must never read as the end time of a running speed-up.
  const ProbeReading reading =
      probe.succeeded() ? read_probe_answer(probe.body, regex) : ProbeReading{};

  switch (reading.outcome) {
    case ProbeOutcome::already_sped_up:
      window.set_control_text(
          Control::编辑框1,
          text_concat(texts.already_sped_up_head, reading.end_time, texts.already_sped_up_tail));
      return;
    case ProbeOutcome::may_speed_up:
      window.set_control_text(Control::编辑框1, texts.may_speed_up);
      // The flag goes with the account and area code it was probed for, also
      // when an overlapping run has written others since.
      state.set_ready(fields.user_account, fields.area_code, texts.ready);
      return;
    case ProbeOutcome::failed:
      window.set_control_text(Control::编辑框1, texts.initialize_failed);
      return;
  }
}

}  // namespace velkoran
