#include "fservice/summary_output.h"

#include "fservice/hive_outcome.h"

namespace dizi::tools {

namespace {

constexpr char kReportStart[] = "fservice: ";

}  // namespace

SummaryOutput::SummaryOutput() : out_(GetStdHandle(STD_OUTPUT_HANDLE)) {
  ReportLine header(kSummaryHeader);
  Write(header);
}

void SummaryOutput::Failure(const char* report_text) {
  const std::string_view start(kReportStart);
  std::string_view text(report_text);
  if (text.size() >= start.size() && std::string_view(text.data(), start.size()) == start) {
    text.remove_prefix(start.size());
  }
  while (!text.empty() && text.back() == '\n') {
    text.remove_suffix(1);
  }
  ReportLine line("failed\t");
  Write(line.Add(text));
}

void SummaryOutput::Write(ReportLine& line) {
  Put(line.Finish());
}

void SummaryOutput::End(int exit_code) {
  ReportLine line("end\t");
  Write(line.AddNumber(static_cast<unsigned long>(exit_code)));
}

void SummaryOutput::Put(const char* text) {
  if (out_ == nullptr || out_ == INVALID_HANDLE_VALUE) {
    return;
  }
  const DWORD size = static_cast<DWORD>(lstrlenA(text));
  DWORD written = 0;
  if (!WriteFile(out_, text, size, &written, nullptr) || written != size) {
    out_ = nullptr;
  }
}

}  // namespace dizi::tools
