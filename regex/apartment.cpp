#include "regex/apartment.h"

namespace velkoran {
namespace {

thread_local int entries = 0;

}  // namespace

void enter_apartment() { ++entries; }

void leave_apartment() {
  if (entries > 0) --entries;
}

int apartment_depth() { return entries; }

}  // namespace velkoran
