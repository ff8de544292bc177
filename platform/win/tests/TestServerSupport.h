// What the binding's tests need around the test Notes server: its registration, class-name
// aliases, fixture files and fault switches.
#pragma once

#include <windows.h>

#include <string>

namespace mailshift::platform::win::testing {

// The folder of this executable, without a closing separator.
std::wstring ExecutableFolder();

// Registers the server beside this executable for the current user, and removes it again.
bool RegisterTestServer();
void UnregisterTestServer();

// Makes a class name (such as "Notes.NotesSession") name one of the test classes for as long as
// it lives. When the name is registered already (a real Notes client), it is left untouched and
// the alias is inactive, so that tests can skip.
class ProgIdAlias {
 public:
  ProgIdAlias(const wchar_t* progId, const GUID& classId);
  ~ProgIdAlias();
  ProgIdAlias(const ProgIdAlias&) = delete;
  ProgIdAlias& operator=(const ProgIdAlias&) = delete;
  bool active() const { return active_; }

 private:
  std::wstring progId_;
  bool active_ = false;
};

// Whether a class name resolves to a class at all.
bool IsRegistered(const wchar_t* progId);

// A fixture written to a new file in the temporary folder, removed at the end.
class FixtureFile {
 public:
  explicit FixtureFile(const std::string& json);
  ~FixtureFile();
  FixtureFile(const FixtureFile&) = delete;
  FixtureFile& operator=(const FixtureFile&) = delete;
  const std::string& path() const { return path_; }  // UTF-8

 private:
  std::string path_;
};

// A folder for files the tests write, removed with its contents at the end.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::wstring& path() const { return path_; }  // ends without a separator

 private:
  std::wstring path_;
};

// Sets MAILSHIFT_TEST_NOTES_FAULT for as long as it lives.
class ServerFaultSwitch {
 public:
  explicit ServerFaultSwitch(const wchar_t* fault);
  ~ServerFaultSwitch();
  ServerFaultSwitch(const ServerFaultSwitch&) = delete;
  ServerFaultSwitch& operator=(const ServerFaultSwitch&) = delete;
};

}  // namespace mailshift::platform::win::testing
