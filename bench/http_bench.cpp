// What http_request adds to a local HTTP exchange, against the same exchange
// made with bare libcurl in the same run.
//
// Each iteration makes one bare exchange, one through the libcurl layer alone
// (run_transfer, with the routine's header lines) and one through
// http_request, in turn, so that all see the same machine load. Counters:
//   bare_us, layer_us, routine_us   mean time of one exchange
//   layer_ratio                     layer / bare
//   overhead_ratio                  routine / bare (target: below 1.10)
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <chrono>
#include <string>

#include "http/curl_transfer.h"
#include "http/http_request.h"
#include "tests/support/local_http_server.h"

namespace {

using velkoran::http_request;
using velkoran::Text;
using Clock = std::chrono::steady_clock;

// A page of the size the portal serves, with a GBK charset declaration so the
// routine's charset step runs its search but decodes nothing.
std::string sample_page() {
  std::string page = "<html><head><meta charset=\"gbk\"></head><body>";
  while (page.size() < 8 * 1024) page += "<p>\xCB\xD9\xC2\xCA speed 100M</p>";
  return page + "</body></html>";
}

velkoran::testing::LocalHttpServer& server() {
  static velkoran::testing::LocalHttpServer instance([](httplib::Server& s) {
    s.Get("/page", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(sample_page(), "text/html");
    });
    s.Post("/form", [](const httplib::Request& request, httplib::Response& response) {
      response.set_header("Set-Cookie", "sid=1; path=/");
      response.set_content("ok " + std::to_string(request.body.size()), "text/plain");
    });
  });
  return instance;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// The same exchange with libcurl alone: one easy handle, the body collected.
std::string bare_exchange(const std::string& url, const std::string* post_body) {
  std::string body;
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  if (post_body != nullptr) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, post_body->data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(post_body->size()));
  }
  curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  return body;
}

// The same exchange through the service layer's transfer alone.
velkoran::TransferPlan layer_plan(bool post, const std::string& form) {
  velkoran::TransferPlan plan;
  plan.host = "127.0.0.1";
  plan.port = server().port();
  plan.method = post ? "POST" : "GET";
  plan.target = post ? "/form" : "/page";
  plan.connect_timeout_ms = plan.send_timeout_ms = plan.receive_timeout_ms = 30000;
  plan.header_lines = {
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
      "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
      "Accept-Language: zh-cn", "Cache-Control: no-cache"};
  if (post) {
    plan.header_lines.push_back("Content-Type: application/x-www-form-urlencoded");
    plan.body = form;
  }
  return plan;
}

double mean_us(Clock::duration total, const benchmark::State& state) {
  return std::chrono::duration<double, std::micro>(total).count() /
         static_cast<double>(state.iterations());
}

void compare(benchmark::State& state, bool post) {
  const std::string url = server().base_url() + (post ? "/form" : "/page");
  const std::string form = "action=probe&isPostBk=1&account=02512345678&area=025";
  const velkoran::HttpRequestOptions options =
      post ? velkoran::HttpRequestOptions{.method = 1, .body = Text(form)}
           : velkoran::HttpRequestOptions{};
  const velkoran::TransferPlan plan = layer_plan(post, form);
  // Warm every path (library start, first connection) outside the measurement.
  benchmark::DoNotOptimize(bare_exchange(url, post ? &form : nullptr));
  benchmark::DoNotOptimize(velkoran::run_transfer(plan));
  benchmark::DoNotOptimize(http_request(Text(url), options));

  Clock::duration bare{};
  Clock::duration layer{};
  Clock::duration routine{};
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    benchmark::DoNotOptimize(bare_exchange(url, post ? &form : nullptr));
    bare += Clock::now() - start;
    start = Clock::now();
    benchmark::DoNotOptimize(velkoran::run_transfer(plan));
    layer += Clock::now() - start;
    start = Clock::now();
    benchmark::DoNotOptimize(http_request(Text(url), options));
    routine += Clock::now() - start;
  }
  state.counters["bare_us"] = mean_us(bare, state);
  state.counters["layer_us"] = mean_us(layer, state);
  state.counters["routine_us"] = mean_us(routine, state);
  state.counters["layer_ratio"] = mean_us(layer, state) / mean_us(bare, state);
  state.counters["overhead_ratio"] = mean_us(routine, state) / mean_us(bare, state);
}

void BM_LocalGet_RoutineVsBareCurl(benchmark::State& state) { compare(state, false); }
void BM_LocalPost_RoutineVsBareCurl(benchmark::State& state) { compare(state, true); }

BENCHMARK(BM_LocalGet_RoutineVsBareCurl)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_LocalPost_RoutineVsBareCurl)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
