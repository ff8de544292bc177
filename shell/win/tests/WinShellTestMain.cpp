// The test runner of the Windows windows: the common controls, COM on the main thread and the
// test Notes server registered around the whole run.
#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <gtest/gtest.h>

#include "platform/win/tests/RunWithTestServer.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                     ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  return mailshift::platform::win::testing::RunAllTestsWithTestServer();
}
