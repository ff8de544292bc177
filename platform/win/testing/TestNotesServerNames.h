// The classes of the test Notes server (mailshift_test_notes_server.dll), a COM in-process
// server that answers the Notes automation members over a fixture file, for the tests of the
// Notes client binding.
//
// "Corvane.TestDominoSession" behaves like the Domino classes: GetDatabase works only after
// Initialize, and Initialize refuses a password. "Corvane.TestNotesSession" behaves like the
// Notes client's own classes: no Initialize is needed, and calling it is an error.
//
// GetDatabase("", path) reads the fixture at path, in the JSON form of the store tool. A file
// that cannot be read or parsed gives a database that is not open (no Views array). Optional
// "com_faults" objects make members raise COM exceptions, keyed by member name, or by member
// name, a colon and the first argument ("GetItemValue:Subject"); the value is the description
// text, or {"description": ..., "hresult": ..., "raised": false} for a bare failure code. They may
// stand at the top (database and session members), on a view, a document, an item (its rich-text
// members) or an embedded object. A document answers UniversalID with its "unid" as it stands (a
// text or a number; "" when it has none); "com_without": ["UniversalID"] at the top takes the
// member away from the documents, as a client without it would.
//
// The environment variable MAILSHIFT_TEST_NOTES_FAULT set to "Initialize" makes Initialize raise,
// set to "CreateInstance" makes the creation of either class fail.
#pragma once

#include <windows.h>

namespace mailshift::platform::win::testing {

inline constexpr wchar_t kTestServerFileName[] = L"mailshift_test_notes_server.dll";
inline constexpr wchar_t kTestDominoSessionProgId[] = L"Corvane.TestDominoSession";
inline constexpr wchar_t kTestNotesSessionProgId[] = L"Corvane.TestNotesSession";
inline constexpr wchar_t kTestServerFaultVariable[] = L"MAILSHIFT_TEST_NOTES_FAULT";

// {6E1B7C52-3B0E-4C39-9F0A-2D4C8E51A701}
inline constexpr GUID kTestDominoSessionClassId = {
    0x6e1b7c52, 0x3b0e, 0x4c39, {0x9f, 0x0a, 0x2d, 0x4c, 0x8e, 0x51, 0xa7, 0x01}};
// {6E1B7C52-3B0E-4C39-9F0A-2D4C8E51A702}
inline constexpr GUID kTestNotesSessionClassId = {
    0x6e1b7c52, 0x3b0e, 0x4c39, {0x9f, 0x0a, 0x2d, 0x4c, 0x8e, 0x51, 0xa7, 0x02}};

// The code of the exceptions the server raises, as a Notes error would carry it.
inline constexpr HRESULT kTestNotesErrorCode = static_cast<HRESULT>(0x80040FA0);

}  // namespace mailshift::platform::win::testing
