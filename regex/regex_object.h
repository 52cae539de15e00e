// RegexObject: one regular expression run over one subject, with 1-based match
// and group numbers.
//
//   RegexObject re;
//   re.execute("\\d+.*?\\d+", answer);   // ignore-case, multi-line, global
//   Text end_time = re.match_text(1);     // empty when nothing matched
//
// Matching works on characters: the GBK subject is converted to UTF-16, so a
// two-byte character counts as one. "\d" and "\w" are ASCII only, "." stops at
// a line feed, case folding is ASCII only. A malformed pattern makes execute()
// return false; one step budget for the whole run makes a pathological
// pattern or subject end the run with false instead of hanging.
#pragma once

#include <memory>
#include <string>

#include "core/text.h"

namespace velkoran {

class RegexObject {
 public:
  // Enters the thread's object apartment (nothing to do on this platform).
  RegexObject();
  // Same as destroy().
  ~RegexObject();
  RegexObject(RegexObject&&) noexcept;
  RegexObject& operator=(RegexObject&&) noexcept;
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Releases engine, matches and subject and leaves the apartment; idempotent.
  void destroy();
  // A second instance sharing this one's engine and matches, with its own subject copy.
  [[nodiscard]] RegexObject copy() const;

  // Compiles `pattern` afresh and collects its matches in `subject`. With
  // quote_escape, each "#引号" (GBK) in the pattern becomes a double quote.
  // True when the run took place, also when it found nothing; false when the
  // pattern did not compile or the run went over its step budget.
  bool execute(const Text& pattern, const Text& subject, bool case_sensitive = false,
               bool multiline = true, bool global = true, bool quote_escape = false);

  void noop() const {}
  [[nodiscard]] Text get_pattern() const;
  // The subject of the last execute with every match replaced ($1.. refer to groups).
  [[nodiscard]] Text replace(const Text& replacement) const;
  [[nodiscard]] int match_count() const;
  // Text of match `match_index` (1-based); empty when there is none. When
  // `position` is given it receives the 0-based byte offset of the match in the
  // subject, or -2 when it cannot be found.
  [[nodiscard]] Text match_text(int match_index, int* position = nullptr) const;
  [[nodiscard]] Text submatch_text(int match_index, int submatch_index,
                                   int* position = nullptr) const;
  // Number of groups of the first match; 0 without a match.
  [[nodiscard]] int submatch_count() const;

 private:
  struct Engine;
  struct MatchList;
  std::shared_ptr<const Engine> engine_;
  std::shared_ptr<const MatchList> matches_;
  std::u16string subject_;
  bool in_apartment_ = false;
};

}  // namespace velkoran
