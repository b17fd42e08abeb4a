#include "fservice/hive_outcome.h"

namespace dizi::tools {

namespace {

void StartLine(ReportLine& line, WideView hive, const char* kind, const char* done,
               unsigned changed, const char* tools) {
  line.Add("hive\t").Add(hive).Add("\t").Add(kind).Add("\t").Add(done).Add("\t");
  line.AddNumber(changed).Add("\t").Add(tools).Add("\t");
}

}  // namespace

bool MayGiveToolsBack(HiveKind kind, const PlaceTally& tally) {
  return kind == HiveKind::kOwn || tally.family > 0;
}

ToolsOutcome JudgeTools(unsigned locked, unsigned given_back, bool may_give_back) {
  if (locked == 0) {
    return ToolsOutcome::kNotLocked;
  }
  if (!may_give_back) {
    return ToolsOutcome::kLeftLocked;
  }
  return given_back >= locked ? ToolsOutcome::kGivenBack : ToolsOutcome::kNotGivenBack;
}

const char* KindName(HiveKind kind) {
  switch (kind) {
    case HiveKind::kOwn:
      return "own";
    case HiveKind::kLoaded:
      return "loaded";
    case HiveKind::kProfile:
      break;
  }
  return "profile";
}

const char* DoneName(const PlaceTally& tally) {
  if (tally.failed > 0) {
    return "incomplete";
  }
  return tally.family > 0 ? "cleaned" : "nothing-found";
}

const char* ToolsName(ToolsOutcome tools) {
  switch (tools) {
    case ToolsOutcome::kNotLocked:
      return "not-locked";
    case ToolsOutcome::kGivenBack:
      return "given-back";
    case ToolsOutcome::kLeftLocked:
      return "left-locked";
    case ToolsOutcome::kNotGivenBack:
      break;
  }
  return "not-given-back";
}

void StartHiveSummary(ReportLine& line, WideView hive, HiveKind kind, const PlaceTally& tally,
                      ToolsOutcome tools) {
  StartLine(line, hive, KindName(kind), DoneName(tally), tally.changed, ToolsName(tools));
}

void StartSkippedHiveSummary(ReportLine& line, WideView hive) {
  StartLine(line, hive, KindName(HiveKind::kProfile), "skipped", 0, "-");
}

}  // namespace dizi::tools
