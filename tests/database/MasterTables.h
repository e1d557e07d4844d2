#pragma once

// Tables of the staff master, the sequence table and the masters, made from data/tables.sql.
#include <zuvo/zuvo.h>

#include <fstream>
#include <sstream>
#include <string>

namespace zuvo::test {

inline void createMasterTables(Connection& cn) {
  std::ifstream in(std::string(ZUVO_SOURCE_DIR) + "/data/tables.sql");
  std::stringstream text;
  text << in.rdbuf();
  std::string statement;
  std::istringstream lines(text.str());
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("--", 0) == 0) continue;
    statement += line + "\n";
    if (line.find(';') != std::string::npos) {
      cn.Execute(rt::fromUtf8(statement.substr(0, statement.find(';'))));
      statement.clear();
    }
  }
}

}  // namespace zuvo::test
