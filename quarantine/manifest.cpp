#include "quarantine/manifest.h"

#include <algorithm>
#include <optional>

#include "quarantine/json_line.h"
#include "quarantine/manifest_checks.h"

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

std::string InPlaceEvent(const UtcTime& time, std::string_view id, std::string_view path) {
  return Event("in place", time).Text("id", id).Text("path", path).Finish();
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

namespace {

using Fields = std::map<std::string, JsonField>;

constexpr char kNotText[] = "is missing, or not a text";

// The item a "kept" line records; nothing, with the reason in `damage`, when
// a field fails its check.
std::optional<ManifestItem> KeptItem(const Fields& fields, DamagedLine& damage) {
  const std::string* id = TextOf(fields, "id");
  if (id == nullptr) {
    damage.reason = std::string("its id ") + kNotText;
    return std::nullopt;
  }
  if (damage.reason = IdProblem(*id); !damage.reason.empty()) {
    return std::nullopt;
  }
  damage.id = *id;
  ManifestItem item;
  item.id = *id;
  item.state = "kept";
  const std::string* path = TextOf(fields, "path");
  if (path == nullptr) {
    damage.reason = std::string("its path ") + kNotText;
    return std::nullopt;
  }
  if (damage.reason = PathProblem(*path); !damage.reason.empty()) {
    return std::nullopt;
  }
  item.path = *path;
  const auto size = fields.find("size");
  if (size == fields.end() || size->second.kind != JsonField::Kind::Number ||
      size->second.number > kLargestItemSize) {
    damage.reason = "its size is not a number of bytes a file can have";
    return std::nullopt;
  }
  item.size = size->second.number;
  const auto sha256 = fields.find("sha256");
  const bool none = sha256 != fields.end() && sha256->second.kind == JsonField::Kind::Null;
  const std::optional<std::string> digits =
      sha256 != fields.end() && sha256->second.kind == JsonField::Kind::Text
          ? Sha256Digits(sha256->second.text)
          : std::nullopt;
  if (!none && !digits) {
    damage.reason = "its SHA-256 is neither 64 hexadecimal digits nor null";
    return std::nullopt;
  }
  item.sha256 = digits.value_or("");
  for (const auto& [key, field] : {std::pair{"time", &item.time}, std::pair{"kind", &item.kind}}) {
    const std::string* text = TextOf(fields, key);
    if (text == nullptr) {
      damage.reason = std::string("its ") + key + " " + kNotText;
      return std::nullopt;
    }
    *field = *text;
  }
  return item;
}

// The events after "kept" that name an item by its id.
bool NamesAnItem(const std::string& event) {
  for (const char* name :
       {"original", "restored", "in place", "restore failed", "deleted", "delete failed"}) {
    if (event == name) {
      return true;
    }
  }
  return false;
}

void NoteDamage(ManifestContents& contents, DamagedLine damage) {
  if (contents.damaged.size() < kMostDamagedLinesTold) {
    contents.damaged.push_back(std::move(damage));
  } else {
    ++contents.moreDamaged;
  }
}

}  // namespace

ManifestContents ParseManifest(std::string_view manifest) {
  ManifestContents contents;
  std::vector<ManifestItem>& items = contents.items;
  const auto itemWithId = [&](const std::string& id) {
    return std::find_if(items.begin(), items.end(),
                        [&](const ManifestItem& item) { return item.id == id; });
  };
  for (std::size_t number = 1; !manifest.empty(); ++number) {
    const std::size_t end = manifest.find('\n');
    const std::string_view line = manifest.substr(0, end);
    manifest.remove_prefix(end == std::string_view::npos ? manifest.size() : end + 1);
    DamagedLine damage;
    damage.number = number;
    const auto fields = ParseJsonLine(line);
    const std::string* event = fields ? TextOf(*fields, "event") : nullptr;
    if (!fields || event == nullptr) {
      damage.reason = fields ? "it names no event"
                             : "it is not one JSON object in UTF-8 on one line (cut short, say)";
      NoteDamage(contents, std::move(damage));
      continue;
    }
    if (*event == "kept") {
      std::optional<ManifestItem> item = KeptItem(*fields, damage);
      // An id used again (a clock set back) names the newer item from now
      // on, or nothing when that line is damaged.
      if (const auto old = itemWithId(damage.id); !damage.id.empty() && old != items.end()) {
        items.erase(old);
      }
      if (item) {
        items.push_back(std::move(*item));
      } else {
        NoteDamage(contents, std::move(damage));
      }
      continue;
    }
    if (!NamesAnItem(*event)) {
      continue;  // of a later version, or about no item
    }
    const std::string* id = TextOf(*fields, "id");
    if (id == nullptr || !IdProblem(*id).empty()) {
      damage.reason = id == nullptr ? std::string("its id ") + kNotText : IdProblem(*id);
      NoteDamage(contents, std::move(damage));
      continue;
    }
    const auto item = itemWithId(*id);
    if (item == items.end()) {
      continue;
    }
    if (*event == "original") {
      if (const std::string* original = TextOf(*fields, "original")) {
        item->state = *original;
      }
    } else if (*event == "restored" || *event == "in place") {
      item->state = "restored";
    } else if (*event == "deleted") {
      items.erase(item);
    }
  }
  return contents;
}

}  // namespace dizi
