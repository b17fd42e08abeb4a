#include "repair/repair_summary.h"

#include <algorithm>
#include <array>
#include <optional>

namespace dizi {

namespace {

constexpr std::string_view kHeader = "fservice summary 1";

template <typename Enum, std::size_t N>
std::optional<Enum> Word(std::string_view word,
                         const std::array<std::pair<std::string_view, Enum>, N>& words) {
  for (const auto& [text, value] : words) {
    if (text == word) {
      return value;
    }
  }
  return std::nullopt;
}

constexpr std::array<std::pair<std::string_view, HiveKind>, 3> kKinds = {{
    {"own", HiveKind::Own},
    {"loaded", HiveKind::Loaded},
    {"profile", HiveKind::Profile},
}};
constexpr std::array<std::pair<std::string_view, HiveDone>, 4> kDone = {{
    {"cleaned", HiveDone::Cleaned},
    {"nothing-found", HiveDone::NothingFound},
    {"incomplete", HiveDone::Incomplete},
    {"skipped", HiveDone::Skipped},
}};
constexpr std::array<std::pair<std::string_view, ToolsState>, 5> kTools = {{
    {"not-locked", ToolsState::NotLocked},
    {"given-back", ToolsState::GivenBack},
    {"left-locked", ToolsState::LeftLocked},
    {"not-given-back", ToolsState::NotGivenBack},
    {"-", ToolsState::NotLookedAt},
}};

// The line's fields between tabs; the last of `most` takes the rest.
std::vector<std::string_view> Fields(std::string_view line, std::size_t most) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = fields.size() + 1 < most ? line.find('\t') : std::string_view::npos;
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) {
      return fields;
    }
    line.remove_prefix(tab + 1);
  }
}

std::optional<unsigned long> Number(std::string_view text) {
  if (text.empty() || text.size() > 9) {
    return std::nullopt;
  }
  unsigned long number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    number = number * 10 + static_cast<unsigned long>(c - '0');
  }
  return number;
}

std::optional<UserHiveRepair> HiveLine(const std::vector<std::string_view>& fields) {
  if (fields.size() != 7 || fields[1].empty()) {
    return std::nullopt;
  }
  const auto kind = Word(fields[2], kKinds);
  const auto done = Word(fields[3], kDone);
  const auto changed = Number(fields[4]);
  const auto tools = Word(fields[5], kTools);
  if (!kind || !done || !changed || !tools) {
    return std::nullopt;
  }
  return UserHiveRepair{std::string(fields[1]),          *kind,  *done,
                        static_cast<unsigned>(*changed), *tools, std::string(fields[6])};
}

// Reads one line of the summary; false when it is not understood.
bool ReadLine(std::string_view line, RepairSummary& summary) {
  // A failure is the rest of its line, whatever it holds.
  constexpr std::string_view kFailed = "failed\t";
  if (line.substr(0, kFailed.size()) == kFailed && line.size() > kFailed.size()) {
    summary.failures.emplace_back(line.substr(kFailed.size()));
    return true;
  }
  const std::vector<std::string_view> fields = Fields(line, 7);
  if (fields[0] == "hive") {
    std::optional<UserHiveRepair> hive = HiveLine(fields);
    if (hive) {
      summary.hives.push_back(std::move(*hive));
    }
    return hive.has_value();
  }
  if (fields[0] == "end" && fields.size() == 2) {
    const auto code = Number(fields[1]);
    if (code) {
      summary.complete = true;
      summary.endCode = *code;
    }
    return code.has_value();
  }
  return false;
}

}  // namespace

RepairSummary ReadRepairSummary(std::string_view output) {
  RepairSummary summary;
  while (!output.empty() && !summary.complete) {
    const std::size_t end = output.find('\n');
    std::string_view line = output.substr(0, end);
    output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (!summary.present) {
      summary.present = line == kHeader;
    } else if (!ReadLine(line, summary)) {
      ++summary.unreadLines;
    }
  }
  return summary;
}

void MergeHiveRepairs(std::vector<UserHiveRepair>& hives, std::vector<UserHiveRepair> later) {
  for (UserHiveRepair& hive : later) {
    const auto earlier = std::find_if(hives.begin(), hives.end(),
                                      [&](const UserHiveRepair& h) { return h.hive == hive.hive; });
    const bool nothingLeft = hive.done == HiveDone::NothingFound && hive.valuesChanged == 0 &&
                             hive.tools == ToolsState::NotLocked;
    if (earlier == hives.end()) {
      hives.push_back(std::move(hive));
    } else if (!nothingLeft || earlier->done == HiveDone::Incomplete) {
      *earlier = std::move(hive);
    }
  }
}

const char* HiveKindName(HiveKind kind) {
  switch (kind) {
    case HiveKind::Own:
      return "own";
    case HiveKind::Loaded:
      return "loaded";
    case HiveKind::Profile:
      break;
  }
  return "profile";
}

const char* HiveDoneName(HiveDone done) {
  switch (done) {
    case HiveDone::Cleaned:
      return "cleaned";
    case HiveDone::NothingFound:
      return "nothing_found";
    case HiveDone::Incomplete:
      return "incomplete";
    case HiveDone::Skipped:
      break;
  }
  return "skipped";
}

const char* ToolsStateName(ToolsState tools) {
  switch (tools) {
    case ToolsState::NotLocked:
      return "not_locked";
    case ToolsState::GivenBack:
      return "given_back";
    case ToolsState::LeftLocked:
      return "left_locked";
    case ToolsState::NotGivenBack:
      return "not_given_back";
    case ToolsState::NotLookedAt:
      break;
  }
  return "not_looked_at";
}

}  // namespace dizi
