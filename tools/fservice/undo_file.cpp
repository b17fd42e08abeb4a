#include "fservice/undo_file.h"

#include "common/ascii_text.h"
#include "fservice/undo_text.h"
#include "fservice/wide_buffer.h"

namespace dizi::tools {

namespace {

// A file name that another run of the same second took gets a number.
constexpr int kMostNames = 99;

// `number` as `digits` decimal digits, with leading zeros.
char* PutDigits(char* at, unsigned number, int digits) {
  for (int i = digits - 1; i >= 0; --i, number /= 10) {
    at[i] = static_cast<char>('0' + number % 10);
  }
  return at + digits;
}

char* PutText(char* at, const char* text) {
  while (*text != '\0') {
    *at++ = *text++;
  }
  return at;
}

// "<folder>\registry-undo-20240517-142301[-N][-64-bit-view].reg"; false when
// it does not fit.
bool FileName(char (&path)[MAX_PATH], const char* folder, const SYSTEMTIME& time, int number,
              bool view64) {
  const size_t folder_length = lstrlenA(folder);
  // "\registry-undo-" 15, time 15, "-NN" 3, "-64-bit-view" 12, ".reg" 4, null 1.
  if (folder_length + 15 + 15 + 3 + 12 + 4 + 1 > MAX_PATH) {
    return false;
  }
  char* at = PutText(path, folder);
  at = PutText(at, "\\registry-undo-");
  at = PutDigits(at, time.wYear, 4);
  at = PutDigits(at, time.wMonth, 2);
  at = PutDigits(at, time.wDay, 2);
  *at++ = '-';
  at = PutDigits(at, time.wHour, 2);
  at = PutDigits(at, time.wMinute, 2);
  at = PutDigits(at, time.wSecond, 2);
  if (number > 1) {
    *at++ = '-';
    at = PutDigits(at, static_cast<unsigned>(number), 2);
  }
  if (view64) {
    at = PutText(at, "-64-bit-view");
  }
  at = PutText(at, ".reg");
  *at = '\0';
  return true;
}

}  // namespace

UndoFiles::UndoFiles() {
  GetSystemTime(&started_);
}

DWORD UndoFiles::Create(File& file, bool view64) {
  if (const DWORD opened = folder_.Open(); opened != ERROR_SUCCESS) {
    return opened;
  }
  const char* folder = folder_.Path();
  for (int number = 1; number <= kMostNames; ++number) {
    char path[MAX_PATH];
    if (!FileName(path, folder, started_, number, view64)) {
      return ERROR_FILENAME_EXCED_RANGE;
    }
    file.handle.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle) {
      WideBuffer header;
      AppendUndoHeader(header);
      return Write(file, header.Terminated(),
                   static_cast<DWORD>(header.Length() * sizeof(WideChar)));
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      return error;
    }
  }
  return ERROR_FILE_EXISTS;
}

DWORD UndoFiles::Write(File& file, const void* bytes, DWORD size) {
  DWORD written = 0;
  if (!WriteFile(file.handle.Get(), bytes, size, &written, nullptr) || written != size ||
      !FlushFileBuffers(file.handle.Get())) {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
  }
  return ERROR_SUCCESS;
}

DWORD UndoFiles::Save(const ValueChange& change) {
  const bool view64 = change.place.view == KEY_WOW64_64KEY;
  File& file = view64 ? view64_ : own_view_;
  if (file.failure == ERROR_SUCCESS && !file.handle) {
    file.failure = Create(file, view64);
  }
  if (file.failure != ERROR_SUCCESS) {
    return file.failure;
  }
  WideBuffer key;
  if (!AppendFullKeyName(key, change.place.name, change.key_path)) {
    return ERROR_INVALID_NAME;  // never written under a name that means another hive
  }
  WideBuffer text;
  // A hive the program loaded itself must be loaded again for the import: said
  // once above its first value.
  const WideView place(change.place.name);
  const bool comment = change.place.hive_file != nullptr && file.commented_place.View() != place;
  if (comment) {
    AppendHiveLoadComment(text, From(place, 4), WideView(change.place.hive_file));
  }
  AppendUndoValue(text, {key.View(), change.name, change.old.type,
                         static_cast<const unsigned char*>(change.old.data), change.old.size});
  if (key.Failed() || text.Failed()) {
    return ERROR_NOT_ENOUGH_MEMORY;  // the file stays usable
  }
  file.failure =
      Write(file, text.Terminated(), static_cast<DWORD>(text.Length() * sizeof(WideChar)));
  if (comment && file.failure == ERROR_SUCCESS) {
    file.commented_place.Clear();
    file.commented_place.Append(place);
  }
  return file.failure;
}

}  // namespace dizi::tools
