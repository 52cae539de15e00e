// Cost of RegexObject runs next to the bare engine run over the same subject
// in the same process: the object adds the GBK -> UTF-16 conversion, the
// compile and copying the matches out. A summary after the usual table prints
//   - each object run's time as a multiple of the engine run, and
//   - how its time grows from subject size N to 4N (about 4 when linear).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const std::string name = run.benchmark_name();  // BM_<side>_<what>/<size>
      const std::size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      times_[name.substr(3, slash - 3)][std::stol(name.substr(slash + 1))] =
          run.GetAdjustedRealTime();
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-16s %10s %14s %12s\n", "object run", "size", "x engine run", "N->4N time");
    for (const auto& [family, by_size] : times_) {
      if (family.rfind("object_", 0) != 0) continue;
      const auto engine = times_.find("engine_" + family.substr(7));
      for (const auto& [size, time] : by_size) {
        std::string against = "-";
        if (engine != times_.end()) {
          const auto base = engine->second.find(size);
          if (base != engine->second.end() && base->second > 0)
            against = ratio(time / base->second);
        }
        std::string growth = "-";
        const auto quarter = by_size.find(size / 4);
        if (size % 4 == 0 && quarter != by_size.end() && quarter->second > 0) {
          growth = ratio(time / quarter->second);
        }
        std::printf("%-16s %10ld %14s %12s\n", family.c_str(), size, against.c_str(),
                    growth.c_str());
      }
    }
    std::fflush(stdout);
  }

 private:
  static std::string ratio(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2fx", value);
    return buffer;
  }

  std::map<std::string, std::map<long, double>> times_;
};

}  // namespace
}  // namespace velkoran

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  velkoran::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
