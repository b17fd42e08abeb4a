#include "report/run_report.h"

#include <cstdlib>

#include "platform/file_in_one_step.h"
#include "platform/json_writer.h"
#include "report/exit_code.h"
#include "report/run_record.h"

namespace dizi {

namespace {

constexpr char kProgramVersion[] = "2.5";

const char* KindName(TargetKind kind) {
  return kind == TargetKind::Server ? "server" : "downloader";
}

const char* OutcomeName(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Deleted:
      return "deleted";
    case FileOutcome::DeletedAtRestart:
      return "deleted_at_restart";
    case FileOutcome::DeleteByHand:
      break;
  }
  return "delete_by_hand";
}

// The folder a file is made in beside `path`: a drive's root keeps its
// backslash ("C:\"), since "C:" alone names the drive's current folder.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) {
    return {};
  }
  std::string folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == ':') {
    folder += '\\';
  }
  return folder;
}

}  // namespace

std::string ReportText(const RunRecord& record, Platform& platform) {
  const auto utf8 = [&](const std::string& ansi) { return platform.AnsiToUtf8(ansi); };
  JsonWriter json;
  json.BeginObject();
  json.Field("program", "DiziTarvix").Field("version", kProgramVersion);
  json.Field("computer", record.computer).Field("user", record.user);
  json.Field("started", IsoTime(record.started)).Field("finished", IsoTime(record.finished));
  json.Field("exit_code", ExitCodeFor(record));
  json.Field("result", VerdictName(VerdictOf(record)));
  json.Key("found").BeginArray();
  for (const FoundFile& file : record.scan.found) {
    json.BeginObject();
    json.Field("path", utf8(file.path)).Field("kind", KindName(file.kind));
    json.Field("outcome", OutcomeName(file.outcome));
    // What the quarantine kept of it: null where it kept nothing.
    json.Key("sha256");
    file.sha256.empty() ? json.Null() : json.String(file.sha256);
    json.Key("quarantine");
    file.quarantineId.empty() ? json.Null() : json.String(file.quarantineId);
    json.EndObject();
  }
  json.EndArray();
  json.Key("repairs").BeginArray();
  for (const RepairStep& step : record.scan.repairs) {
    json.BeginObject().Field("step", step.step).Field("ok", step.ok).EndObject();
  }
  json.EndArray();
  json.Key("user_hives").BeginArray();
  for (const UserHiveRepair& hive : record.scan.userHives) {
    json.BeginObject().Field("hive", utf8(hive.hive)).Field("kind", HiveKindName(hive.kind));
    json.Field("done", HiveDoneName(hive.done));
    json.Field("values_changed", static_cast<long long>(hive.valuesChanged));
    json.Field("tools_given_back", hive.tools == ToolsState::GivenBack);
    json.Field("tools", ToolsStateName(hive.tools));
    json.Key("reason");
    hive.note.empty() ? json.Null() : json.String(utf8(hive.note));
    json.EndObject();
  }
  json.EndArray();
  json.Field("restart_scheduled", record.scan.restartRequested);
  json.Key("log_file");
  if (record.logSaved) {
    json.String(utf8(record.logFile));
  } else {
    json.Null();
  }
  json.Key("errors").BeginArray();
  for (const std::string& error : record.errors) {
    json.String(utf8(error));
  }
  for (const std::string& why : record.scan.repairUnfinished) {
    json.String(utf8("The repair did not finish: " + why));
  }
  json.EndArray();
  json.EndObject();
  return json.Text() + "\r\n";
}

Outcome WriteReport(Platform& platform, const std::string& path, const std::string& text) {
  const std::string folder = FolderOf(path);
  if (folder.empty() || path.back() == '\\') {
    return {false, "it names no file"};
  }
  if (platform.FileExists(path)) {
    const std::string start(kReportStart);
    if (platform.ReadFileStart(path, start.size()) != start) {
      return {false, "a file is there that is not a report of this program; it is left as it is"};
    }
  }
  return ReplaceInOneStep(platform, folder, path, text);
}

}  // namespace dizi
