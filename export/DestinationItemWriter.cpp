#include "export/DestinationItemWriter.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/TextRules.h"
#include "export/MessageComposition.h"

namespace mailshift::mail {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The rendered message and its final CR LF as text.
std::string RenderedText(MessageRenderer& renderer, EmailMessage& message) {
#ifdef _WIN32
  std::unique_ptr<std::FILE, FileCloser> file(std::tmpfile());
  if (!file) throw EmailError("no temporary file to render the message into");
  renderer.Render(message, file.get());
  if (std::fputs("\r\n", file.get()) == EOF || std::fflush(file.get()) != 0)
    throw EmailError("cannot write the message");
  std::string text;
  std::rewind(file.get());
  char buffer[64 * 1024];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;)
    text.append(buffer, got);
  if (std::ferror(file.get())) throw EmailError("cannot read the rendered message back");
  return text;
#else
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&data, &size);
  if (stream == nullptr) throw EmailError("no memory to render the message into");
  std::unique_ptr<char, decltype(&std::free)> owned(nullptr, &std::free);
  {
    std::unique_ptr<std::FILE, FileCloser> file(stream);
    renderer.Render(message, file.get());
    if (std::fputs("\r\n", file.get()) == EOF) throw EmailError("cannot write the message");
  }  // closing the stream sets data and size
  owned.reset(data);
  return std::string(data, size);
#endif
}

bool StartsWithField(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) !=
        std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  }
  return true;
}

}  // namespace

std::string MessageIdOf(std::string_view message) {
  std::size_t start = 0;
  while (start < message.size()) {
    std::size_t end = message.find('\n', start);
    if (end == std::string_view::npos) end = message.size();
    std::string_view line = message.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;  // the end of the header
    if (StartsWithField(line, "Message-ID")) {
      std::string value(line.substr(11));
      // A folded value continues on the lines that begin with a blank.
      for (std::size_t next = end + 1;
           next < message.size() && (message[next] == ' ' || message[next] == '\t');) {
        std::size_t lineEnd = message.find('\n', next);
        if (lineEnd == std::string_view::npos) lineEnd = message.size();
        std::string_view more = message.substr(next, lineEnd - next);
        if (!more.empty() && more.back() == '\r') more.remove_suffix(1);
        value += more;
        next = lineEnd + 1;
      }
      return Trim(value);
    }
    start = end + 1;
  }
  return {};
}

WriteOutcome DestinationItemWriter::CreateEmailItem(const std::string& /*destinationRoot*/,
                                                    const std::string& /*folder*/, const EmailItem& fields) {
  WriteOutcome outcome;
  const ComposedMessage composed = ComposeMessage(component_, fields, outcome.problems);
  outcome.attachments = AttachmentListAfterWriting(fields.attachments);
  outcome.cleanedSubject = RemoveNameCharacters(fields.subject);
  if (composed.message == nullptr || composed.renderer == nullptr) {
    outcome.reason = "the e-mail component gave no message to write";
    return outcome;
  }
  std::string text;
  try {
    text = RenderedText(*composed.renderer, *composed.message);
  } catch (const EmailError& error) {
    outcome.reason = error.what();
    return outcome;
  }
  OutgoingMessage message{text, std::nullopt, fields.marks, fields.origin.universalId, MessageIdOf(text)};
  if (composed.date) message.date = composed.date->secondsSinceEpoch;
  const Delivery delivery = destination_.Deliver(message);
  outcome.written = delivery.delivered;
  outcome.path = delivery.record;
  outcome.bytes = delivery.bytes;
  outcome.reason = delivery.reason;
  outcome.destinationLost = delivery.destinationLost;
  return outcome;
}

}  // namespace mailshift::mail
