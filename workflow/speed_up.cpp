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

  if (!text_equals(state.ready_flag(), texts.ready)) {
    window.set_control_text(Control::编辑框1, texts.initialize_first);
    return;
  }

  const ExchangeResult answer =
      post_begin_experiences(context.hosts, state.user_account(), state.area_code());
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
