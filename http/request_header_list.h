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

// Whether every non-empty line of `block` (lines separated by CR LF) is
// "name: value" with a token name, and no line holds a lone CR or LF. Only such
// a block goes on the wire as the lines it seems to hold: a lone line break
// would start a header line of its own, whatever the service underneath does
// with it. Checked by http_request for every service, and by add_block.
//   is_sendable_header_block("A: 1\r\nB: 2\r\n")   // true
//   is_sendable_header_block("A: 1\nInjected: 2")   // false
[[nodiscard]] bool is_sendable_header_block(std::string_view block);

class RequestHeaderList {
 public:
  // Adds every non-empty line of `block` (lines separated by CR LF). A line
  // replaces an earlier header whose name matches without regard to ASCII
  // case, keeping that header's place; a line with an empty value removes such
  // a header instead. Fails, changing nothing, when the block is not
  // sendable (is_sendable_header_block).
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
