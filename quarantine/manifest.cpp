#include "quarantine/manifest.h"

#include <algorithm>

#include "quarantine/json_line.h"

namespace dizi {

namespace {

JsonLine Event(std::string_view name, const UtcTime& time) {
  JsonLine line;
  line.Text("event", name).Text("time", IsoTime(time));
  return line;
}

const std::string* TextOf(const std::map<std::string, JsonField>& fields, const char* key) {
  const auto found = fields.find(key);
  return found != fields.end() && found->second.kind == JsonField::Kind::Text ? &found->second.text
                                                                              : nullptr;
}

}  // namespace

namespace {}  // namespace

std::string KeptEvent(const UtcTime& time, std::string_view id, std::string_view path,
                      std::uint64_t size, std::string_view sha256, std::string_view kind) {
  JsonLine line = Event("kept", time);
  line.Text("id", id).Text("path", path).Number("size", size);
  if (sha256.empty()) {
    line.Null("sha256");
  } else {
    line.Text("sha256", sha256);
  }
  return line.Text("kind", kind).Finish();
}

std::string OriginalEvent(const UtcTime& time, std::string_view id, std::string_view path,
                          std::string_view original) {
  return Event("original", time)
      .Text("id", id)
      .Text("path", path)
      .Text("original", original)
      .Finish();
}

std::string NotKeptEvent(const UtcTime& time, std::string_view path, std::string_view kind,
                         std::string_view reason, std::string_view original) {
  return Event("not kept", time)
      .Text("path", path)
      .Text("kind", kind)
      .Text("reason", reason)
      .Text("original", original)
      .Finish();
}

std::string RestoredEvent(const UtcTime& time, std::string_view id, std::string_view path,
                          bool replaced, bool verified) {
  return Event("restored", time)
      .Text("id", id)
      .Text("path", path)
      .Boolean("replaced", replaced)
      .Boolean("verified", verified)
      .Finish();
}

std::string RestoreFailedEvent(const UtcTime& time, std::string_view id, std::string_view path,
                               std::string_view reason) {
  return Event("restore failed", time)
      .Text("id", id)
      .Text("path", path)
      .Text("reason", reason)
      .Finish();
}

std::string DeletedEvent(const UtcTime& time, std::string_view id) {
  return Event("deleted", time).Text("id", id).Finish();
}

std::string DeleteFailedEvent(const UtcTime& time, std::string_view id, std::string_view reason) {
  return Event("delete failed", time).Text("id", id).Text("reason", reason).Finish();
}

std::string ImportedEvent(const UtcTime& time, std::string_view file) {
  return Event("imported", time).Text("file", file).Finish();
}

std::string ImportFailedEvent(const UtcTime& time, std::string_view file, std::string_view reason) {
  return Event("import failed", time).Text("file", file).Text("reason", reason).Finish();
}

std::vector<ManifestItem> ManifestItems(std::string_view manifest) {
  std::vector<ManifestItem> items;
  const auto itemWithId = [&](const std::string* id) {
    return id == nullptr ? items.end()
                         : std::find_if(items.begin(), items.end(),
                                        [&](const ManifestItem& item) { return item.id == *id; });
  };
  while (!manifest.empty()) {
    const std::size_t end = manifest.find('\n');
    const std::string_view line = manifest.substr(0, end);
    manifest.remove_prefix(end == std::string_view::npos ? manifest.size() : end + 1);
    const auto fields = ParseJsonLine(line);
    const std::string* event = fields ? TextOf(*fields, "event") : nullptr;
    if (event == nullptr) {
      continue;
    }
    const std::string* id = TextOf(*fields, "id");
    if (*event == "kept") {
      const std::string* time = TextOf(*fields, "time");
      const std::string* path = TextOf(*fields, "path");
      const std::string* kind = TextOf(*fields, "kind");
      const auto size = fields->find("size");
      if (id == nullptr || time == nullptr || path == nullptr || kind == nullptr ||
          size == fields->end() || size->second.kind != JsonField::Kind::Number) {
        continue;
      }
      // An id used again (a clock set back) names the newer item from now on.
      if (const auto old = itemWithId(id); old != items.end()) {
        items.erase(old);
      }
      const std::string* sha256 = TextOf(*fields, "sha256");
      items.push_back(
          {*id, *time, *path, size->second.number, sha256 ? *sha256 : "", *kind, "kept"});
      continue;
    }
    const auto item = itemWithId(id);
    if (item == items.end()) {
      continue;
    }
    if (*event == "original") {
      if (const std::string* original = TextOf(*fields, "original")) {
        item->state = *original;
      }
    } else if (*event == "restored") {
      item->state = "restored";
    } else if (*event == "deleted") {
      items.erase(item);
    }
  }
  return items;
}

}  // namespace dizi
