// The tests' main: either a child scenario (see child_process.h) or the
// GoogleTest run.
#include <gtest/gtest.h>

#include "child_process.h"

int main(int argc, char **argv) {
  int exitCode = 0;
  if (qztest::runChildScenarioFromArguments(argc, argv, &exitCode))
    return exitCode;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
