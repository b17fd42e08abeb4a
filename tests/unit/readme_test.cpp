#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "log/publisher.h"
#include "scan/signatures.h"

namespace dizi {
namespace {

std::string ReadMe() {
  std::ifstream file(DIZI_ASSETS_DIR "/ReadMe First.txt", std::ios::binary);
  EXPECT_TRUE(file.is_open());
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Notepad on older Windows shows a file with bare line feeds as one long line,
// and the read-me is opened at every start: every line must end with CR LF,
// and only plain ASCII reads the same in every ANSI code page.
TEST(ReadMe, IsAsciiWithCrLfLineEnds) {
  const std::string text = ReadMe();
  ASSERT_FALSE(text.empty());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    ASSERT_TRUE(c == '\r' || c == '\n' || (c >= 0x20 && c < 0x7f)) << "byte " << i;
    if (c == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
    }
    if (c == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at byte " << i;
    }
  }
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST(ReadMe, ListsEveryFileTheToolLooksFor) {
  const std::string text = ReadMe();
  // As a whole word, so that "fservice.exe" does not count as listed through
  // "ffservice.exe".
  auto expect_listed = [&](const Signature& signature) {
    const std::string name(signature.entry.substr(1));
    bool listed = false;
    for (std::size_t at = text.find(name); at != std::string::npos && !listed;
         at = text.find(name, at + 1)) {
      const std::size_t end = at + name.size();
      listed = at > 0 && text[at - 1] == ' ' && end < text.size() &&
               (text[end] == ' ' || text[end] == '\r');
    }
    EXPECT_TRUE(listed) << name;
  };
  for (const Signature& signature : ServerSignatures) {
    expect_listed(signature);
  }
  for (const Signature& signature : DownloaderSignatures) {
    expect_listed(signature);
  }
}

TEST(ReadMe, NamesTheShippedFilesTheLogAndThePublisher) {
  const std::string text = ReadMe();
  for (const char* expected : {"DiziTarvix.exe", "kill.exe", "fservice.exe", "msconfig.exe",
                               "ReadMe First.txt", "DiziTarvix_Log.txt", DIZI_PUBLISHER_NAME,
                               DIZI_HOME_PAGE, DIZI_SUPPORT_PAGE, DIZI_CONTACT_PAGE}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected;
  }
}

}  // namespace
}  // namespace dizi
