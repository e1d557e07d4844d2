#pragma once

// `zuvo convert csv-to-jef|jef-to-csv CSV|JEF OUTPUT --fds …`: a CSV file to a JEF sequential
// file and back, without a database, with a progress bar. argv as main received it.
int runConvert(int argc, char** argv);
