// The sample mailbox: a deterministic, realistic mail database for trying the program out and
// for tests that need volume. Every kind of content that has tripped mail converters appears at
// least once when there are enough documents (see docs/store-format.md, "The sample").
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <span>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/StoreWriter.h"

namespace mailshift::standin {
namespace {

// SplitMix64's finalizer: a bijection on 64-bit numbers, so different inputs never collide.
std::uint64_t Mixed(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// SplitMix64: small, fast and the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() { return Mixed(state_ += 0x9E3779B97F4A7C15ULL); }
  std::int64_t Below(std::int64_t bound) {
    return bound <= 0 ? 0 : static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(bound));
  }
  std::int64_t Between(std::int64_t low, std::int64_t high) { return low + Below(high - low + 1); }
  bool Percent(int percent) { return Below(100) < percent; }
  template <class T>
  const T& Pick(std::span<const T> choices) {
    return choices[static_cast<std::size_t>(Below(static_cast<std::int64_t>(choices.size())))];
  }

 private:
  std::uint64_t state_;
};

// Attachment bytes made up as they are stored: text for text files, noise behind a file
// signature for the rest.
class MadeUpContent : public ContentSource {
 public:
  MadeUpContent(std::uint64_t seed, std::int64_t size, std::string_view name) : random_(seed), left_(size) {
    const auto dot = name.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot);
    text_ = extension == ".txt" || extension == ".csv" || extension.empty();
    if (extension == ".pdf") prefix_ = "%PDF-1.4\n";
    if (extension == ".jpg") prefix_ = "\xFF\xD8\xFF\xE0";
    if (extension == ".docx" || extension == ".xlsx") prefix_ = "PK\x03\x04";
  }

  std::size_t Read(std::span<char> buffer) override {
    std::size_t filled = 0;
    while (filled < buffer.size() && left_ > 0) {
      if (prefixUsed_ < prefix_.size()) {
        buffer[filled++] = prefix_[prefixUsed_++];
        --left_;
        continue;
      }
      // Eight bytes from each draw.
      std::uint64_t bits = random_.Next();
      for (int i = 0; i < 8 && filled < buffer.size() && left_ > 0; ++i, bits >>= 8) {
        static constexpr char kLetters[] = "etaoin shrdlu cmfwyp vbgkqj,.\n";
        buffer[filled++] =
            text_ ? kLetters[(bits & 0xFF) % (sizeof kLetters - 1)] : static_cast<char>(bits & 0xFF);
        --left_;
      }
    }
    return filled;
  }

 private:
  Random random_;
  std::int64_t left_;
  bool text_ = false;
  std::string prefix_;
  std::size_t prefixUsed_ = 0;
};

// A document's universal id. As in a Notes database, the first half is shared by the documents
// of one mailbox (here: made from the seed) and the second half tells them apart (made from the
// document's number, without a collision). Drawn apart from the mailbox's random numbers, so the
// ids change nothing else.
std::string SampleUniversalId(std::uint64_t seed, std::size_t index) {
  char text[33];
  std::snprintf(text, sizeof text, "%016llX%016llX",
                static_cast<unsigned long long>(Mixed(seed ^ 0x4E6F746573ULL)),
                static_cast<unsigned long long>(Mixed(static_cast<std::uint64_t>(index) + (seed << 32))));
  return text;
}

struct Person {
  std::string_view name;
  std::string_view notes;     // hierarchical Notes name; "" for outside contacts
  std::string_view internet;  // "" when the person has no Internet address
};

constexpr Person kOwner{"Ann Lee", "CN=Ann Lee/OU=Sales/O=Corvane", "ann.lee@corvane.example"};

constexpr std::array<Person, 10> kColleagues{{
    {"Bob Ray", "CN=Bob Ray/OU=Sales/O=Corvane", "bob.ray@corvane.example"},
    {"Cy Orr", "CN=Cy Orr/OU=Finance/O=Corvane", "cy.orr@corvane.example"},
    {"Dana Whitfield", "CN=Dana Whitfield/OU=Legal/O=Corvane", ""},
    {"Émile Bérard", "CN=Émile Bérard/OU=Paris/O=Corvane", "emile.berard@corvane.example"},
    {"Fiona Nakamura", "CN=Fiona Nakamura/OU=Tokyo/O=Corvane", "fiona.nakamura@corvane.example"},
    {"Günter Maß", "CN=Günter Maß/OU=München/O=Corvane", "guenter.mass@corvane.example"},
    {"Hal Okafor", "CN=Hal Okafor/OU=IT/O=Corvane", ""},
    {"Ines O'Neill", "CN=Ines O'Neill/OU=Sales/O=Corvane", "ines.oneill@corvane.example"},
    {"Jun Li", "CN=Jun Li/OU=Shanghai/O=Corvane", "jun.li@corvane.example"},
    {"Kay Dunn", "CN=Kay Dunn/OU=Sales/O=Corvane", "kay.dunn@corvane.example"},
}};

constexpr std::array<Person, 8> kContacts{{
    {"Carla Diaz", "", "carla.diaz@example.org"},
    {"Acme Billing", "", "billing@acme.example.com"},
    {"Peter Novák", "", "peter.novak@example.cz"},
    {"Newsletter", "", "news@lists.example.net"},
    {"Olga Ivanova", "", "olga@example.ru"},
    {"Sam Taylor", "", "sam.taylor@globex.example"},
    {"Travel Desk", "", "bookings@travel.example"},
    {"Zoë Park", "", "zoe.park@example.com"},
}};

constexpr std::array<std::string_view, 16> kSubjects{
    "Quarterly figures",         "Meeting on Thursday",
    "Contract draft for review", "Travel plans",
    "Invoice 2008-114",          "Lunch?",
    "Updated price list",        "Minutes of the board meeting",
    "Welcome to the team",       "Server maintenance",
    "Holiday schedule",          "Your order has shipped",
    "Customer feedback",         "Budget approval",
    "Project kickoff",           "Re: Status report"};

constexpr std::array<std::string_view, 6> kNonAsciiSubjects{
    "Grüße aus München", "Réunion de lundi – ordre du jour",
    "Отчёт за квартал",  "会議の議事録",
    "Cuộc họp tuần tới", "Ελέγχος προϋπολογισμού"};

constexpr std::array<std::string_view, 20> kWords{
    "please", "find",   "the",    "attached", "report",  "we",      "should", "discuss",  "this",   "next",
    "week",   "budget", "client", "agreed",   "numbers", "meeting", "thanks", "schedule", "review", "update"};

constexpr std::array<std::string_view, 14> kAttachmentNames{
    "report.pdf",    "budget.xlsx",    "photo.jpg",      "notes.txt",  "data.csv",
    "contract.docx", "Übersicht.xlsx", "议程.docx",      "Résumé.pdf", "scan 001.jpg",
    "README",        "minutes.docx",   "price list.pdf", "Отчёт.txt"};

// Standard folders and the other views of a mail database, in stored order. User folders follow.
enum class Home { Inbox, Sent, Drafts, Junk, Trash, Folder, Calendar };

// Documents that make sure each hard case is present.
enum class Special {
  SubjectNonAscii,
  SubjectEmpty,
  SubjectBlank,
  SubjectNameCharacters,
  SubjectMissing,
  SubjectLong,
  SameAttachmentNameTwice,
  NonAsciiAttachmentName,
  LargeAttachmentInbox,
  LargeAttachmentSent,
  LargeAttachmentFolder,
  ReceivedWithoutPostedDate,
  Draft,
  DraftWithoutRecipients,
  Junk,
  JunkWithoutPostedDate,
  EmbeddedOleObject,
  LowerCaseItemNames,
  Count
};

constexpr std::array<std::string_view, 14> kFolderTemplates{"Projects",
                                                            "Projects\\2008",
                                                            "Projects\\2008\\Budget",
                                                            " Travel ",
                                                            "Clients\\Acme\\Budget",
                                                            "Clients",
                                                            "Clients\\Acme",
                                                            "Reisekosten München",
                                                            "Projects\\ Launch Plan ",
                                                            "Q&A: Vendors?",
                                                            "Newsletters",
                                                            "Clients\\Globex",
                                                            "Projects\\2009",
                                                            "Personal"};

std::vector<std::string> UserFolderNames(std::int64_t count) {
  std::vector<std::string> names;
  for (std::int64_t i = 0; i < count; ++i) {
    if (i < static_cast<std::int64_t>(kFolderTemplates.size())) {
      names.emplace_back(kFolderTemplates[static_cast<std::size_t>(i)]);
    } else {
      const std::int64_t extra = i - static_cast<std::int64_t>(kFolderTemplates.size());
      names.push_back("Archive\\" + std::to_string(2001 + extra / 5) +
                      (extra % 5 == 0 ? "" : "\\Box " + std::to_string(extra % 5)));
    }
  }
  return names;
}

struct Placement {
  Home home = Home::Inbox;
  bool followUp = false;
  std::vector<std::size_t> folders;  // indexes into the user folders
  std::optional<Special> special;
};

class SampleBuilder {
 public:
  SampleBuilder(const SampleOptions& options, StoreWriter& writer)
      : options_(options),
        writer_(writer),
        random_(options.seed),
        folders_(UserFolderNames(options.folders)) {}

  void Build() {
    writer_.SetTitle(std::string("Mail - ") + std::string(kOwner.name));
    const auto placements = Plan();
    std::int64_t clock = 1173340800;  // 2007-03-08T08:00:00Z
    std::vector<std::int64_t> inbox, drafts, sent, followUp, junk, trash, all, calendar;
    std::vector<std::vector<std::int64_t>> folderEntries(folders_.size());
    for (std::size_t index = 0; index < placements.size(); ++index) {
      clock += random_.Between(60, 6 * 3600);
      const Placement& placement = placements[index];
      DocumentSpec document = MakeDocument(index, placement, clock);
      // Every fifth message received is left unread by the owner (no draw of the random numbers,
      // so that the rest of the sample stays as it was).
      const bool received =
          placement.home == Home::Inbox || placement.home == Home::Folder || placement.home == Home::Junk;
      if (received && index % 5 == 2) document.unreadFor.emplace_back();
      const std::int64_t key = writer_.AddDocument(std::move(document));
      switch (placement.home) {
        case Home::Inbox:
          inbox.push_back(key);
          break;
        case Home::Sent:
          sent.push_back(key);
          break;
        case Home::Drafts:
          drafts.push_back(key);
          break;
        case Home::Junk:
          junk.push_back(key);
          break;
        case Home::Trash:
          trash.push_back(key);
          break;
        case Home::Folder:
          break;
        case Home::Calendar:
          calendar.push_back(key);
          break;
      }
      for (const auto folder : placement.folders) folderEntries[folder].push_back(key);
      if (placement.followUp) followUp.push_back(key);
      if (placement.home != Home::Trash && placement.home != Home::Calendar) all.push_back(key);
    }

    writer_.AddView("($All)", false, all);
    writer_.AddView("($Inbox)", true, inbox);
    writer_.AddView("($Drafts)", true, drafts);
    writer_.AddView("($Sent)", true, sent);
    writer_.AddView("($Calendar)", false, calendar);
    writer_.AddView("($Follow-Up)", true, followUp);
    writer_.AddView("($JunkMail)", true, junk);
    writer_.AddView("($Trash)", true, trash);
    writer_.AddView("(Rules)", false, {});
    // User folders in an order of their own, with a hidden folder among them.
    std::vector<std::size_t> order(folders_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t i = order.size(); i > 1; --i) {
      std::swap(order[i - 1], order[static_cast<std::size_t>(random_.Below(static_cast<std::int64_t>(i)))]);
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i == order.size() / 2) writer_.AddView("(Private Notes)", true, {});
      writer_.AddView(folders_[order[i]], true, folderEntries[order[i]]);
    }
    if (order.empty()) writer_.AddView("(Private Notes)", true, {});
  }

 private:
  std::vector<Placement> Plan() {
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(options_.documents, 0));
    std::vector<Placement> placements(count);
    // The special documents spread evenly over the mailbox.
    const auto specials = static_cast<std::size_t>(Special::Count);
    for (std::size_t k = 0; k < std::min(specials, count); ++k) {
      const std::size_t index = count >= specials ? k * count / specials : k;
      placements[index].special = static_cast<Special>(k);
    }
    for (std::size_t index = 0; index < count; ++index) {
      Placement& placement = placements[index];
      placement.home = placement.special ? HomeOf(*placement.special) : RandomHome();
      if (placement.home == Home::Folder && folders_.empty()) placement.home = Home::Inbox;
      if (placement.home == Home::Folder) {
        placement.folders.push_back(
            static_cast<std::size_t>(random_.Below(static_cast<std::int64_t>(folders_.size()))));
        if (folders_.size() > 1 && random_.Percent(5)) {
          const auto second =
              (placement.folders[0] + 1 +
               static_cast<std::size_t>(random_.Below(static_cast<std::int64_t>(folders_.size() - 1)))) %
              folders_.size();
          placement.folders.push_back(second);
        }
      }
      placement.followUp =
          (placement.home == Home::Inbox || placement.home == Home::Folder) && random_.Percent(8);
    }
    return placements;
  }

  Home HomeOf(Special special) {
    switch (special) {
      case Special::Draft:
      case Special::DraftWithoutRecipients:
        return Home::Drafts;
      case Special::Junk:
      case Special::JunkWithoutPostedDate:
        return Home::Junk;
      case Special::LargeAttachmentSent:
        return Home::Sent;
      case Special::LargeAttachmentFolder:
      case Special::SubjectNameCharacters:
        return Home::Folder;
      default:
        return Home::Inbox;
    }
  }

  Home RandomHome() {
    const auto roll = random_.Below(100);
    if (roll < 38) return Home::Inbox;
    if (roll < 58) return Home::Sent;
    if (roll < 62) return Home::Drafts;
    if (roll < 66) return Home::Junk;
    if (roll < 72) return Home::Trash;
    if (roll < 98) return Home::Folder;
    return Home::Calendar;
  }

  // The owner's clock: Eastern time, summer time from April to October.
  static std::int32_t OwnerOffset(std::int64_t when) {
    const std::int64_t dayOfYear = (when / 86400) % 365;
    return dayOfYear >= 90 && dayOfYear < 300 ? -240 : -300;
  }

  DateTime SenderTime(std::int64_t when) {
    static constexpr std::array<std::int32_t, 7> kOffsets{-300, -240, 0, 60, 120, 330, 540};
    return DateTime{when - random_.Between(20, 900), random_.Pick(std::span<const std::int32_t>(kOffsets))};
  }

  const Person& SomeColleague() { return random_.Pick(std::span<const Person>(kColleagues)); }
  const Person& SomeContact() { return random_.Pick(std::span<const Person>(kContacts)); }
  const Person& SomeCorrespondent() { return random_.Percent(60) ? SomeColleague() : SomeContact(); }

  // A recipient list in both forms: Notes names where there are any, and the Internet form with
  // "." where an entry has no Internet address of its own.
  void AddRecipients(DocumentSpec& document, std::string_view notesItem, std::string_view internetItem,
                     const std::vector<const Person*>& people) {
    notes::ItemValues notesForm, internetForm;
    for (const Person* person : people) {
      if (!person->notes.empty()) {
        notesForm.emplace_back(random_.Percent(50) ? std::string(person->notes) : Abbreviated(person->notes));
        internetForm.emplace_back(person->internet.empty() ? "." : std::string(person->internet));
      } else {
        notesForm.emplace_back(random_.Percent(50) ? std::string(person->internet)
                                                   : "\"" + std::string(person->name) + "\" <" +
                                                         std::string(person->internet) + ">");
        internetForm.emplace_back(".");
      }
    }
    document.items.push_back(ItemSpec{std::string(notesItem), ItemKind::Text, std::move(notesForm), {}});
    if (random_.Percent(90)) {
      document.items.push_back(
          ItemSpec{std::string(internetItem), ItemKind::Text, std::move(internetForm), {}});
    }
  }

  static std::string Abbreviated(std::string_view canonical) {
    // "CN=Ann Lee/OU=Sales/O=Corvane" -> "Ann Lee/Sales/Corvane"
    std::string result;
    std::size_t start = 0;
    while (start <= canonical.size()) {
      auto end = canonical.find('/', start);
      if (end == std::string_view::npos) end = canonical.size();
      auto part = canonical.substr(start, end - start);
      if (const auto equals = part.find('='); equals != std::string_view::npos)
        part = part.substr(equals + 1);
      if (!result.empty()) result += '/';
      result += part;
      start = end + 1;
    }
    return result;
  }

  std::vector<const Person*> SomePeople(int most) {
    std::vector<const Person*> people;
    const auto count = random_.Between(1, most);
    for (std::int64_t i = 0; i < count; ++i) people.push_back(&SomeCorrespondent());
    return people;
  }

  std::string Subject(std::size_t index) {
    std::string subject(random_.Pick(std::span<const std::string_view>(kSubjects)));
    if (random_.Percent(3))
      subject = std::string(random_.Pick(std::span<const std::string_view>(kNonAsciiSubjects)));
    if (random_.Percent(15)) subject = "Re: " + subject;
    if (random_.Percent(5)) subject = "Fwd: " + subject;
    if (random_.Percent(10)) subject += " (" + std::to_string(index + 1) + ")";
    return subject;
  }

  std::string Body() {
    std::string body;
    const auto paragraphs = random_.Between(1, 4);
    for (std::int64_t p = 0; p < paragraphs; ++p) {
      if (p > 0) body += "\r\n\r\n";
      const auto words = random_.Between(5, 60);
      for (std::int64_t w = 0; w < words; ++w) {
        if (w > 0) body += ' ';
        body += random_.Pick(std::span<const std::string_view>(kWords));
      }
      body += '.';
    }
    if (random_.Percent(5)) body += "\r\n\r\nMit freundlichen Grüßen – Ann";
    return body;
  }

  EmbeddedSpec Attachment(std::string name, std::int64_t size, int type = notes::kFileAttachmentType) {
    auto content = std::make_unique<MadeUpContent>(random_.Next(), size, name);
    return EmbeddedSpec{std::move(name), type, std::move(content)};
  }

  std::vector<EmbeddedSpec> Attachments(const Placement& placement) {
    std::vector<EmbeddedSpec> embedded;
    const auto smallSize = [&] {
      const auto r = random_.Below(1000);
      return 200 + r * r * 16 / 1000;  // mostly small, up to about 16 KB
    };
    if (placement.special) {
      switch (*placement.special) {
        case Special::SameAttachmentNameTwice:
          embedded.push_back(Attachment("report.pdf", smallSize()));
          embedded.push_back(Attachment("report.pdf", smallSize()));
          return embedded;
        case Special::NonAsciiAttachmentName:
          embedded.push_back(Attachment("Übersicht März.xlsx", smallSize()));
          embedded.push_back(Attachment("会議資料.docx", smallSize()));
          return embedded;
        case Special::LargeAttachmentInbox:
          embedded.push_back(Attachment("presentation.pdf", 2'300'000));
          return embedded;
        case Special::LargeAttachmentSent:
          embedded.push_back(Attachment("site photos.jpg", 3'200'000));
          embedded.push_back(Attachment("notes.txt", smallSize()));
          return embedded;
        case Special::LargeAttachmentFolder:
          embedded.push_back(Attachment("Jahresbericht 2008.pdf", 5'400'000));
          return embedded;
        case Special::EmbeddedOleObject:
          embedded.push_back(Attachment("Microsoft Excel Worksheet", smallSize(), 1453));
          return embedded;
        default:
          break;
      }
    }
    if (placement.home != Home::Calendar && random_.Percent(9)) {
      const auto count = random_.Between(1, 2);
      for (std::int64_t i = 0; i < count; ++i) {
        embedded.push_back(Attachment(
            std::string(random_.Pick(std::span<const std::string_view>(kAttachmentNames))), smallSize()));
      }
    }
    return embedded;
  }

  static ItemSpec Text(std::string name, std::vector<std::string> texts) {
    ItemSpec item{std::move(name), ItemKind::Text, {}, {}};
    for (auto& text : texts) item.values.emplace_back(std::move(text));
    return item;
  }

  static ItemSpec Date(std::string name, std::vector<DateTime> dates) {
    ItemSpec item{std::move(name), ItemKind::DateTime, {}, {}};
    for (const auto& when : dates) item.values.emplace_back(when);
    return item;
  }

  DocumentSpec MakeDocument(std::size_t index, const Placement& placement, std::int64_t clock) {
    DocumentSpec document;
    char id[32];
    std::snprintf(id, sizeof id, "N%06zu", index + 1);
    document.id = id;
    document.universalId = SampleUniversalId(options_.seed, index);
    const std::optional<Special> special = placement.special;
    const bool lowerCase = special == Special::LowerCaseItemNames;
    const auto name = [&](std::string_view itemName) {
      std::string text(itemName);
      if (lowerCase)
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
      return text;
    };
    const DateTime delivered{clock, OwnerOffset(clock)};

    if (placement.home == Home::Calendar) {
      document.items.push_back(Text("Form", {"Appointment"}));
      document.items.push_back(Text("Chair", {std::string(kOwner.notes)}));
      document.items.push_back(Text("Subject", {Subject(index)}));
      document.items.push_back(
          Date("StartDateTime", {DateTime{clock + 3 * 86400, delivered.utcOffsetMinutes}}));
      document.items.push_back(ItemSpec{"Body", ItemKind::RichText, {Body()}, {}});
      return document;
    }

    const bool outgoing = placement.home == Home::Sent || placement.home == Home::Drafts ||
                          (placement.home == Home::Trash && random_.Percent(30));
    document.items.push_back(Text("Form", {random_.Percent(80) ? "Memo" : "Reply"}));
    if (outgoing) {
      document.items.push_back(Text(name("From"), {std::string(kOwner.notes)}));
      document.items.push_back(Text(name("INetFrom"), {std::string(kOwner.internet)}));
    } else {
      const Person& sender = SomeCorrespondent();
      if (!sender.notes.empty()) {
        document.items.push_back(Text(name("From"), {std::string(sender.notes)}));
        document.items.push_back(
            Text(name("INetFrom"), {sender.internet.empty() ? "." : std::string(sender.internet)}));
      } else {
        document.items.push_back(Text(name("From"), {std::string(sender.internet)}));
        if (random_.Percent(50)) document.items.push_back(Text(name("INetFrom"), {"."}));
      }
    }

    std::vector<const Person*> sendTo;
    if (special != Special::DraftWithoutRecipients) {
      sendTo = SomePeople(4);
      if (!outgoing)
        sendTo.insert(sendTo.begin() + random_.Below(static_cast<std::int64_t>(sendTo.size()) + 1), &kOwner);
    }
    AddRecipients(document, name("SendTo"), name("InetSendTo"), sendTo);
    if (random_.Percent(30)) AddRecipients(document, name("CopyTo"), name("InetCopyTo"), SomePeople(3));
    if (outgoing && random_.Percent(20)) {
      AddRecipients(document, name("BlindCopyTo"), name("InetBlindCopyTo"), SomePeople(2));
    }

    std::string subject = Subject(index);
    bool hasSubject = true;
    if (special) {
      switch (*special) {
        case Special::SubjectNonAscii:
          subject = "Grüße aus München – Protokoll für Émile";
          break;
        case Special::SubjectEmpty:
          subject = "";
          break;
        case Special::SubjectBlank:
          subject = "   ";
          break;
        case Special::SubjectNameCharacters:
          subject = "Re: Q3 plan? a/b\\c *draft* \"final\" <v2> | ok:";
          break;
        case Special::SubjectMissing:
          hasSubject = false;
          break;
        case Special::SubjectLong:
          subject = "Very long subject line";
          while (subject.size() < 300) subject += " that keeps going";
          break;
        default:
          break;
      }
    }
    if (hasSubject) document.items.push_back(Text(name("Subject"), {subject}));

    const bool posted = placement.home != Home::Drafts && special != Special::ReceivedWithoutPostedDate &&
                        special != Special::JunkWithoutPostedDate && (outgoing || random_.Percent(97));
    if (posted)
      document.items.push_back(Date(name("PostedDate"), {outgoing ? delivered : SenderTime(clock)}));
    if (!outgoing) document.items.push_back(Date(name("DeliveredDate"), {delivered}));
    if (placement.home == Home::Drafts) {
      std::vector<DateTime> revisions;
      const auto edits = random_.Between(1, 3);
      for (std::int64_t i = 0; i < edits; ++i)
        revisions.push_back(DateTime{clock - (edits - i) * 1800, delivered.utcOffsetMinutes});
      document.items.push_back(Date("$Revisions", revisions));
    }
    if (random_.Percent(10)) document.items.push_back(Text("Importance", {random_.Percent(50) ? "1" : "3"}));
    document.items.push_back(ItemSpec{"$PaperColor", ItemKind::Number, {1.0}, {}});

    std::string body = special == Special::SubjectEmpty ? std::string() : Body();
    std::vector<EmbeddedSpec> attachments = Attachments(placement);
    if (options_.mixedBodies && index % 3 == 1) {
      // Mail from the Internet has no rich text to embed files in: documents with attachments
      // keep them in rich text, converted with its picture.
      const bool stored = (index / 3) % 2 == 0 && !special && attachments.empty();
      MimeEntitySpec shown = PictureMail(index, body);
      if (stored) {
        shown.headers = "MIME-Version: 1.0\r\n" + shown.headers;
        ItemSpec item{name("Body"), ItemKind::MimePart, {}, {}};
        item.mime = std::move(shown);
        document.items.push_back(std::move(item));
        return document;
      }
      ItemSpec item{name("Body"), ItemKind::RichText, {std::move(body)}, std::move(attachments)};
      item.mime = std::move(shown);
      document.items.push_back(std::move(item));
      return document;
    }
    document.items.push_back(
        ItemSpec{name("Body"), ItemKind::RichText, {std::move(body)}, std::move(attachments)});
    return document;
  }

  // The text as text and HTML that shows a 40 KB picture of its own: what a mail client sends,
  // and what a Notes client makes of rich text with a pasted picture. The picture is drawn apart
  // from the mailbox's random numbers, so that the rest is the same as in the plain sample.
  MimeEntitySpec PictureMail(std::size_t index, const std::string& text) const {
    const std::string id = "picture" + std::to_string(index + 1) + "@corvane.example";
    std::string html = "<p>";
    for (std::size_t start = 0;;) {
      const auto end = text.find("\r\n\r\n", start);
      html += text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (end == std::string::npos) break;
      html += "</p><p>";
      start = end + 4;
    }
    html += "</p><p><img src=\"cid:" + id + "\" alt=\"photo\"></p>";
    const std::string boundary = std::to_string(index + 1);

    MimeEntitySpec alternative{"multipart",
                               "alternative",
                               "Content-Type: multipart/alternative; boundary=\"alt-" + boundary + "\"\r\n",
                               nullptr,
                               {}};
    alternative.children.push_back(
        {"text", "plain", "Content-Type: text/plain; charset=UTF-8\r\n", BytesContent(text), {}});
    alternative.children.push_back(
        {"text", "html", "Content-Type: text/html; charset=UTF-8\r\n", BytesContent(std::move(html)), {}});
    MimeEntitySpec related{"multipart",
                           "related",
                           "Content-Type: multipart/related; boundary=\"rel-" + boundary + "\"\r\n",
                           nullptr,
                           {}};
    related.children.push_back(std::move(alternative));
    related.children.push_back(
        {"image",
         "jpeg",
         "Content-Type: image/jpeg\r\nContent-ID: <" + id +
             ">\r\nContent-Disposition: inline; filename=\"photo.jpg\"\r\n",
         std::make_unique<MadeUpContent>(Mixed(options_.seed ^ (index << 8) ^ 0x50494354ULL), kPictureBytes,
                                         "photo.jpg"),
         {}});
    return related;
  }

  static constexpr std::int64_t kPictureBytes = 40 * 1024;

  const SampleOptions& options_;
  StoreWriter& writer_;
  Random random_;
  std::vector<std::string> folders_;
};

}  // namespace

void WriteSampleStore(const std::filesystem::path& store, const SampleOptions& options) {
  if (options.documents < 0 || options.documents > SampleOptions::kMostDocuments) {
    throw std::invalid_argument("the number of documents must lie between 0 and " +
                                std::to_string(SampleOptions::kMostDocuments));
  }
  if (options.folders < 0 || options.folders > SampleOptions::kMostFolders) {
    throw std::invalid_argument("the number of folders must lie between 0 and " +
                                std::to_string(SampleOptions::kMostFolders));
  }
  StoreWriter writer(store);
  SampleBuilder(options, writer).Build();
  writer.Commit();
}

}  // namespace mailshift::standin
