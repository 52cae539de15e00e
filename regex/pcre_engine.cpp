#include "regex/pcre_engine.h"

#include <pcre2.h>

namespace velkoran {
namespace {

struct MatchDataFree {
  void operator()(pcre2_match_data_16* data) const { pcre2_match_data_free_16(data); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context_16* context) const { pcre2_match_context_free_16(context); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context_16* context) const {
    pcre2_compile_context_free_16(context);
  }
};
using MatchData = std::unique_ptr<pcre2_match_data_16, MatchDataFree>;
using MatchContext = std::unique_ptr<pcre2_match_context_16, MatchContextFree>;
using CompileContext = std::unique_ptr<pcre2_compile_context_16, CompileContextFree>;

// Heap PCRE2 may use for backtracking within one attempt (in KiB).
constexpr std::uint32_t match_heap_limit_kib = 20 * 1024;

// Counts the steps of one find_matches() call. Patterns are compiled with
// automatic callouts, so PCRE2 calls this each time the matcher reaches a
// pattern item, at every start position and for every match of the run alike.
// A negative result abandons the match in progress with that code.
int count_step(pcre2_callout_block_16* /*block*/, void* steps_left) {
  auto& left = *static_cast<std::uint64_t*>(steps_left);
  if (left == 0) return PCRE2_ERROR_CALLOUT;
  --left;
  return 0;
}

PCRE2_SPTR16 units(std::u16string_view text) {
  // PCRE2 wants a valid address even for an empty subject.
  static const char16_t empty[1] = {0};
  return reinterpret_cast<PCRE2_SPTR16>(text.empty() ? empty : text.data());
}

// The newline convention has to be CR/LF/CRLF for "^" and "$", which would also
// keep "." off a carriage return. Every unescaped "." outside a character class
// is therefore spelled "[^\n]", which stops at a line feed only. Classes, escapes
// (including \Q..\E and \cX) and (?#...) comments are copied as they are.
std::u16string dots_stop_at_line_feed(std::u16string_view pattern) {
  std::u16string out;
  out.reserve(pattern.size() + 16);
  const std::size_t n = pattern.size();
  bool in_class = false;
  std::size_t i = 0;
  auto copy_to = [&](std::size_t stop) {
    out.append(pattern.substr(i, stop - i));
    i = stop;
  };
  while (i < n) {
    const char16_t c = pattern[i];
    if (c == u'\\') {
      if (i + 1 < n && pattern[i + 1] == u'Q') {
        const std::size_t end = pattern.find(u"\\E", i + 2);
        copy_to(end == std::u16string_view::npos ? n : end + 2);
      } else if (i + 1 < n && pattern[i + 1] == u'c') {
        copy_to(std::min(n, i + 3));
      } else {
        copy_to(std::min(n, i + 2));
      }
      continue;
    }
    if (in_class) {
      if (c == u'[' && i + 1 < n &&
          (pattern[i + 1] == u':' || pattern[i + 1] == u'.' || pattern[i + 1] == u'=')) {
        // A POSIX item such as [:alpha:] ends with its own "]".
        const char16_t closing[] = {pattern[i + 1], u']', 0};
        const std::size_t end = pattern.find(closing, i + 2);
        if (end != std::u16string_view::npos) {
          copy_to(end + 2);
          continue;
        }
      }
      if (c == u']') in_class = false;
      copy_to(i + 1);
      continue;
    }
    if (c == u'[') {
      in_class = true;
      std::size_t stop = i + 1;
      if (stop < n && pattern[stop] == u'^') ++stop;
      if (stop < n && pattern[stop] == u']') ++stop;  // a leading "]" is a member
      copy_to(stop);
      continue;
    }
    if (c == u'(' && pattern.substr(i, 3) == u"(?#") {
      const std::size_t end = pattern.find(u')', i);
      copy_to(end == std::u16string_view::npos ? n : end + 1);
      continue;
    }
    if (c == u'.') {
      out.append(u"[^\\n]");
      ++i;
      continue;
    }
    copy_to(i + 1);
  }
  return out;
}

}  // namespace

void CompiledPattern::CodeFree::operator()(pcre2_real_code_16* code) const {
  pcre2_code_free_16(code);
}

CompiledPattern compile_pattern(std::u16string_view pattern, PatternOptions options) {
  CompiledPattern result;
  CompileContext context(pcre2_compile_context_create_16(nullptr));
  if (!context) {
    result.error_code_ = PCRE2_ERROR_NOMEMORY;
    return result;
  }
  pcre2_set_newline_16(context.get(), PCRE2_NEWLINE_ANYCRLF);

  // NEVER_UTF/NEVER_UCP also refuse "(*UTF)" and "(*UCP)" at the pattern's start.
  // Without UCP, case folding uses PCRE2's built-in C-locale tables: only ASCII
  // letters fold (not even Latin-1 ones such as U+00C0/U+00E0), which is what
  // ignoring case means throughout this system.
  // AUTO_CALLOUT: every item reached is counted against the run's step budget.
  std::uint32_t flags = PCRE2_NEVER_UTF | PCRE2_NEVER_UCP | PCRE2_AUTO_CALLOUT;
  if (options.ignore_case) flags |= PCRE2_CASELESS;
  if (options.multiline) {
    // ALT_CIRCUMFLEX: "^" also matches after a line break that ends the subject.
    flags |= PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX;
  } else {
    flags |= PCRE2_DOLLAR_ENDONLY;
  }

  const std::u16string rewritten = dots_stop_at_line_feed(pattern);
  int error_code = 0;
  PCRE2_SIZE error_offset = 0;
  pcre2_code_16* code = pcre2_compile_16(units(rewritten), rewritten.size(), flags, &error_code,
                                         &error_offset, context.get());
  if (code == nullptr) {
    result.error_code_ = error_code;
    result.error_offset_ = error_offset;
    return result;
  }
  result.code_.reset(code);
  std::uint32_t captures = 0;
  if (pcre2_pattern_info_16(code, PCRE2_INFO_CAPTURECOUNT, &captures) == 0) {
    result.capture_count_ = captures;
  }
  return result;
}

MatchRun find_matches(const CompiledPattern& pattern, std::u16string_view subject, bool global) {
  MatchRun run;
  if (!pattern.ok()) return run;
  const pcre2_code_16* code = pattern.code();
  MatchData data(pcre2_match_data_create_from_pattern_16(code, nullptr));
  MatchContext context(pcre2_match_context_create_16(nullptr));
  if (!data || !context) return run;
  pcre2_set_match_limit_16(context.get(), match_step_limit);
  pcre2_set_depth_limit_16(context.get(), match_step_limit);
  pcre2_set_heap_limit_16(context.get(), match_heap_limit_kib);
  std::uint64_t steps_left = run_step_budget;
  pcre2_set_callout_16(context.get(), &count_step, &steps_left);

  const PCRE2_SPTR16 text = units(subject);
  const std::size_t length = subject.size();
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer_16(data.get());
  const std::uint32_t captures = pattern.capture_count();
  std::size_t offset = 0;
  std::uint32_t retry_flags = 0;
  for (;;) {
    const int rc =
        pcre2_match_16(code, text, length, offset, retry_flags, data.get(), context.get());
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (retry_flags == 0) break;
      // No non-empty match where the empty one was: step over one character.
      const bool crlf = text[offset] == u'\r' && offset + 1 < length && text[offset + 1] == u'\n';
      offset += crlf ? 2 : 1;
      retry_flags = 0;
      continue;
    }
    if (rc <= 0 || ovector[0] > ovector[1]) {
      // Step budget, match limit, heap limit or a start set past the end by \K:
      // the run failed, whatever it found before.
      run.spans.clear();
      return run;
    }
    MatchSpan span;
    span.start = ovector[0];
    span.end = ovector[1];
    span.groups.resize(captures);
    for (std::uint32_t g = 1; g <= captures; ++g) {
      if (g < static_cast<std::uint32_t>(rc) && ovector[2 * g] != PCRE2_UNSET) {
        span.groups[g - 1] = {ovector[2 * g], ovector[2 * g + 1]};
      }
    }
    run.spans.push_back(std::move(span));
    if (!global) break;
    offset = ovector[1];
    if (ovector[0] == ovector[1]) {
      if (offset >= length) break;
      retry_flags = PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED;
    } else {
      retry_flags = 0;
    }
  }
  run.completed = true;
  return run;
}

}  // namespace velkoran
