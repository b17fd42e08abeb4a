#include "fservice/debug_report.h"

#include <windows.h>

namespace dizi::tools {

void Report(ReportLine& line) {
  OutputDebugStringA(line.Finish());
}

}  // namespace dizi::tools
