#include "bench/gmime/GMimeRenderer.h"

#include <gmime/gmime.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

#include "bench/gmime/FileStreams.h"
#include "common/Utf8.h"
#include "export/EmailComposition.h"
#include "platform/mime/DateField.h"
#include "platform/mime/HeaderFields.h"
#include "platform/mime/tests/GMimeReading.h"

namespace mailshift::bench {

using namespace platform;
namespace {

constexpr std::int32_t kMinutesPerDay = 24 * 60;

// A sender is required in every message; an empty one is written as an empty group.
const std::vector<Recipient> kUndisclosedSender = {{"undisclosed-sender", ""}};

bool IsHostName(std::string_view name) {
  if (name.empty() || name.front() == '.' || name.back() == '.' ||
      name.find("..") != std::string_view::npos) {
    return false;
  }
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
  });
}

// The right-hand side of generated Message-IDs: this machine's name when it is a plain host
// name. Given explicitly, since GMime would otherwise ask the resolver for it.
const std::string& MessageIdDomain() {
  static const std::string domain = [] {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) == 0 && IsHostName(name.data()))
      return std::string(name.data());
    return std::string("localhost");
  }();
  return domain;
}

void AppendRawHeader(GMimeObject* object, const char* name, const std::string& rawValue) {
  g_mime_object_append_header(object, name, "", nullptr);
  GMimeHeaderList* headers = g_mime_object_get_header_list(object);
  GMimeHeader* header = g_mime_header_list_get_header_at(headers, g_mime_header_list_get_count(headers) - 1);
  g_mime_header_set_raw_value(header, rawValue.c_str());
}

void ReplaceRawHeader(GMimeObject* object, const char* name, const std::string& rawValue) {
  GMimeHeader* header = g_mime_header_list_get_header(g_mime_object_get_header_list(object), name);
  if (header == nullptr) throw mail::EmailError(std::string("the MIME part has no ") + name + " field");
  g_mime_header_set_raw_value(header, rawValue.c_str());
}

// More than one byte in five outside ASCII: base64 is the shorter encoding.
bool PrefersBase64(std::string_view text) {
  const auto high =
      std::count_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  return static_cast<std::size_t>(high) * 5 > text.size();
}

// Line breaks as CR LF; a CR alone stays a character of the text.
std::string CrLfLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result += '\r';
    result += text[i];
  }
  return result;
}

// Line breaks as LF, the form GMime's encoder reads.
std::string LfLineEnds(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result += text[i];
  }
  return result;
}

std::string QuotedPrintable(std::string_view text) {
  GMimeEncoding state;
  g_mime_encoding_init_encode(&state, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  std::string encoded(g_mime_encoding_outlen(&state, text.size()), '\0');
  encoded.resize(g_mime_encoding_flush(&state, text.data(), text.size(), encoded.data()));
  // A last line without a line break ends in a soft break, so that the line end that follows
  // it in the message does not become part of the text.
  if (!encoded.empty() && encoded.back() != '\n') encoded += "=\n";
  return encoded;
}

GMimePart* NewBodyPart(const std::string& rawBody) {
  const std::string body = ValidUtf8(rawBody);
  GMimePart* part = g_mime_part_new_with_type("text", "plain");
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(part), "charset", "utf-8");
  const bool base64 = PrefersBase64(body);
  // Quoted-printable text is handed over already encoded, so that its last line is ended as above.
  const std::string data = base64 ? CrLfLineEnds(body) : QuotedPrintable(LfLineEnds(body));
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(data.data(), data.size()));
  GObjectPtr<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(
      stream.get(), base64 ? GMIME_CONTENT_ENCODING_DEFAULT : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE));
  g_mime_part_set_content(part, wrapper.get());
  g_mime_part_set_content_encoding(
      part, base64 ? GMIME_CONTENT_ENCODING_BASE64 : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  return part;
}

GMimePart* NewAttachmentPart(const AttachedFile& file) {
  GMimePart* part = g_mime_part_new_with_type("application", "octet-stream");
  GMimeObject* object = GMIME_OBJECT(part);
  g_mime_object_set_disposition(object, "attachment");
  GObjectPtr<GMimeStream> stream(NewLazyFileStream(file.spooledPath.string()));
  GObjectPtr<GMimeDataWrapper> wrapper(
      g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, wrapper.get());
  g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
  ReplaceRawHeader(object, "Content-Type", FileNameFieldValue("application/octet-stream", "name", file.name));
  ReplaceRawHeader(object, "Content-Disposition", FileNameFieldValue("attachment", "filename", file.name));
  return part;
}

void SetDate(GMimeMessage* message, const DateTime& date) {
  GDateTime* utc = g_date_time_new_from_unix_utc(date.secondsSinceEpoch);
  if (utc == nullptr) throw mail::EmailError("the message date is out of range");
  // An offset of a day or more belongs to no clock; the instant is then written in UTC.
  const bool realOffset = date.utcOffsetMinutes > -kMinutesPerDay && date.utcOffsetMinutes < kMinutesPerDay;
  GTimeZone* zone = g_time_zone_new_offset(realOffset ? date.utcOffsetMinutes * 60 : 0);
  GDateTime* local = g_date_time_to_timezone(utc, zone);
  g_time_zone_unref(zone);
  g_date_time_unref(utc);
  if (local == nullptr) throw mail::EmailError("the message date is out of range");
  g_mime_message_set_date(message, local);
  g_date_time_unref(local);
}

void SetAddressField(GMimeObject* object, const char* name, const std::vector<Recipient>& recipients) {
  if (!recipients.empty()) AppendRawHeader(object, name, AddressFieldValue(name, recipients));
}

}  // namespace

void WriteWithGMime(const MessageContent& content, std::FILE* target) {
  EnsureGMimeInitialised();
  CheckMessageDate(content.date);
  GObjectPtr<GMimeMessage> message(g_mime_message_new(FALSE));
  GMimeObject* object = GMIME_OBJECT(message.get());

  const auto& from = content.from.empty() ? kUndisclosedSender : content.from;
  SetAddressField(object, "From", from);
  // A message from several authors names the one who sent it (RFC 5322, 3.6.2).
  const auto mailbox =
      std::find_if(from.begin(), from.end(), [](const Recipient& r) { return !r.IsNotesName(); });
  if (from.size() > 1 && mailbox != from.end()) SetAddressField(object, "Sender", {*mailbox});
  SetAddressField(object, "To", content.to);
  SetAddressField(object, "Cc", content.cc);
  SetAddressField(object, "Bcc", content.bcc);
  if (!content.subject.empty())
    AppendRawHeader(object, "Subject", UnstructuredFieldValue("Subject", content.subject));
  SetDate(message.get(), content.date);
  GCharPtr messageId(g_mime_utils_generate_message_id(MessageIdDomain().c_str()));
  g_mime_message_set_message_id(message.get(), messageId.get());
  g_mime_object_append_header(object, "MIME-Version", "1.0", nullptr);

  GObjectPtr<GMimePart> body(NewBodyPart(content.body));
  if (content.attachments.empty()) {
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(body.get()));
  } else {
    GObjectPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), GMIME_OBJECT(body.get()));
    for (const AttachedFile& file : content.attachments) {
      GObjectPtr<GMimePart> part(NewAttachmentPart(file));
      g_mime_multipart_add(mixed.get(), GMIME_OBJECT(part.get()));
    }
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));
  }

  std::unique_ptr<GMimeFormatOptions, decltype(&g_mime_format_options_free)> options(
      g_mime_format_options_new(), g_mime_format_options_free);
  g_mime_format_options_set_newline_format(options.get(), GMIME_NEWLINE_FORMAT_DOS);
  GObjectPtr<GMimeStream> sink(NewFileSink(target));
  const bool written = g_mime_object_write_to_stream(object, options.get(), sink.get()) >= 0;
  if (!written || !FinishFileSink(sink.get())) {
    if (std::ferror(target) != 0)
      throw mail::EmailError(std::string("cannot write the message: ") + std::strerror(errno));
    throw mail::EmailError("cannot write the message: a spooled attachment could not be read");
  }
}

}  // namespace mailshift::bench
