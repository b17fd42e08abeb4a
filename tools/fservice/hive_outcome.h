// What fservice.exe did in each place of the registry it cleans and, for each
// user's hive, the line of its summary for DiziTarvix.exe (see main.cpp).
#pragma once

#include "fservice/report_line.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// Counted for one place (the machine's hive in one view, or one user's hive).
struct PlaceTally {
  unsigned family = 0;   // values that started, or listed, one of the family's programs
  unsigned changed = 0;  // values changed or removed
  unsigned failed = 0;   // what could not be read, judged, saved or changed
};

// How a user's hive came to be cleaned.
enum class HiveKind {
  kOwn,      // the hive of the account fservice.exe runs as
  kLoaded,   // another hive that was loaded already (a signed-in user, a system account)
  kProfile,  // a profile's hive that fservice.exe loaded from its file itself
};

// What became of the two policies that lock a user out of Task Manager and
// the registry editor.
enum class ToolsOutcome {
  kNotLocked,     // neither was set to anything but 0
  kGivenBack,     // each one set was set to 0
  kLeftLocked,    // set, and left: another user's lock-down, in a hive without the family
  kNotGivenBack,  // set, and not every one could be set to 0
};

// The tools are given back in the user's own hive, as the program's own
// registry commands give them back there; in any other user's hive only
// where the family's entries were found, since an administrator may have
// locked that user out on purpose (a kiosk or a lab account).
bool MayGiveToolsBack(HiveKind kind, const PlaceTally& tally);

// `locked` of the policies were set, `given_back` of them set to 0 now.
ToolsOutcome JudgeTools(unsigned locked, unsigned given_back, bool may_give_back);

// The summary's words: "own", "loaded", "profile"; "cleaned" (the family's
// entries were found and every one is gone), "nothing-found", "incomplete"
// (something could not be read or changed), "skipped"; "not-locked",
// "given-back", "left-locked", "not-given-back", and "-" for a skipped hive.
const char* KindName(HiveKind kind);
const char* DoneName(const PlaceTally& tally);
const char* ToolsName(ToolsOutcome tools);

// The summary's first line.
inline constexpr std::string_view kSummaryHeader = "fservice summary 1";

// A summary line for a user's hive, up to its note (which the caller adds,
// for a skipped hive why it was skipped):
//   hive<TAB><hive><TAB><kind><TAB><done><TAB><values changed><TAB><tools><TAB><note>
// The line begins with no "fservice: ".
void StartHiveSummary(ReportLine& line, WideView hive, HiveKind kind, const PlaceTally& tally,
                      ToolsOutcome tools);
void StartSkippedHiveSummary(ReportLine& line, WideView hive);

}  // namespace dizi::tools
