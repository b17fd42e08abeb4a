#include "app/usage_text.h"

#include "report/exit_code.h"

namespace dizi {

namespace {

constexpr char kSwitches[] =
    "Diri Tarvix 2.5 - command line\n"
    "\n"
    "DiziTarvix.exe\n"
    "    opens the window, as a double-click does.\n"
    "DiziTarvix.exe /silent [/noreboot] [/report:<file>]\n"
    "    scans as the Scan button does, without a window, a message box or\n"
    "    a web page; saves the log file beside the program and ends with\n"
    "    one of the exit codes below.\n"
    "  /noreboot       does not restart Windows after a find; the exit\n"
    "                  code then says that a restart is needed.\n"
    "  /report:<file>  also writes a report of the run to <file> (JSON,\n"
    "                  UTF-8), e.g. /report:\\\\server\\share\\%COMPUTERNAME%.json\n"
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
