// The header lines a request carries, added one by one with replace-on-same-name.
//
//   RequestHeaderList list;
//   list.add_block("Accept: a\r\nX-Id: 1\r\n");
//   list.add_block("accept: b");        // replaces "Accept: a" in its place
//   list.lines();                        // {"accept: b", "X-Id: 1"}
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkoran {

class RequestHeaderList {
 public:
  // Adds every non-empty line of `block` (lines separated by CR LF). A line
  // replaces an earlier header whose name matches without regard to ASCII
  // case, keeping that header's place; a line with an empty value removes such
  // a header instead. Fails, changing nothing, when a line is not
  // "name: value" with a token name or holds a lone CR or LF.
  [[nodiscard]] bool add_block(std::string_view block);

  // Whether a header of this name (ASCII case ignored) is present.
  [[nodiscard]] bool has(std::string_view name) const;

  const std::vector<std::string>& lines() const { return lines_; }

  // The name of a header line: the bytes before its colon.
  [[nodiscard]] static std::string_view name_of(std::string_view line);
  // Whether the value after the colon holds anything but blanks and tabs.
  [[nodiscard]] static bool has_value(std::string_view line);

 private:
  std::vector<std::string> lines_;
};

}  // namespace velkoran
