// The test runner of the Windows windows: the common controls, COM on the main thread and the
// test Notes server registered around the whole run.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <exception>

#include "platform/win/ComApartment.h"
#include "platform/win/tests/TestServerSupport.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                     ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
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
