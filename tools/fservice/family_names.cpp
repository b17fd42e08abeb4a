#include "fservice/family_names.h"

#include "common/ascii_text.h"
#include "scan/signatures.h"

namespace dizi::tools {

namespace {

template <typename Table>
bool TableHolds(const Table& table, std::string_view name) {
  for (const Signature& signature : table) {
    if (EqualsIgnoringCase(FileNamePart(signature.entry), name)) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsFamilyFileName(std::string_view name) {
  return TableHolds(ServerSignatures, name) || TableHolds(DownloaderSignatures, name);
}

}  // namespace dizi::tools
