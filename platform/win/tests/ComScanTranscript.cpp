// Prints the scan transcript of a fixture over the COM binding and the test Notes server, with
// the dates written as instants, for comparison with the built-in stand-in on another system.
//   mailshift_com_scan_transcript FIXTURE.json domino|notes
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <string>

#include "notes/testing/ScanTranscript.h"
#include "platform/win/ComApartment.h"
#include "platform/win/ComNotesClient.h"
#include "platform/win/testing/TestNotesServerNames.h"
#include "platform/win/tests/TestServerSupport.h"

int main(int argc, char** argv) {
  using namespace mailshift::platform::win;
  const std::string origin = argc == 3 ? argv[2] : "";
  if (origin != "domino" && origin != "notes") {
    std::fprintf(stderr, "usage: mailshift_com_scan_transcript FIXTURE.json domino|notes\n");
    return 2;
  }
  try {
    const ComApartment com;
    if (!testing::RegisterTestServer()) {
      std::fprintf(stderr, "The test Notes server could not be registered.\n");
      return 1;
    }
    std::string transcript;
    {
      const bool domino = origin == "domino";
      const testing::ProgIdAlias alias(
          domino ? L"Domino.NotesSession" : L"Notes.NotesSession",
          domino ? testing::kTestDominoSessionClassId : testing::kTestNotesSessionClassId);
      if (!alias.active()) throw std::runtime_error("a Notes client is registered on this machine");
      ComNotesClient client;
      transcript = mailshift::notes::testing::ScanTranscript(client, argv[1], {true});
    }
    testing::UnregisterTestServer();
    _setmode(_fileno(stdout), _O_BINARY);  // the same line ends as on the build machine
    std::fwrite(transcript.data(), 1, transcript.size(), stdout);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
