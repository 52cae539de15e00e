#include "http/request_headers.h"

#include "core/text_ops.h"

namespace velkoran {
namespace {

constexpr int kMethodPost = 1;

// Appends `line` when `name` (with its colon and blank) occurs nowhere in the
// block, letter case ignored.
void add_default(Text& block, const Text& name, const Text& line) {
  if (find_text(block, name, std::nullopt, true) == -1) block = text_concat(block, line);
}

}  // namespace

Text build_request_headers(const Text& headers, int method, const Text& cookies) {
  Text block;
  if (!headers.empty()) block = text_concat(headers, "\r\n");
  add_default(block, "User-Agent: ",
              "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
              "Trident/5.0)\r\n");
  add_default(block, "Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n");
  add_default(block, "Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n");
  add_default(block, "Accept-Language: ", "Accept-Language: zh-cn\r\n");
  if (method == kMethodPost) {
    // Only the all-lower-case spelling is mended; "Content-type" matches neither search.
    if (find_text(block, "content-type:") != -1) {
      block = replace_subtext(block, "content-type", "Content-Type", true);
    }
    if (find_text(block, "Content-Type:") == -1) {
      block = text_concat(block, "Content-Type: application/x-www-form-urlencoded\r\n");
    }
  }
  add_default(block, "Cache-Control: ", "Cache-Control: no-cache\r\n");
  if (find_text(block, "Cookie: ", std::nullopt, true) == -1 && !cookies.empty()) {
    block = text_concat(block, "Cookie: ", cookies, "\r\n");
  }
  return block;
}

}  // namespace velkoran
