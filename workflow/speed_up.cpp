// "一键提速": the begin request for the line the last probe found ready.
#include "core/text_ops.h"
#include "workflow/portal_protocol.h"
#include "workflow/texts.h"
#include "workflow/workflow.h"

namespace velkoran {

void speed_up(const WorkflowContext& context) {
  const WorkflowTexts& texts = workflow_texts();
  WindowPort& window = context.window;
  PortalState& state = context.state;

  // One snapshot: the account and area code sent are those of one start page.
  // A later run that found no account (or no area code) leaves the flag as it
  // was but empties the field: there is no line to speed up until a run reads
  // both again.
  const PortalFields fields = state.snapshot();
  if (!text_equals(fields.ready_flag, texts.ready) || fields.user_account.empty() ||
      fields.area_code.empty()) {
    window.set_control_text(Control::编辑框1, texts.initialize_first);
    return;
  }

  const ExchangeResult answer =
      post_begin_experiences(context.hosts, fields.user_account, fields.area_code);
  // Success is reported only for a request the portal accepted. After a failed
  // one the line stays ready, so the customer can simply press again.
  if (!answer.succeeded()) {
    window.set_control_text(Control::编辑框1, texts.speed_up_failed);
    return;
  }
  window.set_control_text(Control::编辑框1, texts.speed_up_succeeded);
  state.set_ready_flag(texts.not_ready);
}

}  // namespace velkoran
