#include "cli/PasswordPrompt.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace mailshift::cli {

std::optional<std::string> AskPassword(const std::string& prompt) {
#ifdef _WIN32
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return std::nullopt;
  std::cerr << prompt << std::flush;
  SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  SetConsoleMode(input, mode);
#else
  if (!isatty(STDIN_FILENO)) return std::nullopt;
  termios before{};
  if (tcgetattr(STDIN_FILENO, &before) != 0) return std::nullopt;
  std::cerr << prompt << std::flush;
  termios quiet = before;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
#endif
  std::cerr << '\n';
  if (!read) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace mailshift::cli
