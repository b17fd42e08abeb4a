// One driver command: its words, its options and what it reports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

class HookClient;

struct Options {
  std::vector<std::string> words;           // the command name and its arguments
  std::string caption = "Diri Tarvix 2.5";  // --caption: the main window's caption
  std::string image = "DiziTarvix.exe";     // --image: the program's executable name
  DWORD timeoutMs = 30000;                  // --timeout: how long any wait may take
  bool dismiss = false;                     // --dismiss: answer each message box with OK
  std::string until = "none";               // --until main|exit|none: when `boxes` ends
  std::string view;                         // --view 32|64: the registry view `reg-dump` reads
  std::string window;  // --window: another window of the program, by its caption
  std::string answer;  // --answer: the button each message box is answered with
};

struct Outcome {
  bool ok = true;
  std::string output;  // what the command reports; on failure, why it failed
};

// Splits the arguments of one command into words and options. False, with a
// message in `error`, for an unknown option or one without its value.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// Runs one command. The hook client lives as long as the driver, so that hooks
// installed for one command serve the next.
Outcome RunCommand(const Options& options, HookClient& hook);

// The commands, one line each, for the usage message.
const char* CommandSummary();

}  // namespace e2e
