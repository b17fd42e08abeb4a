#include "kill/process_choice.h"

#include "common/ascii_text.h"

namespace dizi::tools {

bool ShouldEnd(const ProcessEntry& process, std::string_view wanted, unsigned long self_id) {
  return process.id != self_id && EqualsIgnoringCase(FileNamePart(process.image), wanted);
}

}  // namespace dizi::tools
