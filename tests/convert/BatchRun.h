#pragma once

// Runs a batch command of the zuvo program in-process and captures what it says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Batch.h"

namespace zuvo::test {

struct BatchOutcome {
  int status;
  std::string err;
};

inline BatchOutcome runBatchCommand(std::vector<std::string> args) {
  args.insert(args.begin(), "zuvo");
  std::vector<char*> argv;
  argv.reserve(args.size());
  for (auto& a : args) argv.push_back(a.data());
  testing::internal::CaptureStderr();
  int status = runBatch(static_cast<int>(argv.size()), argv.data());
  return {status, testing::internal::GetCapturedStderr()};
}

}  // namespace zuvo::test
