#include "platform/SystemNotesClient.h"

#include "platform/nsf/NsfNotesClient.h"

#ifdef _WIN32
#include "platform/win/ComApartment.h"
#include "platform/win/ComNotesClient.h"
#else
#include "platform/standin/StandInNotesClient.h"
#endif

namespace mailshift::platform {

namespace {

#ifdef _WIN32
constexpr const char* kClientReaderName = "Notes client";
#else
constexpr const char* kClientReaderName = "stand-in";
#endif

// Opens each database with the reader chosen for it.
class ChoosingSession : public notes::Session {
 public:
  ChoosingSession(std::shared_ptr<notes::Session> client, std::shared_ptr<notes::Session> native,
                  ReaderChoice choice)
      : client_(std::move(client)), native_(std::move(native)), choice_(choice) {}

  std::shared_ptr<notes::Database> GetDatabase(std::string_view server, std::string_view path) override {
    return UsesNative(std::string(path)) ? native_->GetDatabase(server, path)
                                         : client_->GetDatabase(server, path);
  }
  bool ConvertMIME() override { return client_ ? client_->ConvertMIME() : native_->ConvertMIME(); }
  void SetConvertMIME(bool convert) override {
    if (client_) client_->SetConvertMIME(convert);
    native_->SetConvertMIME(convert);
  }

 private:
  bool UsesNative(const std::string& path) const {
    if (!client_ || choice_ == ReaderChoice::Native) return true;
    if (choice_ == ReaderChoice::NotesClient) return false;
#ifdef _WIN32
    static_cast<void>(path);
    return false;
#else
    return nsf::HasNotesSignature(path);
#endif
  }

  std::shared_ptr<notes::Session> client_;
  std::shared_ptr<notes::Session> native_;
  ReaderChoice choice_;
};

}  // namespace

#ifdef _WIN32
struct ClientParts {
  win::ComApartment apartment;  // before the client, so that COM outlives every Notes object
  win::ComNotesClient client;
};
#else
struct ClientParts {
  standin::StandInNotesClient client;
};
#endif

struct SystemNotesClient::Parts : notes::SessionFactory {
  explicit Parts(ReaderChoice readerChoice) : choice(readerChoice) {}

  std::shared_ptr<notes::Session> CreateObject(std::string_view className) override {
    std::shared_ptr<notes::Session> native = nativeClient.CreateObject(className);
    if (choice == ReaderChoice::Native) return std::make_shared<ChoosingSession>(nullptr, native, choice);
    std::shared_ptr<notes::Session> client;
    try {
      client = clientParts.client.CreateObject(className);
    } catch (const notes::NotesError&) {
      if (choice == ReaderChoice::NotesClient) throw;
    }
    if (!client) {
      if (choice == ReaderChoice::NotesClient) return nullptr;
#ifdef _WIN32
      // The session classes are tried in turn: a client may answer to a later one, so the native
      // reader takes over only when the last class gives no session either.
      if (className != notes::kNotesSessionClass) return nullptr;
#endif
      clientMissing = true;  // no Notes client registered: the native reader reads
      return std::make_shared<ChoosingSession>(nullptr, native, choice);
    }
    return std::make_shared<ChoosingSession>(client, native, choice);
  }

  ReaderChoice choice;
  ClientParts clientParts;
  nsf::NsfNotesClient nativeClient;
  bool clientMissing = false;
};

std::optional<ReaderChoice> ReaderChoiceNamed(std::string_view name) {
  if (name == "native") return ReaderChoice::Native;
  if (name == "notes") return ReaderChoice::NotesClient;
  return std::nullopt;
}

SystemNotesClient::SystemNotesClient(ReaderChoice choice) : parts_(std::make_unique<Parts>(choice)) {}
SystemNotesClient::~SystemNotesClient() = default;

notes::SessionFactory& SystemNotesClient::sessions() { return *parts_; }

std::string SystemNotesClient::ReaderFor(const std::string& databasePath) {
  const bool native = parts_->choice == ReaderChoice::Native || (parts_->choice == ReaderChoice::Automatic &&
#ifdef _WIN32
                                                                 parts_->clientMissing
#else
                                                                 nsf::HasNotesSignature(databasePath)
#endif
                                                                );
  static_cast<void>(databasePath);
  return native ? std::string(nsf::kNativeReaderName) : kClientReaderName;
}

std::string SystemNotesClient::OdsOf(const std::string& databasePath) {
  const std::optional<std::uint32_t> ods = nsf::OdsVersionOf(databasePath);
  return ods ? std::to_string(*ods) : "";
}

}  // namespace mailshift::platform
