// speed_up() and the ready flag across runs, against the simulated portal.
#include <gtest/gtest.h>

#include "tests/workflow/workflow_fixture.h"
#include "tools/portal_pages.h"

namespace velkoran {
namespace {

TEST_F(WorkflowRun, SpeedUpBeforeInitializeAsksForIt) {
  run_speed_up();
  EXPECT_EQ(window_.texts(Control::编辑框1), std::vector<Text>{Expected::initialize_first()});
  EXPECT_TRUE(sim_.requests().empty());
}

TEST_F(WorkflowRun, ReadyFlagAcrossRuns) {
  run_initialize();
  ASSERT_EQ(state_.ready_flag(), Expected::ready());

  // A later run that fails leaves the line ready, but with that run's account.
  sim_.set_scenario(Scenario::probe_failed);
  SimReply page;
  page.body = portal_start_page("02511112222", "0512", "50M");
  page.content_type = "text/html";
  sim_.set_reply(Endpoint::start_page, page);
  run_initialize();
  EXPECT_EQ(message(), Expected::init_failed());
  EXPECT_EQ(state_.ready_flag(), Expected::ready());

  sim_.clear_requests();
  run_speed_up();
  EXPECT_EQ(message(), Expected::speed_up_succeeded());
  EXPECT_EQ(state_.ready_flag(), Expected::not_ready());
  const auto requests = sim_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method + " " + requests[0].target, begin_post);
  EXPECT_EQ(requests[0].body,
            "action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=02511112222&AreaCode=0512");

  // Sped up once: the next press asks for a new initialisation and sends nothing.
  sim_.clear_requests();
  run_speed_up();
  EXPECT_EQ(message(), Expected::initialize_first());
  EXPECT_TRUE(sim_.requests().empty());
}

// A later run that found no account or no area code keeps the flag but empties
// the field: there is nothing to speed up, so no request goes out.
TEST_F(WorkflowRun, SpeedUpAfterARunThatLostTheAccountAsksForInitialize) {
  struct {
    const char* name;
    std::string account;
    std::string area_code;
  } rows[] = {{"no account", "", "0512"}, {"no area code", "02511112222", ""}, {"neither", "", ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window;
    PortalState state;
    sim_.set_scenario(Scenario::ready);
    initialize(WorkflowContext{window, state, hosts_});
    SimReply page;
    page.body = portal_start_page(row.account, row.area_code, "50M");
    page.content_type = "text/html";
    sim_.set_reply(Endpoint::start_page, page);
    initialize(WorkflowContext{window, state, hosts_});
    ASSERT_EQ(window.last_text(Control::编辑框1), Expected::no_broadband_info());
    ASSERT_EQ(state.ready_flag(), Expected::ready());
    sim_.clear_requests();

    speed_up(WorkflowContext{window, state, hosts_});

    EXPECT_EQ(window.last_text(Control::编辑框1), Expected::initialize_first());
    EXPECT_TRUE(sim_.requests().empty());
    EXPECT_EQ(state.ready_flag(), Expected::ready());
  }
}

TEST_F(WorkflowRun, OtherOutcomesAfterAReadyRunKeepTheFlag) {
  for (Scenario later : {Scenario::already_sped_up, Scenario::not_jiangsu, Scenario::portal_down,
                         Scenario::newer_version}) {
    SCOPED_TRACE(scenario_name(later));
    PortalState state;
    RecordingWindow window;
    sim_.set_scenario(Scenario::ready);
    initialize(WorkflowContext{window, state, hosts_});
    sim_.set_scenario(later);
    initialize(WorkflowContext{window, state, hosts_});
    EXPECT_EQ(state.ready_flag(), Expected::ready());
  }
}

// A begin request that fails is never reported as success; the line stays
// ready so that another press can try again.
TEST_F(WorkflowRun, FailedBeginRequestReportsFailureAndKeepsTheLineReady) {
  SimReply server_error;
  server_error.status = 500;
  server_error.body = "Internal Server Error";
  SimReply not_found;
  not_found.status = 404;
  not_found.body = "Not Found";
  SimReply dropped;
  dropped.kind = SimReply::Kind::drop;
  struct {
    const char* name;
    SimReply begin;
  } rows[] = {{"500", server_error}, {"404", not_found}, {"connection closed", dropped}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window;
    PortalState state;
    sim_.set_scenario(Scenario::ready);
    initialize(WorkflowContext{window, state, hosts_});
    sim_.set_reply(Endpoint::begin, row.begin);
    sim_.clear_requests();

    speed_up(WorkflowContext{window, state, hosts_});

    EXPECT_EQ(window.last_text(Control::编辑框1), Expected::speed_up_failed());
    EXPECT_EQ(state.ready_flag(), Expected::ready());
    EXPECT_EQ(request_lines(), std::vector<std::string>{begin_post});

    // The portal is back: the next press succeeds.
    sim_.set_scenario(Scenario::ready);
    speed_up(WorkflowContext{window, state, hosts_});
    EXPECT_EQ(window.last_text(Control::编辑框1), Expected::speed_up_succeeded());
    EXPECT_EQ(state.ready_flag(), Expected::not_ready());
  }
}

TEST_F(WorkflowRun, PortalGoneAfterReadyRunReportsFailure) {
  run_initialize();
  hosts_.portal_host = closed_host();
  run_speed_up();
  EXPECT_EQ(message(), Expected::speed_up_failed());
  EXPECT_EQ(state_.ready_flag(), Expected::ready());
}

}  // namespace
}  // namespace velkoran
