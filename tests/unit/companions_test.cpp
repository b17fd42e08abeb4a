#include <gtest/gtest.h>

#include "places/companions.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

// A program's bytes: NULs, every byte value and more than one read's worth.
std::string ProgramBytes() {
  std::string bytes = std::string("MZ\x90\0\x03\0\0\0", 8);
  for (int i = 0; i < 300000; ++i) {
    bytes.push_back(static_cast<char>(i * 7 % 256));
  }
  return bytes;
}

constexpr char kPath[] = "C:\\Tools\\kill.exe";

TEST(CompanionsTest, TheFileRecordedIsHeldUntilItsHolderGoes) {
  Machine m;
  const std::string bytes = ProgramBytes();
  m.platform.ReplaceFromOutside(kPath, bytes);
  {
    const HeldCompanion held = HoldCompanion(m.platform, kPath, PortableSha256Of(bytes));
    EXPECT_EQ(held.state, CompanionState::Verified);
    ASSERT_NE(held.file, nullptr);
    EXPECT_EQ(held.file->Path(), kPath);
    EXPECT_FALSE(m.platform.ReplaceFromOutside(kPath, "planted"));
    EXPECT_FALSE(m.platform.Delete(kPath));
    EXPECT_FALSE(m.platform.MoveOver(kPath, "C:\\Tools\\kill.old"));
    EXPECT_EQ(m.platform.Content(kPath), bytes);
  }
  EXPECT_FALSE(m.platform.IsLocked(kPath));
  EXPECT_EQ(m.journal.With("lock "), (std::vector<std::string>{std::string(kPath) + " -> ok"}));
  EXPECT_EQ(m.journal.Entries().back(), std::string("unlock ") + kPath);
}

// Anything else is let go at once and says why it was not kept.
TEST(CompanionsTest, AnyOtherFileIsNotHeld) {
  const std::string bytes = ProgramBytes();
  std::string oneBitOff = bytes;
  oneBitOff[200000] ^= 1;
  struct Case {
    const char* what;
    std::optional<std::string> content;  // none: no file
    bool unreadable;
    std::optional<Sha256Digest> recorded;
    CompanionState state;
  };
  const Case cases[] = {
      {"another program", "MZ planted", false, PortableSha256Of(bytes), CompanionState::NotShipped},
      {"one bit changed", oneBitOff, false, PortableSha256Of(bytes), CompanionState::NotShipped},
      {"cut short", bytes.substr(0, bytes.size() - 1), false, PortableSha256Of(bytes),
       CompanionState::NotShipped},
      {"empty", "", false, PortableSha256Of(bytes), CompanionState::NotShipped},
      {"nothing recorded", bytes, false, std::nullopt, CompanionState::NotRecorded},
      {"locked against reading", bytes, true, PortableSha256Of(bytes), CompanionState::Unreadable},
      {"absent", std::nullopt, false, PortableSha256Of(bytes), CompanionState::Absent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    m.platform.Delete(kPath);
    if (c.content) {
      m.platform.AddFile(kPath, *c.content);
      if (c.unreadable) {
        m.platform.MarkUnreadable(kPath);
      }
    }
    const HeldCompanion held = HoldCompanion(m.platform, kPath, c.recorded);
    EXPECT_EQ(held.state, c.state);
    EXPECT_EQ(held.file, nullptr);
    EXPECT_FALSE(m.platform.IsLocked(kPath));
    EXPECT_EQ(held.reason, c.unreadable ? "The process cannot access the file because it is being "
                                          "used by another process. (error 32)"
                                        : "");
  }
}

// A read that fails once the file is open counts as unreadable, with the
// system's reason.
TEST(CompanionsTest, AFailedReadIsNoMatch) {
  Machine m;
  struct FailingRead : FakePlatform {
    using FakePlatform::FakePlatform;
    LockedOpen OpenLocked(const std::string& path) override {
      LockedOpen opened = FakePlatform::OpenLocked(path);
      MarkUnreadable(path);
      return opened;
    }
  } platform(m.journal);
  platform.AddFile(kPath, "shipped kill.exe");
  const HeldCompanion held = HoldCompanion(platform, kPath, m.recorded.killTool);
  EXPECT_EQ(held.state, CompanionState::Unreadable);
  EXPECT_NE(held.reason, "");
  EXPECT_FALSE(platform.IsLocked(kPath));
}

TEST(CompanionsTest, EachFileBesideTheProgramIsCheckedAgainstItsOwnDigest) {
  Machine m("D:\\Elsewhere");
  m.recorded.killTool = PortableSha256Of("shipped fservice.exe");
  const HeldCompanions held = HoldCompanions(m.platform, m.paths, m.recorded);
  EXPECT_EQ(held.repairProgram.state, CompanionState::Verified);
  EXPECT_EQ(held.killTool.state, CompanionState::NotShipped);
  EXPECT_EQ(held.msconfig.state, CompanionState::Verified);
  EXPECT_EQ(m.journal.With("lock "),
            (std::vector<std::string>{"D:\\Elsewhere\\fservice.exe -> ok",
                                      "D:\\Elsewhere\\kill.exe -> ok",
                                      "D:\\Elsewhere\\msconfig.exe -> ok"}));
}

}  // namespace
}  // namespace dizi::test
