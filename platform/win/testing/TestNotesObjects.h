// The Notes automation classes of the test server.
#pragma once

#include "platform/win/testing/DispatchObject.h"

namespace mailshift::platform::win::testing {

enum class SessionKind { Domino, Notes };

// A new session object with one reference for the caller.
DispatchObject* NewTestSession(SessionKind kind);

}  // namespace mailshift::platform::win::testing
