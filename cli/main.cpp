#include <iostream>

#include "Batch.h"
#include "Program.h"

int main(int argc, char** argv) {
  if (argc > 1 && zuvo::cli::isBatchCommand(argv[1])) return runBatch(argc, argv);
  return zuvo::cli::runProgram(argc, argv, std::cout, std::cerr);
}
