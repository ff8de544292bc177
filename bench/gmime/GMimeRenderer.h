// The same messages as the composer writes, rendered by GMime 3 instead: the benchmark's yardstick
// for the composer's speed. Same fields, encodings and structure; GMime's own line folding.
#pragma once

#include <cstdio>

#include "platform/mime/MessageContent.h"

namespace mailshift::bench {

// Writes the message with CR LF line ends, 7-bit clean, streaming attachment content from the
// spooled files, without its final line end. Throws mail::EmailError when writing fails.
void WriteWithGMime(const platform::MessageContent& content, std::FILE* target);

}  // namespace mailshift::bench
