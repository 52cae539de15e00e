// initialize() over the real http_request against the simulated portal.
#include <gtest/gtest.h>

#include "tests/workflow/workflow_fixture.h"
#include "tools/portal_pages.h"

namespace velkoran {
namespace {

const std::vector<std::string> through_version = {version_get};
const std::vector<std::string> through_start_page = {version_get, start_page_get};
const std::vector<std::string> through_probe = {version_get, start_page_get, probe_post};

SimReply answer(std::string body, int status = 200, std::string content_type = "text/plain") {
  SimReply reply;
  reply.status = status;
  reply.body = std::move(body);
  reply.content_type = std::move(content_type);
  return reply;
}

SimReply dropped() {
  SimReply reply;
  reply.kind = SimReply::Kind::drop;
  return reply;
}

TEST_F(WorkflowRun, EachOutcomeShowsOneMessage) {
  struct {
    Scenario scenario;
    Text message;
    bool labels_set;
    bool link_shown;
    Text ready_flag;
    std::vector<std::string> requests;
  } rows[] = {
      {Scenario::newer_version, Expected::newer_version(web_host), false, true, "",
       through_version},
      {Scenario::portal_down, Expected::network(), false, false, "", through_start_page},
      {Scenario::not_jiangsu, Expected::no_broadband_info(), false, false, "", through_start_page},
      {Scenario::already_sped_up, Expected::running_until("18时30"), true, false, "",
       through_probe},
      {Scenario::ready, Expected::may_speed_up(), true, false, Expected::ready(), through_probe},
      {Scenario::probe_failed, Expected::init_failed(), true, false, "", through_probe},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(scenario_name(row.scenario));
    RecordingWindow window;
    PortalState state;
    sim_.set_scenario(row.scenario);
    sim_.clear_requests();

    initialize(WorkflowContext{window, state, hosts_});

    EXPECT_EQ(window.texts(Control::编辑框1), std::vector<Text>{row.message});
    if (row.labels_set) {
      EXPECT_EQ(window.texts(Control::标签1),
                std::vector<Text>{Expected::account_label(sim_user_account)});
      EXPECT_EQ(window.texts(Control::标签2), std::vector<Text>{Expected::info_label("100M")});
    } else {
      EXPECT_TRUE(window.texts(Control::标签1).empty());
      EXPECT_TRUE(window.texts(Control::标签2).empty());
    }
    EXPECT_EQ(window.shown(Control::透明标签1), row.link_shown);
    EXPECT_EQ(state.ready_flag(), row.ready_flag);
    EXPECT_EQ(request_lines(), row.requests);
  }
}

TEST_F(WorkflowRun, LabelsComeBeforeTheProbeMessage) {
  run_initialize();
  const auto calls = window_.calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].control, Control::标签1);
  EXPECT_EQ(calls[1].control, Control::标签2);
  EXPECT_EQ(calls[2].control, Control::编辑框1);
  EXPECT_EQ(state_.user_account(), Text(sim_user_account));
  EXPECT_EQ(state_.area_code(), Text(sim_area_code));
}

TEST_F(WorkflowRun, VersionFileDecidesWhetherThePortalIsAsked) {
  struct {
    const char* name;
    SimReply version_file;
    bool newer;
  } rows[] = {
      {"2", answer("2"), true},
      {"3 after a blank", answer(" 3"), true},
      {"full-width 3", answer("\xA3\xB3"), true},
      {"1", answer("1"), false},
      {"1.5", answer("1.5"), false},
      {"a word", answer("latest"), false},
      {"-4", answer("-4"), false},
      {"empty", answer(""), false},
      {"update server closes the connection", dropped(), false},
      // An error page is no version, whatever number it starts with.
      {"404 page starting with 404", answer("404 Not Found", 404), false},
      {"2 with an error status", answer("2", 500), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window;
    PortalState state;
    sim_.set_scenario(Scenario::ready);
    sim_.set_reply(Endpoint::version_file, row.version_file);
    sim_.clear_requests();

    initialize(WorkflowContext{window, state, hosts_});

    if (row.newer) {
      EXPECT_EQ(window.texts(Control::编辑框1),
                std::vector<Text>{Expected::newer_version(web_host)});
      EXPECT_TRUE(window.shown(Control::透明标签1));
      EXPECT_TRUE(window.texts(Control::标签1).empty());
      EXPECT_EQ(request_lines(), through_version);
    } else {
      EXPECT_EQ(window.texts(Control::编辑框1), std::vector<Text>{Expected::may_speed_up()});
      EXPECT_FALSE(window.shown(Control::透明标签1));
      EXPECT_EQ(request_lines(), through_probe);
    }
  }
}

TEST_F(WorkflowRun, NewerVersionLeavesStateAndLabelsAlone) {
  state_.set_account("earlier", "0510");
  state_.set_ready_flag(Expected::ready());
  sim_.set_scenario(Scenario::newer_version);
  run_initialize();
  EXPECT_EQ(state_.user_account(), Text("earlier"));
  EXPECT_EQ(state_.area_code(), Text("0510"));
  EXPECT_EQ(state_.ready_flag(), Expected::ready());
}

TEST_F(WorkflowRun, NothingReachableShowsOnlyTheNetworkMessage) {
  const std::string nowhere = closed_host();
  hosts_.update_host = nowhere;
  hosts_.portal_host = nowhere;
  state_.set_account("earlier", "0510");

  run_initialize();

  EXPECT_EQ(window_.calls().size(), 1u);
  EXPECT_EQ(message(), Expected::network());
  EXPECT_EQ(state_.user_account(), Text("earlier"));
  EXPECT_EQ(state_.area_code(), Text("0510"));
}

TEST_F(WorkflowRun, StartPageVariants) {
  const std::string account_field = "<input id=\"HfUserAccount\" value=\"";
  const std::string area_field = "<input id=\"HfAreaCode\" VALUE=\"";
  struct {
    const char* name;
    std::string page;
    Text message;
    Text account;
    Text area_code;
    std::optional<Text> info_label;  // nullopt: the labels are not touched
  } rows[] = {
      {"account without area-code field", account_field + "a1\" />", Expected::no_broadband_info(),
       "a1", "", std::nullopt},
      {"empty account value", account_field + "\" />" + area_field + "025\" />",
       Expected::no_broadband_info(), "", "025", std::nullopt},
      {"no greeting", account_field + "a1\" />" + area_field + "025\" />", Expected::may_speed_up(),
       "a1", "025", Expected::info_label("")},
      {"page in UTF-8, declared so", portal_start_page("a1", "0512", "200M", PageCharset::utf8),
       Expected::may_speed_up(), "a1", "0512", Expected::info_label("200M")},
      {"2xx page that is empty", "", Expected::network(), "before", "0510", std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window;
    PortalState state;
    state.set_account("before", "0510");
    sim_.set_scenario(Scenario::ready);
    sim_.set_reply(Endpoint::start_page, answer(row.page, 200, "text/html"));

    initialize(WorkflowContext{window, state, hosts_});

    EXPECT_EQ(window.texts(Control::编辑框1), std::vector<Text>{row.message});
    EXPECT_EQ(state.user_account(), row.account);
    EXPECT_EQ(state.area_code(), row.area_code);
    if (row.info_label) {
      EXPECT_EQ(window.last_text(Control::标签1), Expected::account_label(row.account.str()));
      EXPECT_EQ(window.last_text(Control::标签2), *row.info_label);
    } else {
      EXPECT_FALSE(window.last_text(Control::标签1));
      EXPECT_FALSE(window.last_text(Control::标签2));
    }
  }
}

// An error status on the start page: no page at all, so nothing read from an
// error page can replace the account of an earlier run.
TEST_F(WorkflowRun, StartPageWithErrorStatusCountsAsUnreachable) {
  state_.set_account("earlier", "0510");
  sim_.set_reply(Endpoint::start_page,
                 answer(portal_start_page("other", "025", "1M"), 503, "text/html"));
  run_initialize();
  EXPECT_EQ(window_.texts(Control::编辑框1), std::vector<Text>{Expected::network()});
  EXPECT_EQ(state_.user_account(), Text("earlier"));
  EXPECT_EQ(state_.area_code(), Text("0510"));
  EXPECT_EQ(request_lines(), through_start_page);
}

// A probe that ended with an error status is a failed probe: digits on the
// error page are no end time, "OK" on it no permission.
TEST_F(WorkflowRun, ProbeWithErrorStatusFails) {
  struct {
    const char* name;
    SimReply probe;
  } rows[] = {
      {"500 page with a time in it", answer("Internal error at 12:30", 500)},
      {"503 page saying OK", answer("OK", 503)},
      {"connection closed", dropped()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window;
    PortalState state;
    state.set_ready_flag(Expected::not_ready());
    sim_.set_reply(Endpoint::probe, row.probe);

    initialize(WorkflowContext{window, state, hosts_});

    EXPECT_EQ(window.texts(Control::编辑框1), std::vector<Text>{Expected::init_failed()});
    EXPECT_EQ(state.ready_flag(), Expected::not_ready());
  }
}

TEST_F(WorkflowRun, RepeatedInitializeRepeatsEveryExchange) {
  run_initialize();
  run_initialize();
  EXPECT_EQ(window_.texts(Control::编辑框1),
            (std::vector<Text>{Expected::may_speed_up(), Expected::may_speed_up()}));
  std::vector<std::string> twice = through_probe;
  twice.insert(twice.end(), through_probe.begin(), through_probe.end());
  EXPECT_EQ(request_lines(), twice);
}

}  // namespace
}  // namespace velkoran
