#include <gtest/gtest.h>

#include "shell/presenters/StartArguments.h"

namespace mailshift::shell {
namespace {

using Action = StartRequest::Action;

TEST(StartArgumentsTest, AFileOpensTheWindowsWithItChosen) {
  EXPECT_EQ(ReadStartArguments({}).action, Action::OpenWindows);
  EXPECT_EQ(ReadStartArguments({}).databaseFile, "");
  const StartRequest request = ReadStartArguments({"/home/ann/Mail - Ann Lee.NSF"});
  EXPECT_EQ(request.action, Action::OpenWindows);
  EXPECT_EQ(request.databaseFile, "/home/ann/Mail - Ann Lee.NSF");
}

// Help and the version win over anything else on the line, so that they always answer.
TEST(StartArgumentsTest, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(ReadStartArguments({"--help"}).action, Action::ShowUsage);
  EXPECT_EQ(ReadStartArguments({"-h"}).action, Action::ShowUsage);
  EXPECT_EQ(ReadStartArguments({"--bogus", "a.txt", "--version", "--help"}).action, Action::ShowUsage);
  EXPECT_EQ(ReadStartArguments({"--version"}).action, Action::ShowVersion);
  EXPECT_EQ(ReadStartArguments({"x.nsf", "y.nsf", "--version"}).action, Action::ShowVersion);
  EXPECT_NE(StartUsageText().find("Usage: mailshift [FILE.nsf]\n"), std::string::npos);
}

TEST(StartArgumentsTest, WhatCannotBeOpenedIsRefusedWithTheReason) {
  const StartRequest option = ReadStartArguments({"--scan"});
  EXPECT_EQ(option.action, Action::Refuse);
  EXPECT_EQ(option.problem, "unknown option --scan");
  const StartRequest two = ReadStartArguments({"a.nsf", "b.nsf"});
  EXPECT_EQ(two.action, Action::Refuse);
  EXPECT_EQ(two.problem, "one database at a time: a.nsf, b.nsf");
  const StartRequest other = ReadStartArguments({"notes.txt"});
  EXPECT_EQ(other.action, Action::Refuse);
  EXPECT_EQ(other.problem, "notes.txt is not a Notes database file (.nsf)");
}

}  // namespace
}  // namespace mailshift::shell
