// The test runner of the Windows binding: COM on the main thread and the test Notes server
// registered around the whole run.
#include <gtest/gtest.h>

#include "platform/win/tests/RunWithTestServer.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return mailshift::platform::win::testing::RunAllTestsWithTestServer();
}
