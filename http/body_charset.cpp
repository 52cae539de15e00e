#include "http/body_charset.h"

#include "core/bytes_ops.h"
#include "core/codepage.h"
#include "core/events.h"
#include "core/text_ops.h"

namespace velkoran {

std::optional<Text> declared_charset(RegexObject& regex, const Text& body_text) {
  // Only the head of the page is searched; a two-byte character may be cut.
  if (!regex.execute("<meta.+?charset=[^\\w]?([-\\w]+)", text_left(body_text, 1024))) {
    return std::nullopt;
  }
  return regex.submatch_text(1, 1);
}

Text decode_body(RegexObject& regex, const Bytes& body) {
  Text result = bytes_to_text(body);
  const std::optional<Text> charset = declared_charset(regex, result);
  if (!charset) return result;
  if (!charset->empty() && !text_equals(*charset, "gbk") && !text_equals(*charset, "gb2312")) {
    if (std::optional<Text> decoded = decode_to_gbk(body.view(), charset->view())) {
      result = std::move(*decoded);
    }
  }
  process_pending_events();
  return result;
}

}  // namespace velkoran
