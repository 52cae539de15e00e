// What the workflow reads out of the portal's answers, the bodies it builds
// and the texts it shows, without any network.
#include "workflow/portal_protocol.h"

#include <gtest/gtest.h>

#include "core/codepage.h"
#include "core/text_ops.h"
#include "tests/workflow/environment.h"
#include "tools/portal_pages.h"
#include "workflow/texts.h"

namespace velkoran {
namespace {

Text gbk(std::string_view utf8) { return gbk_from_utf8(utf8); }

TEST(WorkflowTexts, AreGbkBytes) {
  const WorkflowTexts& texts = workflow_texts();
  struct {
    const Text& text;
    std::string_view gbk_bytes;
  } cases[] = {
      {texts.initialize_first, "\xC7\xEB\xCF\xC8\xB3\xF5\xCA\xBC\xBB\xAF"},
      {texts.speed_up_succeeded, "\xB9\xA7\xCF\xB2\xC4\xFA\xCC\xE1\xCB\xD9\xB3\xC9\xB9\xA6"},
      {texts.speed_up_failed,
       "\xCC\xE1\xCB\xD9\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xBC\xEC\xB2\xE9\xCD\xF8\xC2\xE7\xBA\xF3"
       "\xD6\xD8\xCA\xD4"},
      {texts.account_label, "\xBF\xED\xB4\xF8\xD5\xCB\xBA\xC5\xA3\xBA"},
      {texts.ready, "\xD5\xE6"},
      {texts.not_ready, "\xBC\xD9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8_from_gbk(c.text));
    EXPECT_EQ(c.text.str(), c.gbk_bytes);
  }
  // The line break inside a message stays a CR LF.
  EXPECT_EQ(texts.already_sped_up_head.str(),
            "\xB3\xF5\xCA\xBC\xBB\xAF\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD4\xAD\xD2\xF2\xA3\xBA"
            "\r\n" +
                gbk("您已经在提速中了，将于今天：").str());
}

TEST(ExchangeStatus, OnlyTwoHundredsSucceed) {
  struct {
    const char* status;
    bool succeeded;
  } cases[] = {
      {"200 OK", true},
      {"204 No Content", true},
      {"299", true},
      {"302 Found", false},
      {"404 Not Found", false},
      {"500 Internal Server Error", false},
      {"2000 OK", false},
      {"20", false},
      {"2x0 OK", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(is_success_status(c.status), c.succeeded);
  }
  // http_request's numbered failure texts.
  for (const char* failure : {"712 服务器未响应!", "713 读取数据失败!", "701 解析URL地址失败!"}) {
    SCOPED_TRACE(failure);
    EXPECT_FALSE(is_success_status(gbk(failure)));
  }
}

TEST(FormBodies, CarryValuesUnencoded) {
  EXPECT_EQ(speed_model_body("02587654321", "025"),
            Text("action=ExperiencesSpeedModel&isPostBk=1&UserAccount=02587654321&AreaCode=025"));
  EXPECT_EQ(begin_experiences_body("a&b=c d", "0%25"),
            Text("action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=a&b=c d&AreaCode=0%25"));
  EXPECT_EQ(begin_experiences_body("", ""),
            Text("action=ExperiencesSpeedBegin&isPostBk=1&UserAccount=&AreaCode="));
}

TEST(VersionFile, ReadsWholeNumberAboveOwnVersion) {
  struct {
    Text content;
    bool newer;
  } cases[] = {
      {"2", true},      {" 3", true}, {"\xA3\xB3", true},  // full-width 3
      {"10\r\n", true}, {"1", false}, {"1.5", false},     {"word", false},
      {"-4", false},    {"", false},  {"v2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content.str());
    EXPECT_EQ(announces_newer_version(c.content), c.newer);
  }
}

TEST(StartPage, ReadsAccountAreaCodeAndBandwidth) {
  const Text account_field = "<input name=\"HfUserAccount\" id=\"HfUserAccount\" value=\"";
  const Text area_field = "<input name=\"HfAreaCode\" id=\"HfAreaCode\" VALUE=\"";
  struct {
    const char* name;
    Text page;
    StartPageFields expected;
  } cases[] = {
      {"the simulated portal's page",
       portal_start_page("02587654321", "025", "100M"),
       {"02587654321", "025", "100M"}},
      {"empty account value",
       text_concat(account_field, "\" />", area_field, "025\" />"),
       {"", "025", ""}},
      {"area code attribute in lower case",
       text_concat(account_field, "a1\" />",
                   "<input name=\"HfAreaCode\" id=\"HfAreaCode\" value=\"025\" />"),
       {"a1", "", ""}},
      {"account field only", text_concat(account_field, "a1\" />"), {"a1", "", ""}},
      {"marker twice in the greeting, a line break inside the value",
       text_concat(
           account_field, "a1\" />", area_field, "025\" />",
           gbk("<label>尊敬的用户(a1)您的签约带宽为：50M，您的签约带宽为：2<br />00M</label>")),
       {"a1", "025", "200M"}},
      {"no greeting",
       text_concat(account_field, "a1\" />", area_field, "025\" />"),
       {"a1", "025", ""}},
      {"greeting without the bandwidth marker",
       text_concat(account_field, "a1\" />", area_field, "025\" />",
                   gbk("<label>尊敬的用户(a1)，您好</label>")),
       {"a1", "025", ""}},
      {"first field of each kind counts",
       text_concat(account_field, "first\" />", account_field, "second\" />", area_field,
                   "025\" />"),
       {"first", "025", ""}},
      {"empty page", "", {"", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const StartPageFields fields = read_start_page(c.page);
    EXPECT_EQ(fields.user_account, c.expected.user_account);
    EXPECT_EQ(fields.area_code, c.expected.area_code);
    EXPECT_EQ(fields.bandwidth, c.expected.bandwidth);
  }
}

TEST(ProbeAnswer, ReadsRunningSpeedUpReadyOrFailure) {
  struct {
    const char* name;
    Text answer;
    ProbeOutcome outcome;
    Text end_time;
  } cases[] = {
      {"OK alone", "OK", ProbeOutcome::may_speed_up, ""},
      {"OK with a single digit", "OK 5", ProbeOutcome::may_speed_up, ""},
      {"OK with a year", "OK 2024", ProbeOutcome::already_sped_up, "2024"},
      {"hour and minutes", gbk("结束时间：18?30"), ProbeOutcome::already_sped_up, gbk("18时30")},
      {"first digit to last digit of the match", "until 9:05 today", ProbeOutcome::already_sped_up,
       "9:05"},
      {"digits split by a line feed", "1\n2 OK", ProbeOutcome::may_speed_up, ""},
      {"ok in lower case", "ok", ProbeOutcome::failed, ""},
      {"neither digits nor OK", gbk("抱歉，暂不具备提速条件"), ProbeOutcome::failed, ""},
      {"empty answer", "", ProbeOutcome::failed, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    const ProbeReading reading = read_probe_answer(c.answer, regex);
    EXPECT_EQ(reading.outcome, c.outcome);
    EXPECT_EQ(reading.end_time, c.end_time);
  }
}

TEST(Hosts, EnvironmentOverridesCompiledInHosts) {
  testing::unset_environment("VELKORAN_UPDATE_HOST");
  testing::set_environment("VELKORAN_PORTAL_HOST", "");
  testing::set_environment("VELKORAN_WEB_HOST", "127.0.0.1:8080");
  const PortalHosts hosts = hosts_from_environment();
  EXPECT_EQ(hosts.update_host, VELKORAN_TEST_UPDATE_HOST);
  // Empty means unset (on Windows setting it empty unsets it: environment.h).
  EXPECT_EQ(hosts.portal_host, VELKORAN_TEST_PORTAL_HOST);
  EXPECT_EQ(hosts.web_host, "127.0.0.1:8080");
  testing::unset_environment("VELKORAN_PORTAL_HOST");
  testing::unset_environment("VELKORAN_WEB_HOST");
}

TEST(Hosts, DownloadPageIsHttpsOnWebHost) {
  EXPECT_EQ(download_page_address({"u", "p", "www.example.test"}),
            Text("https://www.example.test/windows/546.html"));
}

}  // namespace
}  // namespace velkoran
