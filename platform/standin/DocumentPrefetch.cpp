#include "platform/standin/DocumentPrefetch.h"

#include <algorithm>
#include <memory>

#include "platform/standin/Sqlite.h"

namespace mailshift::standin {

DocumentPrefetch::DocumentPrefetch(sqlite3* connection) : connection_(connection) {}

DocumentPrefetch::~DocumentPrefetch() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void DocumentPrefetch::Request(const std::vector<std::int64_t>& documentIds) {
  {
    std::lock_guard lock(mutex_);
    ++request_;
    wanted_.assign(documentIds.begin(), documentIds.end());
    ready_.clear();
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_one();
}

std::optional<StoredDocument> DocumentPrefetch::Take(std::int64_t documentId) {
  std::lock_guard lock(mutex_);
  if (const auto found = ready_.find(documentId); found != ready_.end()) {
    StoredDocument document = std::move(found->second);
    ready_.erase(found);
    return document;
  }
  wanted_.erase(std::remove(wanted_.begin(), wanted_.end(), documentId), wanted_.end());
  return std::nullopt;
}

void DocumentPrefetch::Run() {
  std::unique_ptr<sqlite::Statement> items;
  std::unique_ptr<sqlite::Statement> values;
  std::unique_ptr<sqlite::Statement> details;
  std::unique_ptr<sqlite::Statement> embedded;
  std::unique_ptr<sqlite::Statement> entities;
  try {
    items = std::make_unique<sqlite::Statement>(connection_, kDocumentItemsSql);
    values = std::make_unique<sqlite::Statement>(connection_, kDocumentValuesSql);
  } catch (const sqlite::Error&) {
    return;  // nothing is read ahead; the reader reads every document itself
  }
  try {
    details = std::make_unique<sqlite::Statement>(connection_, kDocumentDetailsSql);
  } catch (const sqlite::Error&) {
    // a store from before documents had details: the reader knows there are none
  }
  try {
    embedded = std::make_unique<sqlite::Statement>(connection_, kDocumentEmbeddedSql);
    entities = std::make_unique<sqlite::Statement>(connection_, kDocumentEntitiesSql);
  } catch (const sqlite::Error&) {
    // a store from before MIME entities: the reader reads the embedded objects itself
    embedded.reset();
  }
  for (;;) {
    std::int64_t documentId = 0;
    std::uint64_t request = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return ending_ || !wanted_.empty(); });
      if (ending_) break;
      documentId = wanted_.front();
      wanted_.pop_front();
      request = request_;
    }
    StoredDocument document;
    try {
      document.items = ReadStoredItems(*items, documentId);
      document.values = ReadStoredValues(*values, documentId);
      if (details) document.details = ReadStoredDetails(*details, documentId);
      if (embedded) document.embedded = ReadStoredEmbedded(*embedded, documentId);
      if (entities) document.entities = ReadStoredEntities(*entities, documentId);
    } catch (const sqlite::Error&) {
      continue;  // the reader reads it itself, and reports what fails
    }
    std::lock_guard lock(mutex_);
    if (request == request_) ready_.emplace(documentId, std::move(document));
  }
}

}  // namespace mailshift::standin
