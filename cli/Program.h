#pragma once

#include <ostream>

namespace zuvo::cli {

// `zuvo --help`, `zuvo --version`, `zuvo methods` and `zuvo call …`. Returns the exit status:
// 0 done, 1 a run-time error (reported as JSON on `out`), 2 a usage error (reported on `err`).
int runProgram(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// True for the batch commands, which main hands to runBatch.
bool isBatchCommand(const char* command);

}  // namespace zuvo::cli
