#include "fservice/autostart_value.h"

#include <string.h>

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

bool IsString(std::uint32_t type) {
  return type == kStringType || type == kExpandStringType;
}

}  // namespace

StringData SplitStringData(const WideChar* data, std::size_t size) {
  const WideView whole(data, size / sizeof(WideChar));
  const std::size_t null = whole.find(WideChar(0));
  const WideView text = null == WideView::npos ? whole : Head(whole, null);
  const std::size_t text_bytes = text.size() * sizeof(WideChar);
  return {text, reinterpret_cast<const unsigned char*>(data) + text_bytes, size - text_bytes};
}

Answer StartsFamilyFile(const AutostartMatcher& matcher, std::uint32_t type, const WideChar* data,
                        std::size_t size) {
  if (!IsString(type)) {
    return Answer::kNo;
  }
  return matcher.StartsFamilyFile(SplitStringData(data, size).text);
}

ListValueRewrite RewriteListValue(const AutostartMatcher& matcher, const ListRules& rules,
                                  std::uint32_t type, const WideChar* data, std::size_t size) {
  ListValueRewrite result;
  if (!IsString(type)) {
    return result;
  }
  const StringData old = SplitStringData(data, size);
  WideBuffer list;
  result.list = RemoveFamilyEntries(old.text, rules, matcher, list);
  if (result.list.changed != Answer::kYes) {
    return result;
  }
  const std::size_t text_bytes = list.Length() * sizeof(WideChar);
  result.data = AllocateArray<unsigned char>(text_bytes + old.tail_size);
  if (!result.data) {
    result.list.changed = Answer::kUnknown;
    return result;
  }
  memcpy(result.data.get(), list.View().data(), text_bytes);
  if (old.tail_size > 0) {
    memcpy(result.data.get() + text_bytes, old.tail, old.tail_size);
  }
  result.size = text_bytes + old.tail_size;
  return result;
}

}  // namespace dizi::tools
