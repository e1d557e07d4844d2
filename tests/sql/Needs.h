#pragma once

#include <gtest/gtest.h>

#include "runtime/RuntimeError.h"

// Skips a test while a method it leans on still answers "not implemented".
#define ZUVO_NEEDS_METHOD(call)                                              \
  try {                                                                      \
    (void)(call);                                                            \
  } catch (const ::zuvo::RuntimeError& e) {                                  \
    if (e.number() == ::zuvo::err::NotImplemented) GTEST_SKIP() << e.what(); \
  }
