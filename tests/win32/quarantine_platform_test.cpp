// The platform's operations for the quarantine on a real (Wine) system, and a
// file kept and restored through them.
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <optional>
#include <string>
#include <vector>

#include "check.h"
#include "platform/win32/win32_platform.h"
#include "quarantine/keep.h"
#include "quarantine/restore.h"
#include "scratch_folder.h"

namespace dizi {
namespace {

// The folder's access rules as security descriptor text; empty when unreadable.
std::string AccessRules(const std::string& path) {
  DWORD size = 0;
  ::GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
  std::string descriptor(size, '\0');
  char* text = nullptr;
  if (size == 0 ||
      !::GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size,
                          &size) ||
      !::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return {};
  }
  std::string rules(text);
  ::LocalFree(text);
  return rules;
}

// Wine's ntdll names its version; Windows' has no such function.
bool RunsUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  }
  return bytes;
}

TEST_CASE(AProtectedFolderIsMadeNewAndLetsNobodyElseIn) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string protectedFolder = folder / "DiziTarvix";
  const Outcome made = platform.MakeProtectedFolder(protectedFolder);
  CHECK_EQ(made.reason, std::string());
  CHECK(made.ok);
  const std::string rules = AccessRules(protectedFolder);
  // Windows reads back "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"; Wine keeps no
  // access rules of its own but turns them into the Unix folder's mode, which
  // it reads back as the system and the owner alone.
  CHECK(rules.find("FA;;;SY)") != std::string::npos);
  for (const char* everybody : {";;;WD)", ";;;BU)", ";;;AU)", ";;;BG)"}) {
    CHECK_EQ(rules.find(everybody), std::string::npos);
  }
  WriteText(protectedFolder + "\\item", "usable");
  CHECK_EQ(ReadText(protectedFolder + "\\item"), std::string("usable"));
  // Only ever made new: an existing folder or file is never taken over.
  CHECK(!platform.MakeProtectedFolder(protectedFolder).ok);
  WriteText(folder / "file", "");
  CHECK(!platform.MakeProtectedFolder(folder / "file").ok);
  CHECK(!platform.MakeProtectedFolder(folder / "missing\\below").ok);
}

TEST_CASE(AHeldFolderIsWhatWasLookedAtUntilItIsReleased) {
  Win32Platform platform;
  ScratchFolder folder;
  CHECK(platform.HoldFolder(folder / "missing").kind == FolderLook::Kind::Missing);
  WriteText(folder / "file", "");
  CHECK(platform.HoldFolder(folder / "file").kind == FolderLook::Kind::NotAFolder);

  const std::string mine = folder / "mine";
  CHECK(platform.MakeProtectedFolder(mine).ok);
  FolderLook look = platform.HoldFolder(mine);
  CHECK(look.kind == FolderLook::Kind::Folder);
  CHECK(!look.reparsePoint);
  CHECK(!look.owner.empty());
  CHECK(!look.entries.empty());
  // Nobody but the system and the owner may change it: the rules trust it
  // with the owner of the folder it lies in.
  const FolderLook parent = platform.HoldFolder(folder.Path());
  std::vector<FolderAce> aces;
  for (const AccessEntry& entry : look.entries) {
    aces.push_back({entry.grants, entry.mask, entry.sid.c_str()});
  }
  FolderFacts facts;
  facts.owner = look.owner.c_str();
  facts.aces = aces.data();
  facts.aceCount = aces.size();
  CHECK(JudgeFolder(facts, parent.owner.c_str()).trust == FolderTrust::Trusted);

  // Held: on Windows it cannot be renamed away, by this program or another.
  // Wine does not keep others from renaming a folder that is held open (its
  // sharing rules cover files only), so there the engine's tests on the fake
  // show what holding guards against.
  if (!RunsUnderWine()) {
    CHECK(!platform.RenameAside(mine, folder / "elsewhere").ok);
    CHECK(!::MoveFileA(mine.c_str(), (folder / "elsewhere").c_str()));
  }
  look.held.reset();
  CHECK(platform.RenameAside(mine, folder / "elsewhere").ok);
  // Never over something that is there.
  CHECK(platform.MakeProtectedFolder(mine).ok);
  CHECK(!platform.RenameAside(mine, folder / "elsewhere").ok);
  CHECK(platform.HoldFolder(mine).kind == FolderLook::Kind::Folder);
}

TEST_CASE(AFolderEveryoneMayChangeIsSeenAsSuch) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string open = folder / "open";
  CHECK(::CreateDirectoryA(open.c_str(), nullptr));
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  CHECK(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;OICI;FA;;;SY)(A;OICI;0x1301ff;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  CHECK(::SetFileSecurityA(open.c_str(), DACL_SECURITY_INFORMATION, descriptor));
  ::LocalFree(descriptor);
  const FolderLook look = platform.HoldFolder(open);
  bool everyoneMayChange = false;
  for (const AccessEntry& entry : look.entries) {
    everyoneMayChange = everyoneMayChange || (entry.grants && entry.sid == "S-1-1-0" &&
                                              (entry.mask & kChangingRights) != 0);
  }
  CHECK(everyoneMayChange);
}

TEST_CASE(AFileOpenedAloneKeepsEveryOtherOpenerOutAndGoesWithIt) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string lock = folder / "run.lock";
  ExclusiveOpen first = platform.OpenExclusive(lock);
  CHECK(first.file != nullptr);
  const ExclusiveOpen second = platform.OpenExclusive(lock);
  CHECK(second.file == nullptr);
  CHECK(second.inUse);
  first.file.reset();
  CHECK(::GetFileAttributesA(lock.c_str()) == INVALID_FILE_ATTRIBUTES);
  const ExclusiveOpen again = platform.OpenExclusive(lock);
  CHECK(again.file != nullptr);
  const ExclusiveOpen nowhere = platform.OpenExclusive(folder / "missing\\run.lock");
  CHECK(nowhere.file == nullptr);
  CHECK(!nowhere.inUse);
}

TEST_CASE(NewFilesAreOnlyEverCreatedAndFilesAreReadWhole) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "there", "someone's");
  std::string reason;
  bool exists = false;
  CHECK(platform.CreateNewFile(folder / "there", reason, exists) == nullptr);
  CHECK(exists);
  CHECK_EQ(ReadText(folder / "there"), std::string("someone's"));
  CHECK(platform.CreateNewFile(folder / "missing\\new", reason, exists) == nullptr);
  CHECK(!exists);
  CHECK(reason.find("(error 3)") != std::string::npos);  // the system's words, its number

  const std::string bytes = Bytes(300001);
  std::unique_ptr<OutputFile> file = platform.CreateNewFile(folder / "new", reason, exists);
  CHECK(file != nullptr);
  CHECK(file && file->Write(bytes) && file->Close());
  const std::unique_ptr<InputFile> input = platform.OpenToRead(folder / "new", reason);
  std::string read;
  std::string chunk;
  while (input && input->Read(65536, chunk, reason) && !chunk.empty()) {
    read += chunk;
  }
  CHECK(read == bytes);
  CHECK(platform.OpenToRead(folder / "absent", reason) == nullptr);
  CHECK(reason.find("(error 2)") != std::string::npos);
}

TEST_CASE(AppendingAddsToTheEndAndListingNamesFilesOnly) {
  Win32Platform platform;
  ScratchFolder folder;
  CHECK(platform.AppendToFile(folder / "log", "one\n").ok);
  CHECK(platform.AppendToFile(folder / "log", "two\n").ok);
  CHECK_EQ(ReadText(folder / "log"), std::string("one\ntwo\n"));
  CHECK(!platform.AppendToFile(folder / "missing\\log", "x").ok);
  ::CreateDirectoryA((folder / "sub").c_str(), nullptr);
  const std::vector<std::string> names = platform.ListFiles(folder.Path());
  CHECK_EQ(names.size(), std::size_t{1});
  CHECK(!names.empty() && names[0] == "log");
}

TEST_CASE(AWaitedCommandGivesItsExitCodeAndWhatItWrote) {
  Win32Platform platform;
  const std::string cmd = platform.SystemDirectory() + "\\cmd.exe";
  const CommandRun run = platform.RunHiddenForOutput(
      {cmd, "\"" + cmd + "\" /c echo one&echo two 1>&2&exit 3"}, 30000, AtTimeLimit::End);
  CHECK(run.result == RunResult::Finished);
  CHECK_EQ(run.exitCode, 3ul);
  CHECK(run.output.find("one") != std::string::npos);
  CHECK(run.output.find("two") != std::string::npos);
  CHECK(run.output.find("one") < run.output.find("two"));
  const CommandRun missing = platform.RunHiddenForOutput(
      {cmd + ".missing", "\"" + cmd + ".missing\""}, 1000, AtTimeLimit::End);
  CHECK(missing.result == RunResult::NotStarted);
}

TEST_CASE(ACommandThatWritesMoreThanAPipeHoldsIsNotStuck) {
  Win32Platform platform;
  const std::string self = platform.ModulePath();
  const CommandRun run =
      platform.RunHiddenForOutput({self, "\"" + self + "\" --say-much"}, 60000, AtTimeLimit::End);
  CHECK(run.result == RunResult::Finished);
  CHECK(run.output.size() >= 2000u * 60u);
  CHECK(run.output.find(std::string(54, '0') + "1999") != std::string::npos);
}

TEST_CASE(ACommandStillRunningAtTheLimitIsEndedOrLeft) {
  Win32Platform platform;
  const std::string self = platform.ModulePath();
  const Command waiting{self, "\"" + self + "\" --say-and-linger"};
  const CommandRun ended = platform.RunHiddenForOutput(waiting, 1500, AtTimeLimit::End);
  CHECK(ended.result == RunResult::Ended);
  CHECK(ended.output.find("started") != std::string::npos);
}

TEST_CASE(TextGoesToUtf8AndBackWhereTheCodePageHasIt) {
  Win32Platform platform;
  CHECK_EQ(platform.AnsiToUtf8("C:\\Tools\\a.exe"), std::string("C:\\Tools\\a.exe"));
  CHECK(platform.Utf8ToAnsi("C:\\Tools\\a.exe") == std::optional<std::string>("C:\\Tools\\a.exe"));
  if (::GetACP() != CP_UTF8) {
    // U+4E2D is in no single-byte code page.
    CHECK(!platform.Utf8ToAnsi("C:\\\xE4\xB8\xAD.exe"));
  }
  CHECK(!platform.Utf8ToAnsi("\xC3"));  // not UTF-8 at all
  const UtcTime now = UtcOf(platform.Now());
  CHECK(now.year >= 2024 && now.month >= 1 && now.month <= 12 && now.day >= 1);
}

TEST_CASE(AFileIsKeptInTheCommonApplicationDataAndRestoredByteForByte) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string path = folder / "krt32.exe";
  const std::string bytes = Bytes(1 << 20);
  WriteText(path, bytes);
  const KeptFile kept = KeepFile(platform, path, "server");
  CHECK_EQ(kept.reason, std::string());
  CHECK(::DeleteFileA(path.c_str()));
  const RestoreOutcome restored = RestoreItemById(platform, kept.id, ExistingFile::Keep);
  CHECK(restored.status == RestoreStatus::Restored);
  CHECK(restored.verified);
  CHECK(ReadText(path) == bytes);
  // Its very bytes there: in place already.
  CHECK(RestoreItemById(platform, kept.id, ExistingFile::Keep).status == RestoreStatus::InPlace);
  WriteText(path, "another file");
  CHECK(RestoreItemById(platform, kept.id, ExistingFile::Keep).status ==
        RestoreStatus::TargetExists);
  CHECK(platform.CommonAppDataDirectory().size() > 3);
}

// --- The list of what to do at the next restart --------------------------

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

// A name in UTF-16 LE with its null.
std::string Name(const std::string& ascii) {
  std::string bytes;
  for (const char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes + std::string(2, '\0');
}

// The value's data, and its type in `type`; nothing when there is no value.
std::optional<std::string> PendingRenames(DWORD& type) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  const ScopedRegistryKey held{key};
  DWORD size = 0;
  if (::RegQueryValueExW(key, kPendingRenames, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string data(size, '\0');
  if (::RegQueryValueExW(key, kPendingRenames, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return data;
}

std::optional<std::string> PendingRenames() {
  DWORD type = 0;
  return PendingRenames(type);
}

void SetPendingRenames(const std::string& data) {
  HKEY key = nullptr;
  ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key);
  const ScopedRegistryKey held{key};
  ::RegSetValueExW(key, kPendingRenames, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
}

void ClearPendingRenames() {
  HKEY key = nullptr;
  ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key);
  const ScopedRegistryKey held{key};
  ::RegDeleteValueW(key, kPendingRenames);
}

TEST_CASE(ARestoredFilesPendingDeletionsAreWithdrawnAndNothingElse) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string path = folder / "held.exe";
  WriteText(path, "MZ");
  std::string lower = path;
  for (char& c : lower) {
    c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  }
  const std::string others = Name("\\??\\C:\\setup.tmp") + Name("") + Name("\\??\\C:\\old.dll") +
                             Name("\\??\\C:\\new.dll") + Name("\\??\\" + path) +
                             Name("\\??\\C:\\moved.exe");
  SetPendingRenames(Name("\\??\\" + path) + Name("") + others + Name(lower) + Name("") + Name("") +
                    "\x41");
  const Outcome cancelled = platform.CancelDeleteAtRestart(path);
  CHECK_EQ(cancelled.reason, std::string());
  DWORD type = 0;
  CHECK(PendingRenames(type) == others + Name("") + "\x41");
  CHECK_EQ(type, DWORD{REG_MULTI_SZ});

  // The system's own registration, and withdrawing it.
  SetPendingRenames(others + Name(""));
  CHECK(platform.DeleteAtRestart(path));
  CHECK(PendingRenames() != others + Name(""));
  CHECK(platform.CancelDeleteAtRestart(path).ok);
  CHECK(PendingRenames() == others + Name(""));

  // Nothing left to do: no list at all. No list: nothing to withdraw.
  SetPendingRenames(Name("\\??\\" + path) + Name("") + Name(""));
  CHECK(platform.CancelDeleteAtRestart(path).ok);
  CHECK(!PendingRenames());
  CHECK(platform.CancelDeleteAtRestart(path).ok);
  CHECK(Exists(path));
}

TEST_CASE(AHeldFileKeptAndRestoredInPlaceIsNoLongerDeletedAtRestart) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string path = folder / "winkey.dll";
  WriteText(path, "held open");
  const KeptFile kept = KeepFile(platform, path, "server");
  ClearPendingRenames();
  CHECK(platform.DeleteAtRestart(path));
  CHECK(PendingRenames().has_value());
  CHECK(RestoreItemById(platform, kept.id, ExistingFile::Keep).status == RestoreStatus::InPlace);
  CHECK(!PendingRenames());
}

TEST_CASE(AMoveToANewNameNeverReplaces) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "new", "restored");
  WriteText(folder / "there", "someone's");
  bool exists = false;
  const Outcome refused = platform.MoveNew(folder / "new", folder / "there", exists);
  CHECK(!refused.ok);
  CHECK(exists);
  CHECK(refused.reason.find("(error ") != std::string::npos);
  CHECK_EQ(ReadText(folder / "there"), std::string("someone's"));
  CHECK_EQ(ReadText(folder / "new"), std::string("restored"));

  const Outcome moved = platform.MoveNew(folder / "new", folder / "free", exists);
  CHECK(moved.ok);
  CHECK(!exists);
  CHECK_EQ(ReadText(folder / "free"), std::string("restored"));
  CHECK(!Exists(folder / "new"));

  const Outcome missing = platform.MoveNew(folder / "free", folder / "missing\\x", exists);
  CHECK(!missing.ok);
  CHECK(!exists);
  CHECK(Exists(folder / "free"));
}

}  // namespace
}  // namespace dizi
