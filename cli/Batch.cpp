#include "Batch.h"

#include <cstdio>

int runBatch(int, char**) {
  std::fputs("zuvo: export/import/convert are not available yet\n", stderr);
  return 2;
}
