// Stands in, inside the test prefix, for a program the cleaner may start: the
// system's task-kill, shutdown and registry tools, the shell's handlers for web
// addresses and text files, and planted look-alikes that must never run.
// Each copy appends one line to the journal C:\e2e\journal.txt:
//
//   <creation time, 100 ns units>\t<own full path>\t<whole command line>\r\n
//
// so that the tests know exactly what was started, by which file, in which
// order. A copy with a file "<own name>.real.exe" then runs that file with the
// same arguments, handing it the recorder's standard handles, and returns its
// exit code (used to record the shipped kill tool and repair program while
// they still do their work).
//
// A copy with a file "<own name>.probe", holding registry keys under
// HKEY_USERS (one a line, "HKU\..."), looks at them when it is done (after
// the real program, if any) and appends what it sees to "<own name>.probe.txt"
// beside itself: "<key>\t<value name>\t<type>\t<data in hex>" for each value,
// or "<key>\tmissing": what a hive held while the program under test had it
// loaded.
//
// A copy with a file "<own name>.linger" first waits, as a slow tool would,
// before it writes its line: the file holds the milliseconds, and optionally,
// after a space, the only arguments for which to wait (for example
// "2500 -a").
//
// A copy with a file "<own name>.copy" copies files when it is called, before
// it writes its line, as a snapshot of what they held at that moment: the
// file's first line holds the only arguments' beginning for which to copy
// (for example "-r"), and every further line "<from>\t<to>": a file copied to
// the file <to>, or a folder whose files are copied into the folder <to>
// (made when missing).
//
// Each of those files is looked for beside the copy and, when it is not
// there, in C:\e2e\companions: the program under test starts its companions
// from copies it makes itself in a folder of its own, where the tests put
// nothing.
#include <windows.h>

#include <string>

#include "platform/win32/scoped_handle.h"

namespace {

constexpr char kJournal[] = "C:\\e2e\\journal.txt";
constexpr char kSettingsFolder[] = "C:\\e2e\\companions\\";

std::string CreationTime() {
  FILETIME creation, exit, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  return std::to_string(ticks);
}

// Appends under an exclusive open, retried, so that lines of programs started
// at the same moment never interleave.
void AppendToJournal(const std::string& line) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const dizi::ScopedFileHandle journal(CreateFileA(kJournal, FILE_APPEND_DATA, 0, nullptr,
                                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (journal) {
      SetFilePointer(journal.Get(), 0, nullptr, FILE_END);
      DWORD written = 0;
      WriteFile(journal.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      return;
    }
    Sleep(10);
  }
}

// The command line after the program's own name, spaces included.
std::string Arguments(const std::string& commandLine) {
  std::size_t end = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    end = commandLine.find('"', 1);
    end = end == std::string::npos ? commandLine.size() : end + 1;
  } else {
    end = commandLine.find_first_of(" \t");
    end = end == std::string::npos ? commandLine.size() : end;
  }
  return commandLine.substr(end);
}

// The text of a small file, up to 4 KB; empty when it cannot be read.
std::string SmallFile(const std::string& path) {
  const dizi::ScopedFileHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char text[4096] = {};
  DWORD read = 0;
  if (!file || !ReadFile(file.Get(), text, sizeof text - 1, &read, nullptr)) {
    return {};
  }
  return std::string(text, read);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file "<stem><suffix>" for the copy whose path without its extension is
// `stem`: beside it, or else in the settings folder; empty when neither is.
std::string Setting(const std::string& stem, const char* suffix) {
  const std::string beside = stem + suffix;
  if (Exists(beside)) {
    return beside;
  }
  const std::string kept = kSettingsFolder + stem.substr(stem.find_last_of('\\') + 1) + suffix;
  return Exists(kept) ? kept : std::string();
}

// Waits as "<stem>.linger" asks, if there is one.
void Linger(const std::string& stem, const std::string& arguments) {
  const std::string file = Setting(stem, ".linger");
  const std::string setting = file.empty() ? std::string() : SmallFile(file);
  const std::size_t space = setting.find(' ');
  const std::string only = space == std::string::npos ? "" : setting.substr(space + 1);
  const std::size_t first = arguments.find_first_not_of(' ');
  const std::string given = first == std::string::npos ? "" : arguments.substr(first);
  if (!setting.empty() && (only.empty() || only == given)) {
    Sleep(static_cast<DWORD>(std::stoul(setting)));
  }
}

// Copies the file or the folder's files at `from` to `to`.
void CopyNow(const std::string& from, const std::string& to) {
  const DWORD attributes = GetFileAttributesA(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    CopyFileA(from.c_str(), to.c_str(), FALSE);
    return;
  }
  CreateDirectoryA(to.c_str(), nullptr);
  WIN32_FIND_DATAA found = {};
  const dizi::ScopedFind search(FindFirstFileA((from + "\\*").c_str(), &found));
  if (!search) {
    return;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      CopyFileA((from + "\\" + found.cFileName).c_str(), (to + "\\" + found.cFileName).c_str(),
                FALSE);
    }
  } while (FindNextFileA(search.Get(), &found));
}

// Takes the snapshot "<stem>.copy" asks for, if there is one.
void CopyAsAsked(const std::string& stem, const std::string& arguments) {
  const std::string file = Setting(stem, ".copy");
  const std::string setting = file.empty() ? std::string() : SmallFile(file);
  std::size_t end = setting.find("\r\n");
  if (end == std::string::npos) {
    return;
  }
  const std::string only = setting.substr(0, end);
  const std::size_t first = arguments.find_first_not_of(' ');
  const std::string given = first == std::string::npos ? "" : arguments.substr(first);
  if (given.compare(0, only.size(), only) != 0) {
    return;
  }
  for (std::size_t start = end + 2; start < setting.size(); start = end + 2) {
    end = setting.find("\r\n", start);
    if (end == std::string::npos) {
      end = setting.size();
    }
    const std::string line = setting.substr(start, end - start);
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) {
      CopyNow(line.substr(0, tab), line.substr(tab + 1));
    }
  }
}

DWORD RunReal(const std::string& real, const std::string& commandLine) {
  std::string line = "\"" + real + "\"" + Arguments(commandLine);
  // The real program writes where the recorder would: the starter's pipe.
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  // What the real program writes goes where the recorder's own output would:
  // to the pipe of a program that reads it (the scan reads the kill tool's).
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output != nullptr && output != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(real.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    return 255;
  }
  const dizi::ScopedHandle process(info.hProcess);
  const dizi::ScopedHandle thread(info.hThread);
  WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 255;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

// Appends what the keys named in "<stem>.probe" hold to "<stem>.probe.txt".
void Probe(const std::string& stem) {
  const std::string keys = SmallFile(stem + ".probe");
  std::string seen;
  for (std::size_t start = 0; start < keys.size();) {
    std::size_t end = keys.find_first_of("\r\n", start);
    end = end == std::string::npos ? keys.size() : end;
    const std::string key = keys.substr(start, end - start);
    start = end + 1;
    if (key.rfind("HKU\\", 0) != 0) {
      continue;
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_USERS, key.substr(4).c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS) {
      seen += key + "\tmissing\r\n";
      continue;
    }
    const dizi::ScopedRegistryKey held(opened);
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD name_length = sizeof name;
      BYTE data[1024];
      DWORD size = sizeof data;
      DWORD type = 0;
      if (RegEnumValueA(held.Get(), i, name, &name_length, nullptr, &type, data, &size) !=
          ERROR_SUCCESS) {
        break;
      }
      std::string hex;
      for (DWORD b = 0; b < size; ++b) {
        static constexpr char kDigits[] = "0123456789abcdef";
        hex += kDigits[data[b] >> 4];
        hex += kDigits[data[b] & 0xF];
      }
      seen += key + "\t" + std::string(name, name_length) + "\t" + std::to_string(type) + "\t" +
              hex + "\r\n";
    }
  }
  const dizi::ScopedFileHandle out(CreateFileA((stem + ".probe.txt").c_str(), FILE_APPEND_DATA, 0,
                                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                               nullptr));
  DWORD written = 0;
  if (out) {
    WriteFile(out.Get(), seen.data(), static_cast<DWORD>(seen.size()), &written, nullptr);
  }
}

}  // namespace

int main() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string self = path;
  const std::string commandLine = GetCommandLineA();
  const std::string stem = self.substr(0, self.find_last_of('.'));
  Linger(stem, Arguments(commandLine));
  CopyAsAsked(stem, Arguments(commandLine));
  AppendToJournal(CreationTime() + "\t" + self + "\t" + commandLine + "\r\n");

  const std::string real = Setting(stem, ".real.exe");
  int code = 0;
  if (!real.empty()) {
    code = static_cast<int>(RunReal(real, commandLine));
  }
  if (GetFileAttributesA((stem + ".probe").c_str()) != INVALID_FILE_ATTRIBUTES) {
    Probe(stem);
  }
  return code;
}
