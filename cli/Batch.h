#pragma once

// The batch jobs `zuvo export|import|convert …`: argv as main received it (argv[1] is the
// command). Returns the exit status.
int runBatch(int argc, char** argv);
