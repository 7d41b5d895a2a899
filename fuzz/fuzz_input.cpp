#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>

namespace qzfuzz {

void fail(const char *what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

} // namespace qzfuzz
