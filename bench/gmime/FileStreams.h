// GMime streams for files, beyond GMime's own.
#pragma once

#include <gmime/gmime.h>

#include <cstdio>
#include <string>

namespace mailshift::bench {

// A read-only stream over a file that is opened when it is first read and closed at its end or
// reset, so that a message with any number of attachments holds one descriptor at a time while
// it is written.
GMimeStream* NewLazyFileStream(const std::string& path);

// A write-only stream into a C stream that needs no seeking. It holds back a CR LF at the end of
// what has been written; FinishFileSink drops it, so that the text ends without its final line
// end.
GMimeStream* NewFileSink(std::FILE* target);
// Writes what is held back except a final CR LF and flushes the C stream; false when writing
// failed.
bool FinishFileSink(GMimeStream* sink);

}  // namespace mailshift::bench
