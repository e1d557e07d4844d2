#pragma once

#include <random>
#include <vector>

#include "runtime/String.h"

namespace zuvo::testing {

// Up to `most` pieces drawn at random and joined: texts made of exactly the marks a rule
// looks for reach its odd corners far more often than random characters would.
inline String randomText(std::mt19937& random, const std::vector<String>& pieces, int most) {
  String text;
  const int count = std::uniform_int_distribution<int>(0, most)(random);
  for (int i = 0; i < count; ++i)
    text += pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
  return text;
}

}  // namespace zuvo::testing
