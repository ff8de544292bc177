#include "bench/gmime/FileStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace mailshift::bench {
namespace {

// GObject instance and class layouts: the GMime parent comes first.
struct LazyFileStream {
  GMimeStream parent;
  char* path;
  int descriptor;
  gboolean atEnd;
};

struct FileSink {
  GMimeStream parent;
  std::FILE* target;
  char held[2];
  std::size_t heldCount;
};

struct StreamClass {
  GMimeStreamClass parent;
};

GObjectClass* lazyParentClass = nullptr;
GObjectClass* sinkParentClass = nullptr;

LazyFileStream* AsLazy(gpointer stream) { return static_cast<LazyFileStream*>(stream); }
FileSink* AsSink(gpointer stream) { return static_cast<FileSink*>(stream); }

void CloseDescriptor(LazyFileStream* stream) {
  if (stream->descriptor >= 0) {
    close(stream->descriptor);
    stream->descriptor = -1;
  }
}

ssize_t LazyRead(GMimeStream* base, char* buffer, std::size_t length) {
  LazyFileStream* stream = AsLazy(base);
  if (stream->atEnd) return 0;
  if (stream->descriptor < 0) {
    stream->descriptor = open(stream->path, O_RDONLY | O_CLOEXEC);
    if (stream->descriptor < 0) return -1;
  }
  ssize_t count = 0;
  do {
    count = read(stream->descriptor, buffer, length);
  } while (count < 0 && errno == EINTR);
  if (count > 0) {
    base->position += count;
  } else if (count == 0) {
    stream->atEnd = TRUE;
    CloseDescriptor(stream);
  }
  return count;
}

int LazyReset(GMimeStream* base) {
  LazyFileStream* stream = AsLazy(base);
  CloseDescriptor(stream);
  stream->atEnd = FALSE;
  return 0;
}

gboolean LazyEndOfStream(GMimeStream* base) { return AsLazy(base)->atEnd; }

int LazyClose(GMimeStream* base) {
  CloseDescriptor(AsLazy(base));
  return 0;
}

gint64 LazyLength(GMimeStream* base) {
  struct stat status {};
  if (stat(AsLazy(base)->path, &status) != 0) return -1;
  return status.st_size;
}

void LazyFinalize(GObject* object) {
  LazyFileStream* stream = AsLazy(object);
  CloseDescriptor(stream);
  g_free(stream->path);
  lazyParentClass->finalize(object);
}

bool WriteAll(std::FILE* target, const char* data, std::size_t length) {
  return length == 0 || std::fwrite(data, 1, length, target) == length;
}

ssize_t SinkWrite(GMimeStream* base, const char* buffer, std::size_t length) {
  FileSink* sink = AsSink(base);
  const std::string_view data(buffer, length);
  if (data.empty()) return 0;
  if (data == "\n" && sink->heldCount == 1) {
    sink->held[1] = '\n';
    sink->heldCount = 2;
  } else {
    std::size_t hold = 0;
    if (data.ends_with("\r\n")) {
      hold = 2;
    } else if (data.ends_with('\r')) {
      hold = 1;
    }
    if (!WriteAll(sink->target, sink->held, sink->heldCount) ||
        !WriteAll(sink->target, data.data(), data.size() - hold)) {
      return -1;
    }
    sink->heldCount = hold;
    for (std::size_t i = 0; i < hold; ++i) sink->held[i] = data[data.size() - hold + i];
  }
  base->position += static_cast<gint64>(length);
  return static_cast<ssize_t>(length);
}

int SinkFlush(GMimeStream*) { return 0; }
int SinkClose(GMimeStream*) { return 0; }
gboolean SinkEndOfStream(GMimeStream*) { return FALSE; }
int SinkReset(GMimeStream*) { return -1; }

void SinkFinalize(GObject* object) { sinkParentClass->finalize(object); }

gint64 NoSeek(GMimeStream*, gint64, GMimeSeekWhence) { return -1; }
gint64 Tell(GMimeStream* base) { return base->position; }
gint64 UnknownLength(GMimeStream*) { return -1; }
ssize_t NoWrite(GMimeStream*, const char*, std::size_t) { return -1; }
ssize_t NoRead(GMimeStream*, char*, std::size_t) { return -1; }
int NoFlush(GMimeStream*) { return 0; }
GMimeStream* NoSubstream(GMimeStream*, gint64, gint64) { return nullptr; }

GType LazyFileStreamType() {
  static const GType type = g_type_register_static_simple(
      GMIME_TYPE_STREAM, "MailshiftLazyFileStream", sizeof(StreamClass),
      [](gpointer typeClass, gpointer) {
        lazyParentClass = static_cast<GObjectClass*>(g_type_class_peek_parent(typeClass));
        static_cast<GObjectClass*>(typeClass)->finalize = LazyFinalize;
        auto* streamClass = static_cast<GMimeStreamClass*>(typeClass);
        streamClass->read = LazyRead;
        streamClass->write = NoWrite;
        streamClass->flush = NoFlush;
        streamClass->close = LazyClose;
        streamClass->eos = LazyEndOfStream;
        streamClass->reset = LazyReset;
        streamClass->seek = NoSeek;
        streamClass->tell = Tell;
        streamClass->length = LazyLength;
        streamClass->substream = NoSubstream;
      },
      sizeof(LazyFileStream),
      [](GTypeInstance* instance, gpointer) {
        LazyFileStream* stream = AsLazy(instance);
        stream->path = nullptr;
        stream->descriptor = -1;
        stream->atEnd = FALSE;
      },
      static_cast<GTypeFlags>(0));
  return type;
}

GType FileSinkType() {
  static const GType type = g_type_register_static_simple(
      GMIME_TYPE_STREAM, "MailshiftFileSink", sizeof(StreamClass),
      [](gpointer typeClass, gpointer) {
        sinkParentClass = static_cast<GObjectClass*>(g_type_class_peek_parent(typeClass));
        static_cast<GObjectClass*>(typeClass)->finalize = SinkFinalize;
        auto* streamClass = static_cast<GMimeStreamClass*>(typeClass);
        streamClass->read = NoRead;
        streamClass->write = SinkWrite;
        streamClass->flush = SinkFlush;
        streamClass->close = SinkClose;
        streamClass->eos = SinkEndOfStream;
        streamClass->reset = SinkReset;
        streamClass->seek = NoSeek;
        streamClass->tell = Tell;
        streamClass->length = UnknownLength;
        streamClass->substream = NoSubstream;
      },
      sizeof(FileSink),
      [](GTypeInstance* instance, gpointer) {
        FileSink* sink = AsSink(instance);
        sink->target = nullptr;
        sink->heldCount = 0;
      },
      static_cast<GTypeFlags>(0));
  return type;
}

}  // namespace

GMimeStream* NewLazyFileStream(const std::string& path) {
  auto* stream = static_cast<LazyFileStream*>(g_object_new(LazyFileStreamType(), nullptr));
  stream->path = g_strdup(path.c_str());
  g_mime_stream_construct(&stream->parent, 0, -1);
  return &stream->parent;
}

GMimeStream* NewFileSink(std::FILE* target) {
  auto* sink = static_cast<FileSink*>(g_object_new(FileSinkType(), nullptr));
  sink->target = target;
  g_mime_stream_construct(&sink->parent, 0, -1);
  return &sink->parent;
}

bool FinishFileSink(GMimeStream* base) {
  FileSink* sink = AsSink(base);
  const bool heldLineEnd = sink->heldCount == 2;
  if (!heldLineEnd && !WriteAll(sink->target, sink->held, sink->heldCount)) return false;
  sink->heldCount = 0;
  return std::fflush(sink->target) == 0 && std::ferror(sink->target) == 0;
}

}  // namespace mailshift::bench
