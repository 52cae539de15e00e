// TextArray access with its one fatal error.
#include <cstdio>
#include <cstdlib>

#include "core/bytes_ops.h"

namespace velkoran {

int array_count(const TextArray& array) { return static_cast<int>(array.items().size()); }

const Text& array_at(const TextArray& array, int index) {
  const int count = array_count(array);
  if (index < 1 || index > count) array_bounds_error(index, count);
  return array.items()[static_cast<std::size_t>(index) - 1];
}

void array_append(TextArray& array, const Text& text) { array.items().push_back(text); }

void array_clear(TextArray& array) { array.items().clear(); }

void array_bounds_error(int index, int count) {
  if (index < 1) {
    std::fprintf(stderr, "array_bounds_error: index %d is below 1 (the array has %d elements)\n",
                 index, count);
  } else {
    std::fprintf(stderr, "array_bounds_error: index %d is beyond the count %d\n", index, count);
  }
  std::fflush(stderr);
  std::abort();
}

}  // namespace velkoran
