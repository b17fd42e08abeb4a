#include "app/restore_texts.h"

namespace dizi {

namespace {

constexpr std::size_t kSizeColumn = 18;   // "1,234,567 bytes", right-aligned
constexpr std::size_t kStateColumn = 20;  // "left, delete by hand"

// "1,234,567".
std::string Grouped(std::uint64_t number) {
  std::string digits = std::to_string(number);
  for (std::size_t at = digits.size(); at > 3; at -= 3) {
    digits.insert(at - 3, 1, ',');
  }
  return digits;
}

// "2024-05-17T14:23:01Z" as "2024-05-17 14:23:01 UTC"; other text as it is.
std::string ShownTime(const std::string& iso) {
  if (iso.size() != 20 || iso[10] != 'T' || iso[19] != 'Z') {
    return iso;
  }
  return iso.substr(0, 10) + " " + iso.substr(11, 8) + " UTC";
}

std::string PaddedLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PaddedRight(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

std::string ShownPath(const QuarantineItem& item) {
  if (item.path) {
    return *item.path;
  }
  // Each UTF-8 sequence beyond ASCII becomes one question mark.
  std::string shown;
  for (const char c : item.record.path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      shown += c;
    } else if (byte >= 0xC0) {
      shown += '?';
    }
  }
  return shown;
}

std::string ItemRow(const QuarantineItem& item) {
  return ShownTime(item.record.time) + "  " +
         PaddedLeft(Grouped(item.record.size) + " bytes", kSizeColumn) + "  " +
         PaddedRight(item.record.state, kStateColumn) + "  " + ShownPath(item);
}

std::string ReplaceQuestion(const QuarantineItem& item) {
  return "A file already exists at " + ShownPath(item) +
         ".\n\nReplace it with the kept copy? The file there now is lost.";
}

std::string ProblemRow(const std::string& problem) {
  return "(" + problem + ")";
}

std::string RestoreReport(const QuarantineItem& item, const RestoreOutcome& outcome) {
  if (outcome.status == RestoreStatus::InPlace) {
    return ShownPath(item) +
           " is in place already: the file there has the kept file's SHA-256, and stays.";
  }
  if (outcome.status != RestoreStatus::Restored) {
    return ShownPath(item) + " could not be restored: " + outcome.reason + ".";
  }
  return ShownPath(item) + " has been restored; " +
         (outcome.verified ? "its SHA-256 matches the kept file's."
                           : "no SHA-256 was recorded to check it against, its size matches.");
}

std::string DeleteQuestion(const QuarantineItem& item) {
  return "Delete the kept copy of " + ShownPath(item) +
         " for good?\n\nIt cannot be restored afterwards.";
}

std::string DeleteFailure(const QuarantineItem& item, const Outcome& outcome) {
  return "The kept copy of " + ShownPath(item) + " could not be deleted: " + outcome.reason + ".";
}

std::string ImportQuestion(const std::string& undoFile) {
  return "Import " + undoFile +
         "?\n\nThe registry values in it are set back to what they were before the repair "
         "program changed them.";
}

std::string ImportReport(const std::string& undoFile, const Outcome& outcome) {
  return outcome ? undoFile + " has been imported."
                 : undoFile + " could not be imported: " + outcome.reason + ".";
}

std::string UnusableQuarantineRow(const std::string& problem) {
  return "(the quarantine cannot be used: " + problem + ")";
}

std::string SetAsideReport(const std::vector<std::string>& lines) {
  std::string text =
      "A folder of the quarantine could be changed by other users, so Diri Tarvix does not "
      "trust what it holds:";
  for (const std::string& line : lines) {
    text += "\n\n" + line + ".";
  }
  return text;
}

}  // namespace dizi
