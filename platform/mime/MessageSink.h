// The stream a message is rendered into: buffered, and holding back a CR LF at the end of what
// has been written, so that the message can end without its final line end.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace mailshift::platform {

class MessageSink {
 public:
  explicit MessageSink(std::FILE* target);
  ~MessageSink();
  MessageSink(const MessageSink&) = delete;
  MessageSink& operator=(const MessageSink&) = delete;

  // Throws mail::EmailError when writing fails.
  void Write(std::string_view text);
  // Lets `append(std::string&)` append to what is held back, for encoders that write into a
  // string: so the text is written where it is buffered, with no copy between. Throws
  // mail::EmailError when writing fails.
  template <typename Append>
  void WriteWith(Append&& append) {
    append(buffer_);
    WriteOutWhenFull();
  }
  // Hands what is held back, except a final CR LF, to the stream. The stream is not flushed: the
  // caller adds the final line end and flushes, so that a small message reaches its file in one
  // write. Throws mail::EmailError when writing fails.
  void Finish();

 private:
  void WriteOutWhenFull();
  void WriteOut(std::size_t length);

  std::FILE* target_;
  std::string buffer_;
};

}  // namespace mailshift::platform
