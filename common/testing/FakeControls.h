// The headless controls under the names the tests use for them.
#pragma once

#include "common/testing/HeadlessControls.h"

namespace mailshift::testing {

using FakeControl = HeadlessControl;
using FakeTreeNode = HeadlessTreeNode;
using FakeTree = HeadlessTree;
using FakeReportList = HeadlessReportList;
using FakeTabs = HeadlessTabs;
using FakeToolBar = HeadlessToolBar;
using FakeMessageBoxes = RecordingMessageBoxes;
using FakeWaiter = HeadlessWaiter;

}  // namespace mailshift::testing
