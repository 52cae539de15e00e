#include "core/text.h"

#include <cstring>

namespace velkoran {
namespace {

// A Text stops before the first NUL byte, whatever it is built from.
std::string_view up_to_nul(std::string_view bytes) {
  const auto nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

}  // namespace

Text::Text(const char* bytes) : data_(bytes == nullptr ? "" : bytes) {}

Text::Text(std::string_view bytes) : data_(up_to_nul(bytes)) {}

Text::Text(const std::string& bytes) : data_(up_to_nul(bytes)) {}

Text::Text(std::string&& bytes) : data_(std::move(bytes)) {
  const auto nul = data_.find('\0');
  if (nul != std::string::npos) data_.resize(nul);
}

}  // namespace velkoran
