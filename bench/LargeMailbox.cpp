#include "bench/LargeMailbox.h"

#include <string>
#include <vector>

#include "platform/standin/StoreWriter.h"

namespace mailshift::bench {
namespace {

standin::ItemSpec TextItem(std::string name, std::string value) {
  return standin::ItemSpec{std::move(name), standin::ItemKind::Text, {std::move(value)}, {}};
}

standin::DocumentSpec Message(std::int64_t number) {
  standin::DocumentSpec document;
  document.id = "d" + std::to_string(number);
  document.items.push_back(TextItem("From", "Sender " + std::to_string(number % 97) + "/Org"));
  document.items.push_back(TextItem("SendTo", "Ann Lee/Org"));
  document.items.push_back(TextItem("Subject", "Quarterly figures, part " + std::to_string(number)));
  document.items.push_back(standin::ItemSpec{
      "PostedDate", standin::ItemKind::DateTime, {DateTime{1200000000 + number * 61, 0}}, {}});
  return document;
}

}  // namespace

void BuildLargeMailbox(const std::filesystem::path& store, int folders, std::int64_t documents,
                       std::int64_t listed) {
  standin::StoreWriter writer(store);
  writer.SetTitle("Benchmark Mail");
  std::vector<std::int64_t> keys;
  keys.reserve(static_cast<std::size_t>(documents));
  for (std::int64_t i = 0; i < documents; ++i) keys.push_back(writer.AddDocument(Message(i)));

  const auto slice = [&](std::int64_t from, std::int64_t count) {
    std::vector<std::int64_t> part;
    for (std::int64_t i = from; i < from + count && i < documents; ++i) {
      part.push_back(keys[static_cast<std::size_t>(i)]);
    }
    return part;
  };
  writer.AddView("($Inbox)", true, slice(0, 1000));
  for (const char* name : {"($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)"}) {
    writer.AddView(name, true, slice(1000, 200));
  }
  writer.AddView("Archive", true, slice(0, listed));
  const int others = folders - 1;
  const std::int64_t perFolder = others > 0 ? (documents - listed) / others : 0;
  for (int f = 0; f < others; ++f) {
    const std::string top = "Team " + std::to_string(f / 10);
    const std::string name = f % 10 == 0 ? top : top + "\\Topic " + std::to_string(f % 10);
    writer.AddView(name, true, slice(listed + f * perFolder, perFolder));
  }
  writer.AddView("($All)", false, keys);
  writer.Commit();
}

}  // namespace mailshift::bench
