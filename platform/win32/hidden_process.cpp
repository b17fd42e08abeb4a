#include "platform/win32/hidden_process.h"

#include <vector>

namespace dizi {

namespace {

// How often a running command's pipe is looked at.
constexpr DWORD kPollMs = 20;

// Moves whatever the pipe holds now into `output`, without waiting for more;
// bytes past kMostCommandOutput are read and dropped.
void Drain(HANDLE pipe, std::string& output) {
  char buffer[4096];
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) {
      return;
    }
    DWORD read = 0;
    const DWORD wanted = available < sizeof buffer ? available : sizeof buffer;
    if (!::ReadFile(pipe, buffer, wanted, &read, nullptr) || read == 0) {
      return;
    }
    const std::size_t room =
        output.size() < kMostCommandOutput ? kMostCommandOutput - output.size() : 0;
    output.append(buffer, read < room ? read : room);
  }
}

}  // namespace

ScopedHandle CreateHidden(const Command& command, HANDLE output) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  if (output != nullptr) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = output;
  }
  PROCESS_INFORMATION process{};
  // CreateProcessA may write into the command line, so it gets a copy.
  std::vector<char> commandLine(command.commandLine.begin(), command.commandLine.end());
  commandLine.push_back('\0');
  // Only the pipe is inheritable of the handles this program holds.
  if (!::CreateProcessA(command.application.c_str(), commandLine.data(), nullptr, nullptr,
                        output != nullptr, 0, nullptr, nullptr, &startup, &process)) {
    return ScopedHandle{};
  }
  const ScopedHandle threadHandle{process.hThread};
  return ScopedHandle{process.hProcess};
}

bool Waited(const ScopedHandle& process, DWORD milliseconds) {
  return ::WaitForSingleObject(process.Get(), milliseconds) == WAIT_OBJECT_0;
}

CommandRun RunForOutput(const Command& command, unsigned milliseconds, AtTimeLimit atLimit) {
  CommandRun run;
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
    return run;
  }
  const ScopedHandle reader{readEnd};
  ScopedHandle writer{writeEnd};
  // The program's own end stays here.
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  const ScopedHandle process = CreateHidden(command, writer.Get());
  // Only the child holds the write end from now on.
  writer.Reset();
  if (!process) {
    return run;
  }
  const DWORD started = ::GetTickCount();
  bool ended = false;
  for (;;) {
    Drain(reader.Get(), run.output);
    if (Waited(process, kPollMs)) {
      ended = true;
      break;
    }
    if (::GetTickCount() - started >= milliseconds) {
      break;
    }
  }
  if (!ended && atLimit == AtTimeLimit::End) {
    // The handle names exactly the process started here.
    ::TerminateProcess(process.Get(), 1);
    ended = Waited(process, milliseconds);
    run.result = ended ? RunResult::Ended : RunResult::StillRunning;
  } else {
    run.result = ended ? RunResult::Finished : RunResult::StillRunning;
  }
  // What it wrote before it ended; a process it started may hold the pipe
  // open still, so nothing waits for the pipe to close.
  Drain(reader.Get(), run.output);
  DWORD code = 0;
  if (run.result == RunResult::Finished && ::GetExitCodeProcess(process.Get(), &code)) {
    run.exitCode = code;
  }
  return run;
}

}  // namespace dizi
