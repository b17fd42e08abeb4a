#include "fservice/debug_report.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace dizi::tools {

void Report(const char* format, ...) {
  char line[1024] = "fservice: ";
  const size_t start = strlen(line);
  va_list arguments;
  va_start(arguments, format);
  // Keeps room for the line break and the null; a longer line is cut.
  vsnprintf(line + start, sizeof line - start - 1, format, arguments);
  va_end(arguments);
  line[sizeof line - 2] = '\0';
  strcat(line, "\n");
  OutputDebugStringA(line);
}

}  // namespace dizi::tools
