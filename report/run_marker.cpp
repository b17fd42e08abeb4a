#include "report/run_marker.h"

#include "report/run_record.h"

namespace dizi {

namespace {

constexpr char kMarkerVersion[] = "2.5";
// Information, warning and error entries.
constexpr std::uint32_t kTypesSupported = 7;

// A sentence on what kind of run it was, for the event's text.
std::string KindOfRun(const RunRecord& record) {
  if (record.scanOnly) {
    return "It only looked, and changed nothing.";
  }
  if (record.afterRestart) {
    return record.follows.empty() ? std::string("It checked the computer after a restart.")
                                  : "It checked the computer after the restart that run " +
                                        record.follows + " asked for.";
  }
  return record.scan.RestartScheduled() ? "The computer restarts in 10 seconds." : "";
}

}  // namespace

unsigned EventIdOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::Clean:
      return 1000;
    case Verdict::Removed:
      return 1001;
    case Verdict::RestartNeeded:
      return 1002;
    case Verdict::Incomplete:
      return 1003;
    case Verdict::CannotRun:
      return 1004;
    case Verdict::Returned:
      return 1005;
    case Verdict::Found:
      break;
  }
  return 1008;
}

EventKind EventKindOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::Clean:
    case Verdict::Removed:
      return EventKind::Information;
    case Verdict::RestartNeeded:
    case Verdict::Found:
      return EventKind::Warning;
    case Verdict::Incomplete:
    case Verdict::CannotRun:
    case Verdict::Returned:
      break;
  }
  return EventKind::Error;
}

Outcome WriteMarker(Platform& platform, const RunRecord& record) {
  const std::pair<const char*, RegistryValue> values[] = {
      {"Version", RegistryValue::Text(kMarkerVersion)},
      {"LastRunUtc", RegistryValue::Text(IsoTime(UtcOf(record.started)))},
      {"LastResult", RegistryValue::Text(VerdictName(VerdictOf(record)))},
      {"LastExitCode", RegistryValue::Number(static_cast<std::uint32_t>(ExitCodeFor(record)))},
      {"LastRunId", RegistryValue::Text(record.runId)},
  };
  for (const auto& [name, value] : values) {
    const Outcome written =
        platform.SetRegistryValue(RegistryRoot::LocalMachine, kMarkerKey, name, value);
    if (!written) {
      return {false, std::string(name) + ": " + written.reason};
    }
  }
  return {true, {}};
}

Outcome WriteRunEvent(Platform& platform, const RunRecord& record, const std::string& messageFile,
                      const std::string& reportPath) {
  if (!messageFile.empty()) {
    // Without the registration the entry is still written: the event viewer
    // then shows its texts without the message around them.
    platform.SetRegistryValue(RegistryRoot::LocalMachine, kEventSourceKey, "EventMessageFile",
                              RegistryValue::ExpandableText(messageFile));
    platform.SetRegistryValue(RegistryRoot::LocalMachine, kEventSourceKey, "TypesSupported",
                              RegistryValue::Number(kTypesSupported));
  }
  const Verdict verdict = VerdictOf(record);
  return platform.WriteEvent(
      kEventSource, EventKindOf(verdict), EventIdOf(verdict),
      {record.runId, std::to_string(ExitCodeFor(record)),
       reportPath.empty() ? std::string("not kept") : reportPath, KindOfRun(record)});
}

}  // namespace dizi
