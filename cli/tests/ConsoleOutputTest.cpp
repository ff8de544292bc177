// The command line's output routine: UTF-8 text reaches a console as the right UTF-16 and a file
// or pipe as the same bytes, and the progress line uses only what the console understands.
#include <gtest/gtest.h>

#include "cli/ConsoleOutput.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <memory>
#include <string>

namespace mailshift::cli {
namespace {

// Records what reaches it, as a console or as a file would take it.
class RecordingSink final : public ConsoleSink {
 public:
  RecordingSink(bool console, bool erases) : console_(console), erases_(erases) {}
  bool TakesWideText() const override { return console_; }
  bool IsTerminal() const override { return console_; }
  bool ErasesToLineEnd() const override { return erases_; }
  void WriteWide(std::u16string_view text) override {
    wide.append(text);
    ++wideWrites;
  }
  void WriteBytes(std::string_view text) override { bytes.append(text); }

  std::u16string wide;
  int wideWrites = 0;
  std::string bytes;

 private:
  bool console_;
  bool erases_;
};

TEST(ConsoleOutput, AConsoleGetsTheTextAsUtf16EvenWhenACharacterIsCutBetweenWrites) {
  RecordingSink console(true, false);
  ConsoleWriter writer(console);
  // "Zoë", a Cyrillic folder, and a character beyond the 16-bit range.
  const std::string text = "Zo\xC3\xAB\\\xD0\x9F\xD0\xB8\xD1\x81\xD1\x8C\xD0\xBC\xD0\xB0 \xF0\x9F\x93\xA7\n";
  writer.Write(text.substr(0, 3));   // ends inside "ë"
  writer.Write(text.substr(3, 9));   // ends inside a Cyrillic letter
  writer.Write(text.substr(12, 3));  // ends inside the envelope
  writer.Write(text.substr(15));
  EXPECT_EQ(console.wide, u"Zo\u00EB\\\u041F\u0438\u0441\u044C\u043C\u0430 \U0001F4E7\n");
  EXPECT_TRUE(console.bytes.empty());

  // A byte that begins no character shows as the replacement character, not as garbage.
  console.wide.clear();
  writer.Write(
      "a\xFF"
      "b\n");
  EXPECT_EQ(console.wide, u"a\uFFFDb\n");
}

TEST(ConsoleOutput, AFileOrPipeGetsTheUtf8BytesUnchanged) {
  RecordingSink file(false, false);
  ConsoleWriter writer(file);
  const std::string text = "Zo\xC3\xAB: 3/4\n\xFF";
  writer.Write(text.substr(0, 3));
  writer.Write(text.substr(3));
  EXPECT_EQ(file.bytes, text);
  EXPECT_EQ(file.wideWrites, 0);
  EXPECT_FALSE(writer.IsTerminal());
}

TEST(ConsoleOutput, TheProgressLineOverwritesWithSpacesWhereTheConsoleKnowsNoEscapeSequences) {
  RecordingSink console(true, false);
  ConsoleWriter writer(console);
  writer.ClearLine();  // nothing shown yet: nothing written
  EXPECT_TRUE(console.wide.empty());
  writer.ShowLine("Inbox: 10/200");
  writer.ShowLine("Zo\xC3\xAB: 1/2");
  writer.ClearLine();
  writer.ClearLine();
  // The shorter line covers what is left of the longer one; clearing covers the longest.
  EXPECT_EQ(console.wide, u"\rInbox: 10/200" + (u"\rZo\u00EB: 1/2" + std::u16string(5, u' ')) + u"\r" +
                              std::u16string(13, u' ') + u"\r");
  EXPECT_EQ(console.wide.find(u'\x1b'), std::u16string::npos);
}

TEST(ConsoleOutput, TheProgressLineErasesToTheLineEndWhereTheConsoleUnderstandsIt) {
  RecordingSink console(true, true);
  ConsoleWriter writer(console);
  writer.ShowLine("Inbox: 10/200");
  writer.ShowLine("Sent: 1/2");
  writer.ClearLine();
  EXPECT_EQ(console.wide, u"\rInbox: 10/200\x1b[K\rSent: 1/2\x1b[K\r\x1b[K");
}

#ifdef _WIN32
// The Windows output over a real console screen buffer, read back character by character.
TEST(ConsoleOutputOnWindows, WritesUtf8NamesToAConsoleAsTheirCharacters) {
  // A console of the test's own (Wine may have attached one it cannot write to), its screen
  // emptied and the cursor at the top left.
  FreeConsole();
  if (!AllocConsole()) GTEST_SKIP() << "no console can be made here (error " << GetLastError() << ")";
  HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE);
  DWORD mode = 0;
  if (!GetConsoleMode(screen, &mode))
    GTEST_SKIP() << "the console made here takes no text (no display for it)";
  DWORD cleared = 0;
  FillConsoleOutputCharacterW(screen, L' ', 80 * 4, COORD{0, 0}, &cleared);
  SetConsoleCursorPosition(screen, COORD{0, 0});
  {
    const std::unique_ptr<ConsoleSink> sink = MakeHandleSink(screen, stdout);
    ASSERT_TRUE(sink->TakesWideText());
    EXPECT_FALSE(sink->ErasesToLineEnd());
    ConsoleWriter writer(*sink);
    writer.Write("J\xC3\xB6rg \xD0\x9F\xD0\xB8\xD1\x81\xD1\x8C\xD0\xBC\xD0\xB0\n");
    writer.ShowLine("Zo\xC3\xAB: 1/2");
  }
  const auto row = [screen](SHORT y) {
    wchar_t shown[16] = {};
    DWORD read = 0;
    EXPECT_TRUE(ReadConsoleOutputCharacterW(screen, shown, 16, COORD{0, y}, &read));
    return std::wstring(shown, read);
  };
  EXPECT_EQ(row(0).substr(0, 12), L"J\u00F6rg \u041F\u0438\u0441\u044C\u043C\u0430 ");
  // The progress line shows as its characters, with no escape sequence on the screen (Wine's console
  // accepts ENABLE_VIRTUAL_TERMINAL_PROCESSING and still shows ESC [ K as characters).
  EXPECT_EQ(row(1), L"Zo\u00EB: 1/2        ");
  CloseHandle(screen);
}

TEST(ConsoleOutputOnWindows, WritesTheBytesWhereTheHandleIsNoConsole) {
  wchar_t folder[MAX_PATH] = {};
  wchar_t name[MAX_PATH] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameW(folder, L"out", 0, name), 0u);
  std::FILE* file = _wfopen(name, L"wb");
  ASSERT_NE(file, nullptr);
  {
    const std::unique_ptr<ConsoleSink> sink =
        MakeHandleSink(reinterpret_cast<void*>(_get_osfhandle(_fileno(file))), file);
    EXPECT_FALSE(sink->TakesWideText());
    EXPECT_FALSE(sink->IsTerminal());
    ConsoleWriter(*sink).Write("Zo\xC3\xAB\n");
  }
  std::fclose(file);
  std::FILE* back = _wfopen(name, L"rb");
  ASSERT_NE(back, nullptr);
  char bytes[16] = {};
  const std::size_t count = std::fread(bytes, 1, sizeof bytes, back);
  std::fclose(back);
  DeleteFileW(name);
  EXPECT_EQ(std::string(bytes, count), "Zo\xC3\xAB\n");
}
#endif

}  // namespace
}  // namespace mailshift::cli
