#include "app/usage_text.h"

#include "report/exit_code.h"

namespace dizi {

namespace {

constexpr char kSwitches[] =
    "Diri Tarvix 2.5 - command line\n"
    "\n"
    "DiziTarvix.exe\n"
    "    opens the window, as a double-click does.\n"
    "DiziTarvix.exe /silent [/noreboot] [/scanonly] [/report:...]\n"
    "    scans as the Scan button does, without a window, a message box or\n"
    "    a web page; saves the log file beside the program, keeps the report\n"
    "    and the log in %ProgramData%\\DiziTarvix\\Reports (the newest 100\n"
    "    runs) and ends with one of the exit codes below. After a restart it\n"
    "    asks for or needs, it scans once more, as /afterrestart.\n"
    "  /noreboot       does not restart Windows after a find; the exit\n"
    "                  code then says that a restart is needed.\n"
    "  /scanonly       finds and reports, and changes nothing: no process\n"
    "                  ended, no file kept or removed, no repair, no\n"
    "                  restart. Exit code 8 when something is found.\n"
    "  /report:<file>  also writes a report of the run to <file> (JSON,\n"
    "                  UTF-8), e.g. /report:\\\\server\\share\\%COMPUTERNAME%.json\n"
    "  /report:<folder>\\  also writes it as a new file\n"
    "                  <COMPUTERNAME>-<run id>.json in <folder>, which needs\n"
    "                  only the right to create files there.\n"
    "DiziTarvix.exe /afterrestart[:<run id>] [/silent] [/report:...]\n"
    "    the scan after a restart: scans as /silent does, removes again what\n"
    "    it finds but never restarts. Exit code 0 when nothing is found, 3\n"
    "    when Tarvix came back. Without /silent it ends with a box saying\n"
    "    what it found.\n"
    "DiziTarvix.exe /restore:all  or  /restore:<id>\n"
    "    puts every file back from the quarantine, or the one kept as\n"
    "    <id>, without a window; never over a file that is there. Exit\n"
    "    code 0 when each is back in place, 3 when one is not, 5 when no\n"
    "    item has that id (and 4 and 6 as below).\n"
    "DiziTarvix.exe /?  (or /help)\n"
    "    shows this text.\n"
    "\n"
    "Switches begin with / or - and may be written in any case.\n"
    "\n"
    "Exit codes:\n";

}  // namespace

std::string ExitCodeLine(int code, const char* meaning) {
  return "  " + std::to_string(code) + "  " + meaning;
}

std::string UsageText() {
  std::string text = kSwitches;
  for (const ExitCodeMeaning& entry : kExitCodeMeanings) {
    text += ExitCodeLine(entry.code, entry.meaning) + "\n";
  }
  return text;
}

}  // namespace dizi
