#include "platform/SystemNotesClient.h"

#ifdef _WIN32
#include "platform/win/ComApartment.h"
#include "platform/win/ComNotesClient.h"
#else
#include "platform/standin/StandInNotesClient.h"
#endif

namespace mailshift::platform {

#ifdef _WIN32
struct SystemNotesClient::Parts {
  win::ComApartment apartment;  // before the client, so that COM outlives every Notes object
  win::ComNotesClient client;
};
#else
struct SystemNotesClient::Parts {
  standin::StandInNotesClient client;
};
#endif

SystemNotesClient::SystemNotesClient() : parts_(std::make_unique<Parts>()) {}
SystemNotesClient::~SystemNotesClient() = default;

notes::SessionFactory& SystemNotesClient::sessions() { return parts_->client; }

}  // namespace mailshift::platform
