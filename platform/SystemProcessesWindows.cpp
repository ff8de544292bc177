// Child processes on Windows: CreateProcessW in a job object, so that a timeout ends the export
// and everything it started; a process group of its own, so that Ctrl+Break asks it alone to stop.
#include <windows.h>

#include <string>

#include "platform/SystemProcesses.h"

namespace mailshift::platform {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

// One argument as CommandLineToArgvW reads it back: quoted when needed, backslashes before a
// quote doubled.
void AppendArgument(std::wstring& line, const std::wstring& argument) {
  if (!line.empty()) line += L' ';
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      line.append(backslashes * 2 + 1, L'\\');
    } else {
      line.append(backslashes, L'\\');
    }
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = text ? text : L"";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(error) : Utf8(message);
}

class WindowsChild : public batch::ChildProcess {
 public:
  WindowsChild(HANDLE process, DWORD id, HANDLE job) : process_(process), id_(id), job_(job) {}
  ~WindowsChild() override {
    if (!ended_) {
      Kill();
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    if (job_) CloseHandle(job_);
  }
  WindowsChild(const WindowsChild&) = delete;
  WindowsChild& operator=(const WindowsChild&) = delete;

  std::optional<batch::ProcessEnd> Poll() override {
    if (ended_) return end_;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 1;
    GetExitCodeProcess(process_, &code);
    ended_ = true;
    // Exception codes (0xC0000005 and the like) are ends the program did not choose.
    const bool crashed = code >= 0xC0000000u;
    char hex[16];
    wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(code));
    end_ = {static_cast<int>(code), crashed,
            crashed ? std::string("exception ") + hex : "exit code " + std::to_string(code)};
    return end_;
  }

  void AskToStop() override {
    if (!ended_) GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, id_);
  }

  void Kill() override {
    if (ended_) return;
    if (!job_ || !TerminateJobObject(job_, 1)) TerminateProcess(process_, 1);
  }

 private:
  HANDLE process_;
  DWORD id_;
  HANDLE job_;
  bool ended_ = false;
  batch::ProcessEnd end_;
};

}  // namespace

std::unique_ptr<batch::ChildProcess> SystemProcesses::Start(const std::vector<std::string>& arguments,
                                                            const std::string& outputPath,
                                                            std::string& problem) {
  if (arguments.empty()) {
    problem = "no program";
    return nullptr;
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output = CreateFileW(Wide(outputPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) {
    problem = outputPath + ": " + SystemMessage(GetLastError());
    return nullptr;
  }
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::wstring line;
  for (const std::string& argument : arguments) AppendArgument(line, Wide(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input == INVALID_HANDLE_VALUE ? nullptr : input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION started{};
  const std::wstring program = Wide(arguments.front());
  const BOOL made = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                   CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT,
                                   nullptr, nullptr, &startup, &started);
  const DWORD error = GetLastError();
  CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!made) {
    problem = arguments.front() + ": " + SystemMessage(error);
    return nullptr;
  }
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job && !AssignProcessToJobObject(job, started.hProcess)) {
    CloseHandle(job);
    job = nullptr;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  return std::make_unique<WindowsChild>(started.hProcess, started.dwProcessId, job);
}

std::string ThisProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return Utf8(path);
    }
    if (path.size() > 32768) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace mailshift::platform
