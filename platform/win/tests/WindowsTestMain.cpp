// The test runner of the Windows binding: COM on the main thread and the test Notes server
// registered around the whole run.
#include <gtest/gtest.h>

#include <cstdio>
#include <exception>

#include "platform/win/ComApartment.h"
#include "platform/win/tests/TestServerSupport.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  try {
    const mailshift::platform::win::ComApartment com;
    if (!mailshift::platform::win::testing::RegisterTestServer()) {
      std::fprintf(stderr, "The test Notes server could not be registered.\n");
      return 1;
    }
    const int result = RUN_ALL_TESTS();
    mailshift::platform::win::testing::UnregisterTestServer();
    return result;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
