#include "platform/standin/DocumentPrefetch.h"

#include <algorithm>
#include <memory>

#include "platform/standin/Sqlite.h"

namespace mailshift::standin {

namespace {

std::int64_t ContentBytes(const StoredDocument& document) {
  std::int64_t bytes = 0;
  for (const auto& [id, content] : document.entityContents)
    bytes += static_cast<std::int64_t>(content.size());
  for (const auto& [id, content] : document.objectContents)
    bytes += static_cast<std::int64_t>(content.size());
  return bytes;
}

}  // namespace

DocumentPrefetch::DocumentPrefetch(sqlite3* connection) : connection_(connection) {}

DocumentPrefetch::~DocumentPrefetch() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  read_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DocumentPrefetch::Request(const std::vector<std::int64_t>& documentIds, bool more) {
  {
    std::lock_guard lock(mutex_);
    if (!more) {
      ++request_;
      wanted_.clear();
      ready_.clear();
      readyOrder_.clear();
      sequence_.clear();
      readyContentBytes_ = 0;
    }
    if (!stopped_) {
      for (const std::int64_t documentId : documentIds) {
        sequence_.try_emplace(documentId, nextSequence_);
        wanted_.push_back({documentId, nextSequence_++});
      }
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

std::optional<StoredDocument> DocumentPrefetch::Take(std::int64_t documentId) {
  std::unique_lock lock(mutex_);
  // Reading it here beside the thread would only make the two wait for each other's queries.
  read_.wait(lock, [&] {
    return ending_ ||
           !(inFlight_ == documentId || (!wanted_.empty() && wanted_.front().documentId == documentId));
  });
  if (const auto found = ready_.find(documentId); found != ready_.end()) {
    StoredDocument document = std::move(found->second);
    ready_.erase(found);
    sequence_.erase(documentId);
    readyContentBytes_ -= ContentBytes(document);
    return document;
  }
  wanted_.erase(
      std::remove_if(wanted_.begin(), wanted_.end(),
                     [documentId](const Wanted& wanted) { return wanted.documentId == documentId; }),
      wanted_.end());
  sequence_.erase(documentId);
  return std::nullopt;
}

void DocumentPrefetch::Reached(std::int64_t documentId) {
  std::lock_guard lock(mutex_);
  const auto found = sequence_.find(documentId);
  if (found != sequence_.end()) LetGoBefore(found->second);
}

void DocumentPrefetch::LetGoBefore(std::uint64_t sequence) {
  passed_ = std::max(passed_, sequence);
  while (!wanted_.empty() && wanted_.front().sequence < passed_) {
    const auto held = sequence_.find(wanted_.front().documentId);
    if (held != sequence_.end() && held->second == wanted_.front().sequence) sequence_.erase(held);
    wanted_.pop_front();
  }
  while (!readyOrder_.empty() && readyOrder_.front().sequence < passed_) {
    const std::int64_t documentId = readyOrder_.front().documentId;
    readyOrder_.pop_front();
    const auto held = sequence_.find(documentId);
    // Taken already, or requested again further on: not this one to let go.
    if (held == sequence_.end() || held->second >= passed_) continue;
    sequence_.erase(held);
    if (const auto ready = ready_.find(documentId); ready != ready_.end()) {
      readyContentBytes_ -= ContentBytes(ready->second);
      ready_.erase(ready);
    }
  }
}

std::size_t DocumentPrefetch::held() const {
  std::lock_guard lock(mutex_);
  return sequence_.size();
}

void DocumentPrefetch::Run() {
  std::unique_ptr<sqlite::Statement> items;
  std::unique_ptr<sqlite::Statement> values;
  std::unique_ptr<sqlite::Statement> details;
  std::unique_ptr<sqlite::Statement> embedded;
  std::unique_ptr<sqlite::Statement> entities;
  std::unique_ptr<sqlite::Statement> entityChunks;
  std::unique_ptr<sqlite::Statement> objectChunks;
  sqlite::BlobReader entityBlob(connection_, "mime_content");
  sqlite::BlobReader objectBlob(connection_, "embedded_content");
  try {
    items = std::make_unique<sqlite::Statement>(connection_, kDocumentItemsSql);
    values = std::make_unique<sqlite::Statement>(connection_, kDocumentValuesSql);
  } catch (const sqlite::Error&) {
    // nothing is read ahead; the reader reads every document itself
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
      wanted_.clear();
    }
    read_.notify_all();
    return;
  }
  try {
    details = std::make_unique<sqlite::Statement>(connection_, kDocumentDetailsSql);
  } catch (const sqlite::Error&) {
    // a store from before documents had details: the reader knows there are none
  }
  try {
    embedded = std::make_unique<sqlite::Statement>(connection_, kDocumentEmbeddedSql);
    entities = std::make_unique<sqlite::Statement>(connection_, kDocumentEntitiesSql);
    entityChunks = std::make_unique<sqlite::Statement>(connection_, kEntityChunksSql);
    objectChunks = std::make_unique<sqlite::Statement>(connection_, kObjectChunksSql);
  } catch (const sqlite::Error&) {
    // a store from before MIME entities: the reader reads the embedded objects itself
    embedded.reset();
  }
  for (;;) {
    std::int64_t documentId = 0;
    std::uint64_t sequence = 0;
    std::uint64_t request = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return ending_ || !wanted_.empty(); });
      if (ending_) break;
      documentId = wanted_.front().documentId;
      sequence = wanted_.front().sequence;
      wanted_.pop_front();
      inFlight_ = documentId;
      request = request_;
    }
    const auto finished = [&](StoredDocument* document) {
      {
        std::lock_guard lock(mutex_);
        inFlight_.reset();
        if (document != nullptr && request == request_ && sequence >= passed_) {
          readyContentBytes_ += ContentBytes(*document);
          ready_.emplace(documentId, std::move(*document));
          readyOrder_.push_back({documentId, sequence});
        } else if (request == request_) {
          const auto held = sequence_.find(documentId);
          if (held != sequence_.end() && held->second == sequence) sequence_.erase(held);
        }
      }
      read_.notify_all();
    };
    StoredDocument document;
    try {
      document.items = ReadStoredItems(*items, documentId);
      document.values = ReadStoredValues(*values, documentId);
      if (details) document.details = ReadStoredDetails(*details, documentId);
      if (embedded) document.embedded = ReadStoredEmbedded(*embedded, documentId);
      if (entities) document.entities = ReadStoredEntities(*entities, documentId);
    } catch (const sqlite::Error&) {
      finished(nullptr);  // the reader reads it itself, and reports what fails
      continue;
    }
    if (embedded) ReadSmallContents(document, *entityChunks, entityBlob, *objectChunks, objectBlob);
    finished(&document);
  }
}

void DocumentPrefetch::ReadSmallContents(StoredDocument& document, sqlite::Statement& entityChunks,
                                         sqlite::BlobReader& entityBlob, sqlite::Statement& objectChunks,
                                         sqlite::BlobReader& objectBlob) {
  std::int64_t budget = kMostDocumentContentBytes;
  {
    std::lock_guard lock(mutex_);
    budget = std::min(budget, kMostReadyContentBytes - readyContentBytes_);
  }
  const auto readSmall = [&](std::int64_t id, std::int64_t size, sqlite::Statement& chunks,
                             sqlite::BlobReader& blob, std::unordered_map<std::int64_t, std::string>& into) {
    if (size <= 0 || size > kMostContentBytes || size > budget) return;
    try {
      into.emplace(id, ReadChunkedContent(chunks, blob, id, size));
      budget -= size;
    } catch (const sqlite::Error&) {
      // the reader reads it itself when it is asked for, and reports what fails
    }
  };
  if (document.entities) {
    for (const StoredEntity& entity : *document.entities)
      readSmall(entity.record.id, entity.record.size, entityChunks, entityBlob, document.entityContents);
  }
  if (document.embedded) {
    for (const StoredEmbedded& object : *document.embedded)
      readSmall(object.record.id, object.record.size, objectChunks, objectBlob, document.objectContents);
  }
}

}  // namespace mailshift::standin
