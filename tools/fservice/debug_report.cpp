#include "fservice/debug_report.h"

#include <windows.h>

namespace dizi::tools {

const char* Report(ReportLine& line) {
  const char* const text = line.Finish();
  OutputDebugStringA(text);
  return text;
}

}  // namespace dizi::tools
