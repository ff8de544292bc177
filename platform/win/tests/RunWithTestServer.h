// The body of a Windows test runner: COM on the main thread and the test Notes server registered
// around the whole run.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <exception>

#include "platform/win/ComApartment.h"
#include "platform/win/tests/TestServerSupport.h"

namespace mailshift::platform::win::testing {

// Runs every test once ::testing::InitGoogleTest has read the arguments; the exit status.
inline int RunAllTestsWithTestServer() {
  try {
    const ComApartment com;
    if (!RegisterTestServer()) {
      std::fprintf(stderr, "The test Notes server could not be registered.\n");
      return 1;
    }
    const int result = RUN_ALL_TESTS();
    UnregisterTestServer();
    return result;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}

}  // namespace mailshift::platform::win::testing
