// Cost of RegexObject runs next to the bare engine run over the same subject
// in the same process: the object adds the GBK -> UTF-16 conversion, the
// compile and copying the matches out. A summary after the usual table prints
//   - each object run's time as a multiple of the engine run, and
//   - how its time grows from subject size N to 4N (about 4 when linear).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "core/codepage.h"
#include "core/text.h"
#include "core/text_ops.h"
#include "regex/pcre_engine.h"
#include "regex/regex_object.h"

namespace velkoran {
namespace {

const Text charset_pattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
const Text words_pattern = "\\w+";

// `size` bytes of GBK markup that declares no character set, so the charset
// search tries every "<meta" and fails.
Text gbk_page(int size) {
  const std::string block = "<meta name=\"keywords\" content=\"" +
                            gbk_from_utf8("宽带提速，尊敬的用户").str() +
                            "\"><td class=a1>02512345678</td>\r\n";
  std::string page;
  while (page.size() < static_cast<std::size_t>(size)) page += block;
  page.resize(static_cast<std::size_t>(size));
  return Text(std::move(page));
}

void run_object(benchmark::State& state, const Text& pattern) {
  const Text page = gbk_page(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RegexObject re;
    benchmark::DoNotOptimize(re.execute(pattern, page));
    benchmark::DoNotOptimize(re.submatch_text(1, 1));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void run_engine(benchmark::State& state, const Text& pattern) {
  const std::u16string subject = gbk_to_u16(gbk_page(static_cast<int>(state.range(0))).view());
  const CompiledPattern compiled =
      compile_pattern(gbk_to_u16(pattern.view()), {.ignore_case = true, .multiline = true});
  for (auto _ : state) benchmark::DoNotOptimize(find_matches(compiled, subject, true));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_engine_charset(benchmark::State& state) { run_engine(state, charset_pattern); }
void BM_object_charset(benchmark::State& state) { run_object(state, charset_pattern); }
void BM_engine_words(benchmark::State& state) { run_engine(state, words_pattern); }
void BM_object_words(benchmark::State& state) { run_object(state, words_pattern); }

BENCHMARK(BM_engine_charset)->Arg(1024);
BENCHMARK(BM_object_charset)->Arg(1024);
BENCHMARK(BM_engine_words)->Arg(64 << 10)->Arg(256 << 10);
BENCHMARK(BM_object_words)->Arg(64 << 10)->Arg(256 << 10);

}  // namespace
}  // namespace velkoran

int main(int argc, char** argv) {
  // Each object run is read against the bare engine run over the same subject.
  return velkoran::bench::run_with_ratios(argc, argv,
                                          {
                                              {"BM_object_charset", "BM_engine_charset"},
                                              {"BM_object_words", "BM_engine_words"},
                                          });
}
