// The end-to-end tests' driver: finds the program's main window by its caption
// and reads and works it the way a user would, from outside the program. What
// cannot be read across processes under Wine (list box texts, tree items, menu
// states) is read by a hook DLL inside the program (see common/query_protocol.h).
//
//   driver.exe COMMAND [ARGUMENTS] [OPTIONS]   runs one command
//   driver.exe serve                           runs commands read from standard
//       input, one a line (words split at spaces, "double quotes" group); after
//       each command's report comes a line "END 0" (done) or "END 1" (failed).
#include <windows.h>

#include <string>
#include <vector>

#include "command.h"
#include "hook_client.h"

namespace {

void Write(DWORD stream, const std::string& text) {
  HANDLE handle = GetStdHandle(stream);
  DWORD written = 0;
  if (!text.empty()) {
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

std::string WithNewline(std::string text) {
  if (!text.empty() && text.back() != '\n') {
    text += '\n';
  }
  return text;
}

// Words of one line: separated by spaces, "double quotes" keep spaces.
std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool inWord = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) {
        words.push_back(word);
        word.clear();
        inWord = false;
      }
    } else if (c != '\r' && c != '\n') {
      word += c;
      inWord = true;
    }
  }
  if (inWord) {
    words.push_back(word);
  }
  return words;
}

bool ReadLine(std::string& line) {
  line.clear();
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  for (;;) {
    char c = 0;
    DWORD read = 0;
    if (!ReadFile(input, &c, 1, &read, nullptr) || read == 0) {
      return !line.empty();
    }
    if (c == '\n') {
      return true;
    }
    line += c;
  }
}

e2e::Outcome RunWords(const std::vector<std::string>& words, e2e::HookClient& hook) {
  e2e::Options options;
  std::string error;
  if (!e2e::ParseOptions(words, options, error)) {
    return {false, error};
  }
  return e2e::RunCommand(options, hook);
}

int Serve(e2e::HookClient& hook) {
  std::string line;
  while (ReadLine(line)) {
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty()) {
      continue;
    }
    const e2e::Outcome outcome = RunWords(words, hook);
    const std::string report = WithNewline(outcome.output);
    Write(STD_OUTPUT_HANDLE,
          (outcome.ok ? report : "error: " + report) + (outcome.ok ? "END 0\n" : "END 1\n"));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    Write(STD_ERROR_HANDLE,
          std::string("usage: driver.exe COMMAND [ARGUMENTS] [OPTIONS]\n") + e2e::CommandSummary());
    return 2;
  }
  e2e::HookClient hook;
  if (words.size() == 1 && words[0] == "serve") {
    return Serve(hook);
  }
  const e2e::Outcome outcome = RunWords(words, hook);
  if (!outcome.ok) {
    Write(STD_ERROR_HANDLE, "error: " + WithNewline(outcome.output));
    return 1;
  }
  Write(STD_OUTPUT_HANDLE, WithNewline(outcome.output));
  return 0;
}
