#include <gtest/gtest.h>

#include <string>

#include "fservice/report_line.h"

namespace dizi::tools {
namespace {

TEST(ReportLine, ShowsAnyTextUnambiguouslyInAscii) {
  ReportLine line;
  line.Add("removed ").AddQuoted(std::u16string_view(u"Legit\0hidden", 12)).Add(" = ");
  line.AddQuoted(u"C:\\Защита\\a.exe\t").Add(" ").AddNumber(0).Add("/").AddNumber(4294967295ul);
  EXPECT_STREQ(line.Finish(),
               "fservice: removed \"Legit<NUL>hidden\" = \"C:\\<U+0417><U+0430><U+0449><U+0438>"
               "<U+0442><U+0430>\\a.exe<U+0009>\" 0/4294967295\n");
}

TEST(ReportLine, CutsAHugeValueAndSaysSo) {
  ReportLine line;
  const std::string text = line.Add(std::u16string(5000, u'x')).Finish();
  EXPECT_EQ(text.size(), 1023u);
  EXPECT_EQ(text.substr(text.size() - 6), "xx...\n");
}

}  // namespace
}  // namespace dizi::tools
