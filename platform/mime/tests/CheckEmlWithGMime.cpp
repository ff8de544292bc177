// Checks every message file listed in a manifest with GMime, a parser independent of the
// composer; the counterpart of export/tests/check_eml.py, which does the same with Python's email
// package.
//
//   check_eml_gmime FOLDER   (FOLDER holds manifest.json as written by the sample writers)
//
// Each file must parse, carry exactly one Date, Message-ID, MIME-Version and From field, and its
// subject, sender, recipients, date, body text and attachments (names and bytes) must equal what
// went in.
#include <fcntl.h>
#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/mime/tests/GMimeReading.h"

namespace {

using mailshift::platform::EnsureGMimeInitialised;
using mailshift::platform::GObjectPtr;
using nlohmann::json;
using Entries = std::vector<std::pair<std::string, std::string>>;

class Failures {
 public:
  void Check(bool condition, const std::string& label, const std::string& message) {
    if (!condition) items_.push_back(label + ": " + message);
  }
  const std::vector<std::string>& items() const { return items_; }

 private:
  std::vector<std::string> items_;
};

std::string Text(const char* text) { return text == nullptr ? "" : text; }

std::string Shown(const Entries& entries) {
  std::string text = "[";
  for (const auto& [name, address] : entries) text += "(" + name + ", " + address + ")";
  return text + "]";
}

// The list's entries as (name, address); a group, and a Notes name's mailbox at the reserved
// domain, give the name and address "".
Entries ReadAddresses(InternetAddressList* list, bool& groupWithMembers) {
  Entries entries;
  if (list == nullptr) return entries;
  for (int i = 0; i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    const std::string name = Text(internet_address_get_name(address));
    if (INTERNET_ADDRESS_IS_GROUP(address)) {
      entries.emplace_back(name, "");
      if (internet_address_list_length(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address))) >
          0)
        groupWithMembers = true;
    } else {
      std::string mailbox = Text(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
      const std::string_view notesNameDomain = "@notes.mailshift.invalid";
      if (mailbox.size() > notesNameDomain.size() && mailbox.ends_with(notesNameDomain)) mailbox.clear();
      entries.emplace_back(name, mailbox);
    }
  }
  return entries;
}

Entries Expected(const json& recipients) {
  Entries entries;
  for (const json& r : recipients)
    entries.emplace_back(r["name"].get<std::string>(), r["address"].get<std::string>());
  return entries;
}

int FieldCount(GMimeObject* object, const char* name) {
  GMimeHeaderList* headers = g_mime_object_get_header_list(object);
  int count = 0;
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    if (g_ascii_strcasecmp(g_mime_header_get_name(g_mime_header_list_get_header_at(headers, i)), name) == 0)
      ++count;
  }
  return count;
}

std::string Decoded(GMimePart* part) {
  GObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return "";
  g_mime_data_wrapper_write_to_stream(content, memory.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

std::string LfLineEnds(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

std::string FromBase64(const std::string& text) {
  gsize length = 0;
  guchar* bytes = g_base64_decode(text.c_str(), &length);
  std::string result(reinterpret_cast<const char*>(bytes), length);
  g_free(bytes);
  return result;
}

// Every leaf part below object, in order.
void CollectLeaves(GMimeObject* object, std::vector<GMimePart*>& leaves) {
  if (GMIME_IS_MULTIPART(object)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(object)); ++i)
      CollectLeaves(g_mime_multipart_get_part(GMIME_MULTIPART(object), i), leaves);
  } else if (GMIME_IS_PART(object)) {
    leaves.push_back(GMIME_PART(object));
  }
}

// A body sent as MIME: its text and HTML alternatives, and the pictures the HTML shows, each
// found by a Content-ID that exists.
template <typename Check>
void CheckBodyParts(const json& entry, GMimeObject* body, Check&& check) {
  check(GMIME_IS_MULTIPART(body), "the body is no multipart");
  std::vector<GMimePart*> leaves;
  CollectLeaves(body, leaves);
  std::vector<GMimePart*> texts;
  std::vector<GMimePart*> htmls;
  for (GMimePart* leaf : leaves) {
    GMimeContentType* type = g_mime_object_get_content_type(GMIME_OBJECT(leaf));
    if (g_mime_content_type_is_type(type, "text", "plain")) texts.push_back(leaf);
    if (g_mime_content_type_is_type(type, "text", "html")) htmls.push_back(leaf);
  }
  check(texts.size() == 1 && htmls.size() == 1, "has not one text and one HTML part");
  if (!texts.empty()) check(LfLineEnds(Decoded(texts[0])) == LfLineEnds(entry["body"]), "text part differs");
  const std::string html = htmls.empty() ? "" : Decoded(htmls[0]);
  check(html == entry["html"].get<std::string>(), "HTML part differs");
  const auto byId = [&](const std::string& id) -> GMimePart* {
    for (GMimePart* leaf : leaves)
      if (Text(g_mime_object_get_content_id(GMIME_OBJECT(leaf))) == id) return leaf;
    return nullptr;
  };
  for (std::size_t at = 0; (at = html.find("cid:", at)) != std::string::npos;) {
    at += 4;
    const std::size_t end = html.find_first_of("\"'> \t\r\n", at);
    const std::string id = html.substr(at, end == std::string::npos ? std::string::npos : end - at);
    check(byId(id) != nullptr, "the HTML shows cid:" + id + ", which no part has");
  }
  for (const json& inline_ : entry.value("inline", json::array())) {
    const std::string id = inline_["cid"];
    GMimePart* part = byId(id);
    if (part == nullptr) {
      check(false, "no part has the Content-ID " + id);
      continue;
    }
    check(Text(g_mime_object_get_disposition(GMIME_OBJECT(part))) == "inline", id + " is not inline");
    check(Decoded(part) == FromBase64(inline_["base64"]), id + " bytes differ");
  }
}

void CheckMessage(const json& entry, Failures& failures) {
  const std::string label = entry["label"];
  const auto check = [&](bool condition, const std::string& message) {
    failures.Check(condition, label, message);
  };
  const std::string path = entry["file"];
  GObjectPtr<GMimeStream> stream(g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, nullptr));
  if (stream == nullptr) return check(false, "cannot open " + path);
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (message == nullptr) return check(false, "GMime cannot parse the message");
  GMimeObject* object = GMIME_OBJECT(message.get());

  for (const char* field : {"Date", "Message-ID", "MIME-Version", "From"})
    check(FieldCount(object, field) == 1, std::string("has not exactly one ") + field + " field");
  check(Text(g_mime_object_get_header(object, "MIME-Version")) == "1.0", "MIME-Version is not 1.0");
  check(!Text(g_mime_message_get_message_id(message.get())).empty(), "no Message-ID");

  const std::string subject = Text(g_mime_message_get_subject(message.get()));
  check(subject == entry["subject"].get<std::string>(),
        "subject " + subject + " != " + entry["subject"].get<std::string>());

  bool groupWithMembers = false;
  const std::pair<const char*, InternetAddressList*> fields[] = {
      {"from", g_mime_message_get_from(message.get())},
      {"to", g_mime_message_get_to(message.get())},
      {"cc", g_mime_message_get_cc(message.get())},
      {"bcc", g_mime_message_get_bcc(message.get())}};
  for (const auto& [name, list] : fields) {
    const Entries got = ReadAddresses(list, groupWithMembers);
    const Entries want = Expected(entry[name]);
    check(got == want, std::string(name) + " " + Shown(got) + " != " + Shown(want));
  }
  check(!groupWithMembers, "a group has members");
  Entries mailboxes;
  for (const auto& sender : Expected(entry["from"])) {
    if (!sender.second.empty()) mailboxes.push_back(sender);
  }
  if (entry["from"].size() > 1 && !mailboxes.empty()) {
    const Entries got = ReadAddresses(g_mime_message_get_sender(message.get()), groupWithMembers);
    check(got == Entries{mailboxes.front()}, "Sender " + Shown(got));
  }

  GDateTime* date = g_mime_message_get_date(message.get());
  if (date == nullptr) return check(false, "no readable date");
  const json& expectedDate = entry["date"];
  if (expectedDate.contains("epoch")) {
    check(g_date_time_to_unix(date) == expectedDate["epoch"].get<std::int64_t>(),
          "date is not the given instant");
    const auto offset = static_cast<std::int64_t>(g_date_time_get_utc_offset(date) / G_TIME_SPAN_MINUTE);
    check(offset == expectedDate["offset_minutes"].get<std::int64_t>(),
          "date offset " + std::to_string(offset));
  } else {
    check(std::llabs(g_date_time_to_unix(date) - expectedDate["around"].get<std::int64_t>()) < 600,
          "date is not the time of writing");
  }

  const json& attachments = entry["attachments"];
  GMimeObject* top = g_mime_message_get_mime_part(message.get());
  std::vector<GMimeObject*> parts;
  // A body sent as MIME is multipart itself; only attachments make the message multipart/mixed.
  if (GMIME_IS_MULTIPART(top) && !(attachments.empty() && entry.contains("html"))) {
    check(!attachments.empty(), "is multipart without attachments");
    check(g_mime_content_type_is_type(g_mime_object_get_content_type(top), "multipart", "mixed"),
          "is not multipart/mixed");
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(top)); ++i)
      parts.push_back(g_mime_multipart_get_part(GMIME_MULTIPART(top), i));
  } else {
    check(attachments.empty(), "is not multipart/mixed");
    parts.push_back(top);
  }
  check(parts.size() == 1 + attachments.size(), "has " + std::to_string(parts.size()) + " parts");
  if (parts.empty()) return check(false, "no body part");
  if (entry.contains("html")) {
    CheckBodyParts(entry, parts[0], check);
  } else if (!GMIME_IS_PART(parts[0])) {
    check(false, "no body part");
  } else {
    GMimeContentType* bodyType = g_mime_object_get_content_type(parts[0]);
    check(g_mime_content_type_is_type(bodyType, "text", "plain"), "body is not text/plain");
    check(g_ascii_strcasecmp(Text(g_mime_content_type_get_parameter(bodyType, "charset")).c_str(), "utf-8") ==
              0,
          "body is not UTF-8");
    const GMimeContentEncoding bodyEncoding = g_mime_part_get_content_encoding(GMIME_PART(parts[0]));
    check(bodyEncoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ||
              bodyEncoding == GMIME_CONTENT_ENCODING_BASE64,
          "body encoding");
    check(LfLineEnds(Decoded(GMIME_PART(parts[0]))) == LfLineEnds(entry["body"]), "body differs");
  }

  for (std::size_t i = 0; i < attachments.size() && i + 1 < parts.size(); ++i) {
    const std::string name = attachments[i]["name"];
    if (!GMIME_IS_PART(parts[i + 1])) {
      check(false, "attachment " + name + " is no leaf part");
      continue;
    }
    GMimePart* part = GMIME_PART(parts[i + 1]);
    check(Text(g_mime_object_get_disposition(parts[i + 1])) == "attachment", "part is no attachment");
    check(g_mime_part_get_content_encoding(part) == GMIME_CONTENT_ENCODING_BASE64,
          "attachment is not base64");
    const std::string fileName = Text(g_mime_part_get_filename(part));
    check(fileName == name, "attachment name " + fileName + " != " + name);
    const std::string typeName =
        Text(g_mime_content_type_get_parameter(g_mime_object_get_content_type(parts[i + 1]), "name"));
    check(typeName == name, "content type name " + typeName + " != " + name);
    check(Decoded(part) == FromBase64(attachments[i]["base64"]), "attachment " + name + " bytes differ");
    if (attachments[i].contains("type")) {
      GMimeContentType* type = g_mime_object_get_content_type(parts[i + 1]);
      const std::string got = Text(g_mime_content_type_get_media_type(type)) + "/" +
                              Text(g_mime_content_type_get_media_subtype(type));
      check(got == attachments[i]["type"].get<std::string>(), "attachment " + name + " is " + got);
    }
  }

  // Fields the message must carry exactly once, and fields it must not carry.
  if (entry.contains("headers")) {
    for (const auto& [field, value] : entry["headers"].items())
      check(FieldCount(object, field.c_str()) == 1, "has not exactly one " + field + " field");
  }
  if (entry.contains("absent")) {
    for (const json& field : entry["absent"])
      check(FieldCount(object, field.get<std::string>().c_str()) == 0, "carries " + field.get<std::string>());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: check_eml_gmime FOLDER\n";
    return 2;
  }
  EnsureGMimeInitialised();
  std::ifstream file(std::filesystem::path(argv[1]) / "manifest.json");
  if (!file) {
    std::cerr << "check_eml_gmime: no manifest.json in " << argv[1] << "\n";
    return 1;
  }
  const json manifest = json::parse(file);
  Failures failures;
  if (manifest.empty()) failures.Check(false, "manifest", "lists no messages");
  for (const json& entry : manifest) CheckMessage(entry, failures);
  for (const std::string& item : failures.items()) std::cout << item << "\n";
  std::cout << manifest.size() << " messages checked with GMime, " << failures.items().size()
            << " failures\n";
  return failures.items().empty() ? 0 : 1;
}
