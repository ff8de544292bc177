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
  // and not yet taken is forgotten.
  void Request(const std::vector<std::int64_t>& documentIds);
  // The document when it has been read ahead. Otherwise nothing, and it is no longer read ahead:
  // the caller reads it.
  std::optional<StoredDocument> Take(std::int64_t documentId);

 private:
  void Run();

  sqlite3* connection_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::int64_t> wanted_;  // still to read, in order
  std::unordered_map<std::int64_t, StoredDocument> ready_;
  std::uint64_t request_ = 0;  // counts the requests, so that an old one's reads are dropped
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace mailshift::standin
