#include "platform/win/tests/MemoryFixture.h"

#include "platform/win/WideText.h"
#include "platform/win/testing/TestNotesFixture.h"

namespace mailshift::platform::win::testing {

void AddFixtureDatabase(notes::testing::MemoryNotesClient& client, const std::string& fixturePath,
                        const std::string& databasePath) {
  const auto fixture = LoadFixture(Utf8ToWide(fixturePath));
  auto& database = client.AddDatabase(databasePath);
  database.title = WideToUtf8(fixture->title);
  for (const auto& document : fixture->documents) {
    notes::testing::MemoryDocument memory;
    memory.size = document.size;
    memory.hasEmbedded = document.hasEmbedded;
    for (const auto& item : document.items) {
      notes::testing::MemoryItem memoryItem;
      memoryItem.name = WideToUtf8(item.name);
      memoryItem.richText = item.kind == ItemKind::RichText;
      for (const auto& text : item.texts) memoryItem.values.emplace_back(WideToUtf8(text));
      for (const double number : item.numbers) memoryItem.values.emplace_back(number);
      for (const auto& when : item.dates) memoryItem.values.emplace_back(when);
      for (const auto& embedded : item.embedded) {
        memoryItem.embedded.push_back({WideToUtf8(embedded.name), embedded.type, embedded.bytes, false});
      }
      memory.items.push_back(std::move(memoryItem));
    }
    database.AddDocument(std::move(memory));
  }
  for (const auto& view : fixture->views) {
    auto& memoryView = database.AddView(WideToUtf8(view.name), view.folder, view.documents);
    memoryView.count = view.count;
  }
}

}  // namespace mailshift::platform::win::testing
