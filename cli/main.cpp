#include <iostream>
#include <string_view>

#include "Batch.h"
#include "Program.h"
#include "Session.h"

int main(int argc, char** argv) {
  if (argc > 1 && zuvo::cli::isBatchCommand(argv[1])) return runBatch(argc, argv);
  if (argc > 1 && std::string_view(argv[1]) == "session") return runSession(argc, argv);
  return zuvo::cli::runProgram(argc, argv, std::cout, std::cerr);
}
