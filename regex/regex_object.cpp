#include "regex/regex_object.h"

#include <climits>
#include <memory>
#include <mutex>
#include <vector>

#include "core/codepage.h"
#include "core/text_ops.h"
#include "regex/apartment.h"
#include "regex/pcre_engine.h"
#include "regex/regex_texts.h"

namespace velkoran {

// The compiled pattern of one execute() together with the options it ran with.
// A pattern that did not compile is still kept: get_pattern() reads it back.
struct RegexObject::Engine {
  std::u16string pattern;
  bool ignore_case = true;
  bool global = true;
  std::shared_ptr<const CompiledPattern> compiled;
};

// What one run found: the spans over the subject they were found in. The list
// keeps that subject, so a copy() of the object keeps its answers whatever
// happens to the original's subject.
struct RegexObject::MatchList {
  std::u16string subject;
  std::vector<MatchSpan> spans;

  [[nodiscard]] const MatchSpan* find(int match_index) const {
    if (match_index < 1 || static_cast<std::size_t>(match_index) > spans.size()) return nullptr;
    return &spans[static_cast<std::size_t>(match_index) - 1];
  }
  [[nodiscard]] std::u16string_view part(std::size_t start, std::size_t end) const {
    return std::u16string_view(subject).substr(start, end - start);
  }
};

namespace {

int clamp_to_int(std::size_t value) {
  return value > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// The 0-based byte offset of `value` in `subject`, searching from the 1-based byte
// position `first_index` (a character index used as a byte position: it lies at
// or before the match, as each character takes one or two bytes); -2 when the
// search fails.
int byte_position(std::u16string_view subject, std::u16string_view value, std::size_t first_index,
                  bool ignore_case) {
  const int found =
      find_text(u16_to_gbk(subject), u16_to_gbk(value), clamp_to_int(first_index), ignore_case);
  return found < 0 ? -2 : found - 1;
}

}  // namespace

namespace {

// Compiling is the dearest part of a run over a short subject, and the program
// runs the same few patterns again and again (every HTTP exchange looks for a
// charset declaration). The process keeps its latest compiled patterns; a
// compiled pattern never changes, so runs on any thread may share one. The
// lock guards the list only: compiling and matching happen outside it.
//
// The list is one for the process, not one per thread: a thread_local object
// with a destructor is unsafe where thread-local storage is emulated (MinGW-w64
// frees a thread's storage at thread exit before running such destructors,
// which then free what they find in freed memory). It is never destroyed, so a
// worker still running while the process ends finds it intact.
std::shared_ptr<const CompiledPattern> recently_compiled(const std::u16string& pattern,
                                                         PatternOptions options) {
  struct Entry {
    std::u16string pattern;
    PatternOptions options;
    std::shared_ptr<const CompiledPattern> compiled;
  };
  struct Recent {
    std::mutex lock;
    std::vector<Entry> entries;

    // The entry for `pattern` and `options`, or null; called with `lock` held.
    [[nodiscard]] std::shared_ptr<const CompiledPattern> find(const std::u16string& pattern,
                                                              PatternOptions options) const {
      for (const Entry& entry : entries) {
        if (entry.pattern == pattern && entry.options.ignore_case == options.ignore_case &&
            entry.options.multiline == options.multiline) {
          return entry.compiled;
        }
      }
      return nullptr;
    }
  };
  constexpr std::size_t kKept = 8;
  static Recent& recent = *new Recent;

  {
    const std::lock_guard<std::mutex> hold(recent.lock);
    if (auto found = recent.find(pattern, options)) return found;
  }
  auto compiled = std::make_shared<const CompiledPattern>(compile_pattern(pattern, options));
  const std::lock_guard<std::mutex> hold(recent.lock);
  // Another thread may have compiled the same pattern meanwhile: keep one.
  if (auto found = recent.find(pattern, options)) return found;
  if (recent.entries.size() == kKept) recent.entries.erase(recent.entries.begin());
  recent.entries.push_back({pattern, options, compiled});
  return compiled;
}

}  // namespace

RegexObject::RegexObject() : in_apartment_(true) { enter_apartment(); }

RegexObject::~RegexObject() { destroy(); }

RegexObject::RegexObject(RegexObject&& other) noexcept
    : engine_(std::move(other.engine_)),
      matches_(std::move(other.matches_)),
      subject_(std::move(other.subject_)),
      in_apartment_(other.in_apartment_) {
  other.subject_.clear();
  other.in_apartment_ = false;
}

RegexObject& RegexObject::operator=(RegexObject&& other) noexcept {
  if (this != &other) {
    destroy();
    engine_ = std::move(other.engine_);
    matches_ = std::move(other.matches_);
    subject_ = std::move(other.subject_);
    in_apartment_ = other.in_apartment_;
    other.subject_.clear();
    other.in_apartment_ = false;
  }
  return *this;
}

void RegexObject::destroy() {
  engine_.reset();
  matches_.reset();
  subject_.clear();
  subject_.shrink_to_fit();
  if (in_apartment_) {
    in_apartment_ = false;
    leave_apartment();
  }
}

RegexObject RegexObject::copy() const {
  RegexObject twin;
  twin.engine_ = engine_;
  twin.matches_ = matches_;
  twin.subject_ = subject_;
  return twin;
}

bool RegexObject::execute(const Text& pattern, const Text& subject, bool case_sensitive,
                          bool multiline, bool global, bool quote_escape) {
  engine_.reset();
  matches_.reset();

  const Text effective =
      quote_escape ? replace_subtext(pattern, quote_marker(), Text("\""), true) : pattern;
  auto engine = std::make_shared<Engine>();
  engine->pattern = gbk_to_u16(effective.view());
  engine->ignore_case = !case_sensitive;
  engine->global = global;
  engine->compiled =
      recently_compiled(engine->pattern, {.ignore_case = !case_sensitive, .multiline = multiline});
  engine_ = engine;
  subject_ = gbk_to_u16(subject.view());

  MatchRun run = find_matches(*engine->compiled, subject_, global);
  if (!run.completed) return false;

  auto list = std::make_shared<MatchList>();
  list->subject = subject_;
  list->spans = std::move(run.spans);
  matches_ = std::move(list);
  return true;
}

Text RegexObject::get_pattern() const {
  if (!engine_) return Text();
  return u16_to_gbk(engine_->pattern);
}

Text RegexObject::replace(const Text& replacement) const {
  if (!engine_) return Text();
  const MatchRun run = find_matches(*engine_->compiled, subject_, engine_->global);
  if (!run.completed) return Text();
  return u16_to_gbk(replace_spans(subject_, run.spans, gbk_to_u16(replacement.view())));
}

int RegexObject::match_count() const { return matches_ ? clamp_to_int(matches_->spans.size()) : 0; }

Text RegexObject::match_text(int match_index, int* position) const {
  const MatchSpan* match = matches_ ? matches_->find(match_index) : nullptr;
  if (match == nullptr) {
    if (position != nullptr) *position = -2;
    return Text();
  }
  const std::u16string_view value = matches_->part(match->start, match->end);
  if (position != nullptr) {
    const bool ignore_case = engine_ && engine_->ignore_case;
    *position = byte_position(subject_, value, match->start, ignore_case);
  }
  return u16_to_gbk(value);
}

Text RegexObject::submatch_text(int match_index, int submatch_index, int* position) const {
  const MatchSpan* match = matches_ ? matches_->find(match_index) : nullptr;
  if (match == nullptr || submatch_index < 1 ||
      static_cast<std::size_t>(submatch_index) > match->groups.size() ||
      match->groups[static_cast<std::size_t>(submatch_index) - 1].start == MatchSpan::unset) {
    // No such match or group, or a group that took no part: it has no place.
    if (position != nullptr) *position = -2;
    return Text();
  }
  const MatchSpan::Group& group = match->groups[static_cast<std::size_t>(submatch_index) - 1];
  const std::u16string_view value = matches_->part(group.start, group.end);
  if (position != nullptr) {
    const bool ignore_case = engine_ && engine_->ignore_case;
    *position = byte_position(subject_, value, match->start, ignore_case);
  }
  return u16_to_gbk(value);
}

int RegexObject::submatch_count() const {
  if (!matches_ || matches_->spans.empty()) return 0;
  return clamp_to_int(matches_->spans.front().groups.size());
}

}  // namespace velkoran
