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
    case FileOutcome::Found:
      return "found";
    case FileOutcome::DeleteByHand:
      break;
  }
  return "delete_by_hand";
}

// What was arranged for after the restart; null for nothing.
const char* FollowUpName(FollowUp followUp) {
  switch (followUp) {
    case FollowUp::StartupTask:
      return "startup_task";
    case FollowUp::RunOnce:
      return "run_once";
    case FollowUp::Failed:
      return "failed";
    case FollowUp::None:
      break;
  }
  return nullptr;
}

// A text, or null when it is empty.
void TextOrNull(JsonWriter& json, const std::string& utf8) {
  utf8.empty() ? json.Null() : json.String(utf8);
}

bool FitsAFileName(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.';
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
  json.Field("run_id", record.runId);
  json.Field("computer", record.computer).Field("user", record.user);
  json.Key("windows").BeginObject();
  json.Field("version",
             std::to_string(record.windows.major) + "." + std::to_string(record.windows.minor));
  json.Key("build").Unsigned(record.windows.build);
  json.Field("64_bit", record.windows64);
  json.EndObject();
  json.Key("switches").BeginArray();
  for (const std::string& given : record.switches) {
    json.String(utf8(given));
  }
  json.EndArray();
  json.Field("started", IsoTime(record.started)).Field("finished", IsoTime(record.finished));
  json.Field("exit_code", ExitCodeFor(record));
  json.Field("result", VerdictName(VerdictOf(record)));
  json.Field("after_restart", record.afterRestart);
  json.Key("follows");
  TextOrNull(json, record.follows);
  json.Key("found").BeginArray();
  for (const FoundFile& file : record.scan.found) {
    json.BeginObject();
    // The path as the program names it; where it really lies beside it.
    json.Field("path", utf8(file.path));
    json.Field("real_path", utf8(file.realPath.empty() ? file.path : file.realPath));
    json.Field("kind", KindName(file.kind));
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
  // As asked for before its command is started: a command that then cannot
  // start has the report written again.
  json.Field("restart_scheduled", record.scan.RestartScheduled());
  json.Key("follow_up");
  if (const char* followUp = FollowUpName(record.scan.followUp)) {
    json.String(followUp);
  } else {
    json.Null();
  }
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

std::string ReportFileStem(Platform& platform, const RunRecord& record) {
  std::string computer = platform.Utf8ToAnsi(record.computer).value_or(std::string());
  for (char& c : computer) {
    if (!FitsAFileName(c)) {
      c = '_';
    }
  }
  return (computer.empty() ? std::string("PC") : computer) + "-" + record.runId;
}

Outcome WriteNewFile(Platform& platform, const std::string& path, std::string_view text) {
  std::string reason;
  bool exists = false;
  std::unique_ptr<OutputFile> file = platform.CreateNewFile(path, reason, exists);
  if (!file) {
    return {false, exists ? "a file of that name is there already" : reason};
  }
  const bool written = file->Write(text);
  const bool closed = file->Close();
  if (written && closed) {
    return {true, {}};
  }
  reason = file->FailureReason();
  // Where the folder lets the program delete what it made.
  platform.Delete(path);
  return {false, reason};
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
