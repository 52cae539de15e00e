// The matching engine behind RegexObject: PCRE2's 16-bit library over UTF-16
// subjects, without its UTF and UCP modes, so one BMP character is one code unit
// and "\d", "\w" and case folding stay ASCII.
//
//   CompiledPattern pattern = compile_pattern(u"(\\d+):(\\d+)", {.ignore_case = true});
//   MatchRun run = find_matches(pattern, u"12:30", /*global=*/true);
//   // run.completed, run.spans[0].start == 0, run.spans[0].end == 5
//
// Syntax and behaviour on top of PCRE2's defaults:
// - "." matches any character but a line feed; a carriage return is matched.
// - A line break for "^" and "$" (multi-line) is CR, LF or CR LF; without
//   multi-line "$" matches at the very end only.
// - Every run is bounded by one step budget over all its start positions and
//   matches, so catastrophic backtracking ends the run as failed instead of
//   hanging the thread, whatever the length of the subject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct pcre2_real_code_16;

namespace velkoran {

struct PatternOptions {
  bool ignore_case = false;
  bool multiline = false;
};

// Backtracking steps allowed for one attempt at one start position. A lazy
// quantifier counts one per character it takes in, so this is also the longest
// stretch ".*?" can cover (well beyond any line the system searches); a
// catastrophic pattern reaches it within milliseconds.
inline constexpr std::uint32_t match_step_limit = 1'000'000;

// Steps allowed for one whole find_matches() call: every start position and
// every match together. A step is the matcher reaching one item of the pattern,
// so a plain run costs about one step per character of the subject: the
// charset search over the first 1 KB of a page takes about a thousand, the
// workflow's "\d+.*?\d+" over a 64 KB portal answer some fifty thousand, and
// a lazy ".*?" over a 200,000-character line about 200,000. A catastrophic
// pattern spends the budget within a fraction of a second, however long the
// subject (the per-attempt match limit alone lets the time grow with each
// start position).
inline constexpr std::uint64_t run_step_budget = 20'000'000;

// A compiled pattern, or the reason it did not compile. Move-only.
class CompiledPattern {
 public:
  CompiledPattern() = default;
  CompiledPattern(CompiledPattern&&) noexcept = default;
  CompiledPattern& operator=(CompiledPattern&&) noexcept = default;

  [[nodiscard]] bool ok() const { return code_ != nullptr; }
  // PCRE2's error number and the offset in the pattern it refers to; 0 when ok().
  [[nodiscard]] int error_code() const { return error_code_; }
  [[nodiscard]] std::size_t error_offset() const { return error_offset_; }
  [[nodiscard]] std::uint32_t capture_count() const { return capture_count_; }
  [[nodiscard]] const pcre2_real_code_16* code() const { return code_.get(); }

 private:
  friend CompiledPattern compile_pattern(std::u16string_view, PatternOptions);
  struct CodeFree {
    void operator()(pcre2_real_code_16* code) const;
  };
  std::unique_ptr<pcre2_real_code_16, CodeFree> code_;
  int error_code_ = 0;
  std::size_t error_offset_ = 0;
  std::uint32_t capture_count_ = 0;
};

[[nodiscard]] CompiledPattern compile_pattern(std::u16string_view pattern, PatternOptions options);

// Offsets of one match in code units; a group that took no part is `unset`.
struct MatchSpan {
  static constexpr std::size_t unset = static_cast<std::size_t>(-1);
  struct Group {
    std::size_t start = unset;
    std::size_t end = unset;
  };
  std::size_t start = 0;
  std::size_t end = 0;
  std::vector<Group> groups;  // groups[0] is group 1
};

struct MatchRun {
  // False when the pattern did not compile, or when the engine gave up (step
  // budget, match limit, memory): then `spans` is empty, also when earlier matches were found,
  // so a cut-short run is never taken for a complete one.
  bool completed = false;
  std::vector<MatchSpan> spans;
};

// The leftmost match, or with `global` every non-overlapping match in order.
// After an empty match the next one may not be empty at the same place; failing
// that, the search steps on by one character (a CR LF pair as one).
[[nodiscard]] MatchRun find_matches(const CompiledPattern& pattern, std::u16string_view subject,
                                    bool global);

// The replacement for one match, with "$1".."$99" (group; a number beyond the
// groups stays literal), "$&" (the match), "$`" and "$'" (the subject before and
// after it) and "$$" (a dollar sign). Any other "$" is literal.
[[nodiscard]] std::u16string expand_replacement(std::u16string_view replacement,
                                                std::u16string_view subject,
                                                const MatchSpan& match);

// `subject` with the replacement expanded in place of each span.
[[nodiscard]] std::u16string replace_spans(std::u16string_view subject,
                                           const std::vector<MatchSpan>& spans,
                                           std::u16string_view replacement);

}  // namespace velkoran
