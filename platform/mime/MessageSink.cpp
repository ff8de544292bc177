#include "platform/mime/MessageSink.h"

#include <cerrno>
#include <cstring>

#include "export/EmailComposition.h"

namespace mailshift::platform {
namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
constexpr std::size_t kBufferCapacity = kBufferSize + kBufferSize / 2;
constexpr std::string_view kLineEnd = "\r\n";

// The buffer of the last sink on this thread, kept for the next: it is larger than most
// messages, and getting it anew for each one costs more than writing a small message. One that
// grew for an unusually large piece is not kept.
thread_local std::string spareBuffer;

[[noreturn]] void ThrowWriteError() {
  throw mail::EmailError(std::string("cannot write the message: ") + std::strerror(errno));
}

}  // namespace

MessageSink::MessageSink(std::FILE* target) : target_(target), buffer_(std::move(spareBuffer)) {
  buffer_.clear();
  buffer_.reserve(kBufferCapacity);
}

MessageSink::~MessageSink() {
  if (buffer_.capacity() > 2 * kBufferCapacity) return;
  buffer_.clear();
  spareBuffer = std::move(buffer_);
}

void MessageSink::Write(std::string_view text) {
  buffer_.append(text);
  WriteOutWhenFull();
}

void MessageSink::Finish() {
  if (std::string_view(buffer_).ends_with(kLineEnd)) buffer_.resize(buffer_.size() - kLineEnd.size());
  WriteOut(buffer_.size());
}

void MessageSink::WriteOutWhenFull() {
  // The last two bytes stay, in case they are the message's final line end.
  if (buffer_.size() >= kBufferSize) WriteOut(buffer_.size() - kLineEnd.size());
}

void MessageSink::WriteOut(std::size_t length) {
  if (length > 0 && std::fwrite(buffer_.data(), 1, length, target_) != length) ThrowWriteError();
  buffer_.erase(0, length);
}

}  // namespace mailshift::platform
