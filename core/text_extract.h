// Cutting values out of a page by markers. A marker that is not found gives the
// empty Text; searches step by characters as find_text does.
#pragma once

#include <optional>

#include "core/text.h"

namespace velkoran {

// The part in front of the first `delimiter` found from `start_position` on; it
// always begins at the first byte.   text_left_of("a:b:c", ":") == "a"
[[nodiscard]] Text text_left_of(const Text& text, const Text& delimiter,
                                std::optional<int> start_position = std::nullopt,
                                bool ignore_case = false);

// The part between the first `start_marker` and the first `end_marker` after it.
// "#引号" (in GBK) inside a marker stands for a double quote.
//   text_between("x\"b\"", "\"", "\"") == "b"
[[nodiscard]] Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                                std::optional<int> start_position = std::nullopt,
                                bool ignore_case = false);

// The part behind the last `marker` lying wholly before `start_position`
// (omitted: the whole text).   text_right_of_last("a/b/c", "/") == "c"
[[nodiscard]] Text text_right_of_last(const Text& text, const Text& marker,
                                      std::optional<int> start_position = std::nullopt,
                                      bool ignore_case = false);

}  // namespace velkoran
