// Throughput of the text primitives over a GBK page and of the cookie merge
// over a long cookie text, each next to a plain standard-library baseline run
// in the same process. After the usual table, a summary prints
//   - each operation's time as a multiple of its baseline, and
//   - how its time grows from input size N to 4N (about 4 for linear code,
//     about 16 for quadratic code).
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "bench/ratio_reporter.h"
#include "core/codepage.h"
#include "core/text.h"
#include "core/text_ops.h"
#include "http/cookie_merge.h"

namespace velkoran {
namespace {

constexpr int kSmallPage = 256 << 10;
constexpr int kLargePage = 1 << 20;
constexpr int kFewCookies = 2500;
constexpr int kManyCookies = 10000;

// A page of `size` bytes at most, cut at a block boundary, made of GBK table
// rows with ASCII markup, blanks (ASCII and full-width) and semicolons.
const Text& gbk_page(int size) {
  static std::map<int, Text> pages;
  auto found = pages.find(size);
  if (found != pages.end()) return found->second;
  const std::string block = "<tr><td class=\"account\">" + gbk_from_utf8("宽带账号：").str() +
                            "02512345678\xA1\xA1" +
                            gbk_from_utf8("尊敬的用户，您的签约带宽为：100M").str() +
                            " </td><td>a=1; b=2; c=3;</td></tr>\r\n";
  std::string page;
  page.reserve(static_cast<std::size_t>(size));
  while (page.size() + block.size() <= static_cast<std::size_t>(size)) page += block;
  return pages.emplace(size, Text(std::move(page))).first->second;
}

// A sought text the page does not hold, so that every search covers it all.
const Text& absent_text() {
  static const Text absent = gbk_from_utf8("一键提速");
  return absent;
}

// `count` cookie items, about one in four a repeat of an earlier one.
Text cookie_text(int count, const char* prefix) {
  std::string text;
  const int distinct = count - count / 4;
  for (int i = 0; i < count; ++i) {
    const int id = i % distinct;
    text += prefix + std::to_string(id) + "=value" + std::to_string(id) + "; ";
  }
  if (!text.empty()) text.resize(text.size() - 2);
  return Text(std::move(text));
}

void set_page_counters(benchmark::State& state, const Text& page) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
  state.SetComplexityN(state.range(0));
}

// Baselines over the page.

void BM_baseline_std_find(benchmark::State& state) {
  const Text& page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(page.str().find(absent_text().str()));
  set_page_counters(state, page);
}

void BM_baseline_copy_pass(benchmark::State& state) {
  const Text& page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string copy = page.str();
    benchmark::DoNotOptimize(copy.data());
  }
  set_page_counters(state, page);
}

// The primitives over the page.

void BM_find_text(benchmark::State& state) {
  const Text& page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(find_text(page, absent_text()));
  set_page_counters(state, page);
}

void BM_replace_subtext(benchmark::State& state) {
  const Text& page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(replace_subtext(page, "; ", ";", true));
  set_page_counters(state, page);
}

void BM_split_text(benchmark::State& state) {
  const Text& page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(split_text(page, ";"));
  set_page_counters(state, page);
}

void BM_remove_all_spaces(benchmark::State& state) {
  const Text& page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(remove_all_spaces(page));
  set_page_counters(state, page);
}

// Cookie lists.

void set_item_counters(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  state.SetComplexityN(state.range(0));
}

// What a plain standard-library dedupe of the same items costs.
void BM_baseline_std_dedupe(benchmark::State& state) {
  const Text cookies = cookie_text(static_cast<int>(state.range(0)), "c");
  constexpr std::string_view separator = "; ";
  for (auto _ : state) {
    std::unordered_set<std::string_view> seen;
    std::string out;
    std::string_view rest = cookies.view();
    while (!rest.empty()) {
      const std::size_t at = rest.find(separator);
      const std::string_view piece = rest.substr(0, at);
      if (seen.insert(piece).second) {
        out.append(piece);
        out.append(separator);
      }
      rest = at == std::string_view::npos ? std::string_view() : rest.substr(at + 2);
    }
    benchmark::DoNotOptimize(out.data());
  }
  set_item_counters(state);
}

void BM_join_unique(benchmark::State& state) {
  const Text cookies = cookie_text(static_cast<int>(state.range(0)), "c");
  for (auto _ : state) benchmark::DoNotOptimize(join_unique(cookies, "; ", true));
  set_item_counters(state);
}

// Half the new names replace old ones. The copies of the two in-out
// arguments are timed too; they are small next to the merge.
void BM_cookie_merge(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const Text old_cookies = cookie_text(count, "c");
  const Text fresh_cookies =
      text_concat(cookie_text(count / 2, "c"), "; ", cookie_text(count / 2, "n"));
  for (auto _ : state) {
    Text cookies = old_cookies;
    Text new_cookies = fresh_cookies;
    benchmark::DoNotOptimize(cookie_merge(cookies, new_cookies));
  }
  set_item_counters(state);
}

#define PAGE_BENCHMARK(fn) \
  BENCHMARK(fn)->Arg(kSmallPage)->Arg(kLargePage)->Complexity(benchmark::oN)
#define COOKIE_BENCHMARK(fn) \
  BENCHMARK(fn)->Arg(kFewCookies)->Arg(kManyCookies)->Complexity(benchmark::oN)

PAGE_BENCHMARK(BM_baseline_std_find);
PAGE_BENCHMARK(BM_baseline_copy_pass);
PAGE_BENCHMARK(BM_find_text);
PAGE_BENCHMARK(BM_replace_subtext);
PAGE_BENCHMARK(BM_split_text);
PAGE_BENCHMARK(BM_remove_all_spaces);
COOKIE_BENCHMARK(BM_baseline_std_dedupe)->Unit(benchmark::kMicrosecond);
COOKIE_BENCHMARK(BM_join_unique)->Unit(benchmark::kMicrosecond);
COOKIE_BENCHMARK(BM_cookie_merge)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velkoran

int main(int argc, char** argv) {
  // Which baseline each operation is read against.
  return velkoran::bench::run_with_ratios(argc, argv,
                                          {
                                              {"BM_find_text", "BM_baseline_std_find"},
                                              {"BM_replace_subtext", "BM_baseline_copy_pass"},
                                              {"BM_split_text", "BM_baseline_copy_pass"},
                                              {"BM_remove_all_spaces", "BM_baseline_copy_pass"},
                                              {"BM_join_unique", "BM_baseline_std_dedupe"},
                                              {"BM_cookie_merge", "BM_baseline_std_dedupe"},
                                          });
}
