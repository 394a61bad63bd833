// Linked into every test program: a test that ends the whole process where it did not expect
// to (outside a death test) must fail, not pass with the exit code the system chose.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/backend.h"

namespace {

const bool installed = [] {
  platform::AddExitHandler([](int code) {
    if (testing::internal::InDeathTestChild()) return;
    std::fprintf(stderr, "test ended the program unexpectedly (exit code %d)\n", code);
    std::fflush(stderr);
    std::_Exit(99);
  });
  return true;
}();

}  // namespace
