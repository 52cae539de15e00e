#include "app/display_text.h"

#include "app/app_texts.h"
#include "core/gbk_scan.h"

namespace velkoran {

Text cut_for_display(const Text& text, std::size_t max_characters, const Text& ellipsis) {
  const std::string_view bytes = text.view();
  std::size_t end = 0;  // bytes of the first `characters` characters
  for (std::size_t characters = 0; characters < max_characters && end < bytes.size();
       ++characters) {
    const bool two_bytes = detail::is_lead_byte(bytes[end]) && end + 1 < bytes.size();
    end += two_bytes ? 2 : 1;
  }
  if (end == bytes.size()) return text;
  std::string shown(bytes.substr(0, end));
  shown += ellipsis.view();
  return Text(std::move(shown));
}

Text display_text(Control control, const Text& text) {
  const std::size_t cap =
      control == Control::编辑框1 ? kMessageBoxDisplayCharacters : kLabelDisplayCharacters;
  return cut_for_display(text, cap, app_texts().ellipsis);
}

}  // namespace velkoran
