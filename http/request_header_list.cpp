#include "http/request_header_list.h"

#include <algorithm>
#include <array>

#include "http/url_parts.h"

namespace velkoran {
namespace {

// RFC 9110 token characters, as a table indexed by byte.
constexpr std::array<bool, 256> kTokenChars = [] {
  std::array<bool, 256> table{};
  for (int c = '0'; c <= '9'; ++c) table[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = table[c + 32] = true;
  for (const char c : std::string_view("!#$%&'*+-.^_`|~"))
    table[static_cast<unsigned char>(c)] = true;
  return table;
}();

bool is_token_char(char c) { return kTokenChars[static_cast<unsigned char>(c)]; }

bool is_valid_line(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  if (!std::all_of(line.begin(), line.begin() + colon, is_token_char)) return false;
  // A lone CR or LF would start a line of its own on the wire.
  return line.find('\r') == std::string_view::npos && line.find('\n') == std::string_view::npos;
}

std::vector<std::string_view> split_lines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos <= block.size()) {
    std::size_t end = block.find("\r\n", pos);
    if (end == std::string_view::npos) end = block.size();
    if (end > pos) lines.push_back(block.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

}  // namespace

bool is_sendable_header_block(std::string_view block) {
  const std::vector<std::string_view> lines = split_lines(block);
  return std::all_of(lines.begin(), lines.end(), is_valid_line);
}

std::string_view RequestHeaderList::name_of(std::string_view line) {
  return line.substr(0, line.find(':'));
}

bool RequestHeaderList::has_value(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  return line.find_first_not_of(" \t", colon + 1) != std::string_view::npos;
}

bool RequestHeaderList::has(std::string_view name) const {
  return std::any_of(lines_.begin(), lines_.end(), [&](const std::string& line) {
    return equals_ignoring_ascii_case(name_of(line), name);
  });
}

bool RequestHeaderList::add_block(std::string_view block) {
  if (!is_sendable_header_block(block)) return false;
  for (const std::string_view line : split_lines(block)) {
    const std::string_view name = name_of(line);
    const auto same_name = std::find_if(lines_.begin(), lines_.end(), [&](const std::string& old) {
      return equals_ignoring_ascii_case(name_of(old), name);
    });
    if (same_name == lines_.end()) {
      lines_.emplace_back(line);
    } else if (has_value(line)) {
      *same_name = line;
    } else {
      lines_.erase(same_name);
    }
  }
  return true;
}

}  // namespace velkoran
