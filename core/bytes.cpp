// Bytes operations and the conversions between Text and Bytes.
#include <cstdint>

#include "core/bytes_ops.h"

namespace velkoran {

Bytes text_to_bytes(const Text& text) { return Bytes(text.view()); }

Text bytes_to_text(const Bytes& bytes) { return Text(bytes.view()); }

int bytes_length(const Bytes& bytes) { return static_cast<int>(bytes.size()); }

Bytes bytes_left(const Bytes& bytes, int count) {
  if (count <= 0) return {};
  return Bytes(bytes.view().substr(0, static_cast<std::size_t>(count)));
}

Bytes bytes_mid(const Bytes& bytes, int start, int count) {
  const std::size_t first = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (first >= bytes.size() || count <= 0) return {};
  return Bytes(bytes.view().substr(first, static_cast<std::size_t>(count)));
}

Bytes blank_bytes(int count) {
  if (count <= 0) return {};
  return Bytes(std::string(static_cast<std::size_t>(count), '\0'));
}

Bytes bytes_from_memory(const void* address, int length) {
  if (length <= 0 || address == nullptr) return {};
  return Bytes(
      std::string_view(static_cast<const char*>(address), static_cast<std::size_t>(length)));
}

}  // namespace velkoran
