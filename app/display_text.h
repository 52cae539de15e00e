// What a control shows of a text: long texts are cut for display only.
//
// The workflow keeps every value whole; a label or the message box shows a
// bounded prefix, so a huge value (a hostile page of megabytes) cannot stall
// the window thread when it is set or repainted. Counting steps by GBK
// characters: a byte >= 0x80 begins a two-byte character, and a cut never
// splits one.
//
//   display_text(Control::标签2, Text(std::string(300, 'x')));
//   // the first 256 'x', then app_texts().ellipsis ("\xA1\xAD")
#pragma once

#include <cstddef>

#include "core/text.h"
#include "workflow/window_port.h"

namespace velkoran {

// Characters a label (and a button) shows before the text is cut.
inline constexpr std::size_t kLabelDisplayCharacters = 256;
// Characters the message box 编辑框1 shows before the text is cut: far above
// any message of the workflow's own, yet quick to wrap as one unbroken line.
inline constexpr std::size_t kMessageBoxDisplayCharacters = 16 * 1024;

// The first `max_characters` GBK characters of `text`, followed by
// `ellipsis` when anything was cut; `text` itself when it fits. A lead byte
// at the very end, with no byte after it, counts as one character.
//
//   cut_for_display("ab\xB3\xF5" "c", 3, "~");  // "ab\xB3\xF5~"
//   cut_for_display("abc", 3, "~");             // "abc" (exactly at the cap)
[[nodiscard]] Text cut_for_display(const Text& text, std::size_t max_characters,
                                   const Text& ellipsis);

// What `control` shows of `text`: cut at the control's cap, followed by
// app_texts().ellipsis when cut.
[[nodiscard]] Text display_text(Control control, const Text& text);

}  // namespace velkoran
