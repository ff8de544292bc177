// Reads the items and values of the documents a view walk will come to next, on a thread of its
// own, while the documents before them are exported. It reads through the reader's own connection,
// never a new open of the store's path: a store replaced under that path during the run (as a
// rebuild does with a rename) must not lend its items to the documents of the store being read. Only a help:
// a document not read ahead in time (or that could not be read) is read by the caller as before.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/standin/Sqlite.h"
#include "platform/standin/StoredDocument.h"

namespace mailshift::standin {

class DocumentPrefetch {
 public:
  // connection: the reader's, opened for use by several threads, which must outlive this object.
  // The thread starts with the first request.
  explicit DocumentPrefetch(sqlite3* connection);
  // Stops reading and waits for the thread.
  ~DocumentPrefetch();
  DocumentPrefetch(const DocumentPrefetch&) = delete;
  DocumentPrefetch& operator=(const DocumentPrefetch&) = delete;

  // The documents to read ahead, in the order they will be asked for; what was asked for before
  // and not yet taken is forgotten, unless these follow it (more).
  void Request(const std::vector<std::int64_t>& documentIds, bool more = false);
  // The document when it has been read ahead, waiting for it while it is being read or is the
  // next to be read. Otherwise nothing, and it is no longer read ahead: the caller reads it (which
  // is also what a document that could not be read ahead comes to).
  std::optional<StoredDocument> Take(std::int64_t documentId);
  // The walk has come to the document: those requested before it were passed over (a re-run
  // skips them without reading their items), so what was read of them is let go and they are not
  // read any more. Memory then stays with the documents ahead, however many are skipped.
  void Reached(std::int64_t documentId);
  // The documents requested and not yet taken, let go or read and found unreadable.
  std::size_t held() const;

 private:
  void Run();
  // Reads the contents of the document's small entities and objects, as far as the budget allows.
  void ReadSmallContents(StoredDocument& document, sqlite::Statement& entityChunks,
                         sqlite::BlobReader& entityBlob, sqlite::Statement& objectChunks,
                         sqlite::BlobReader& objectBlob);

  // A part as large as the body reader holds in memory, and no more than that for a document and
  // for all the documents read ahead and not yet taken: the rest is read when it is asked for.
  static constexpr std::int64_t kMostContentBytes = 256 * 1024;
  static constexpr std::int64_t kMostDocumentContentBytes = 1024 * 1024;
  static constexpr std::int64_t kMostReadyContentBytes = 16 * 1024 * 1024;

  // Drops what lies before the request's document of that sequence number.
  void LetGoBefore(std::uint64_t sequence);

  sqlite3* connection_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable read_;          // a document has been read, or could not be
  std::optional<std::int64_t> inFlight_;  // the document being read
  struct Wanted {
    std::int64_t documentId;
    std::uint64_t sequence;  // its place among everything requested
  };
  std::deque<Wanted> wanted_;  // still to read, in order
  std::unordered_map<std::int64_t, StoredDocument> ready_;
  std::deque<Wanted> readyOrder_;                             // ready_ in the order read
  std::unordered_map<std::int64_t, std::uint64_t> sequence_;  // of each document requested and held
  std::uint64_t nextSequence_ = 0;
  std::uint64_t passed_ = 0;            // the documents of lower sequence numbers were passed over
  std::int64_t readyContentBytes_ = 0;  // of the contents held in ready_
  std::uint64_t request_ = 0;           // counts the requests, so that an old one's reads are dropped
  bool ending_ = false;
  bool stopped_ = false;  // the thread could not read, and reads nothing
  std::thread thread_;
};

}  // namespace mailshift::standin
