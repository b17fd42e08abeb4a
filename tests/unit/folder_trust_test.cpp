// The rules a folder of the program's own must pass, on access lists shaped
// like those Windows and Wine really give folders.
#include <gtest/gtest.h>

#include <vector>

#include "platform/folder_trust.h"

namespace dizi {
namespace {

constexpr char kUser[] = "S-1-5-21-3623811015-3361044348-30300820-1013";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr char kAuthenticatedUsers[] = "S-1-5-11";
constexpr char kEveryone[] = "S-1-1-0";
constexpr char kCreatorOwner[] = "S-1-3-0";
constexpr char kWineUser[] = "S-1-5-21-0-0-0-1000";

FolderJudgement Judge(const char* owner, const std::vector<FolderAce>& aces,
                      const char* trustedOwner = kLocalSystemSid) {
  FolderFacts facts;
  facts.owner = owner;
  facts.aces = aces.data();
  facts.aceCount = aces.size();
  return JudgeFolder(facts, trustedOwner);
}

TEST(FolderTrustTest, TheFoldersTheProgramMakesAreTrusted) {
  // "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)"
  EXPECT_EQ(Judge(kAdministratorsSid,
                  {{true, 0x1F01FF, kAdministratorsSid}, {true, 0x1F01FF, kLocalSystemSid}})
                .trust,
            FolderTrust::Trusted);
  // Owned by the system; the system's own folders also let the installer
  // service change them, and users read them.
  EXPECT_EQ(Judge("s-1-5-18", {{true, 0x1F01FF, kLocalSystemSid},
                               {true, 0x10000000, kAdministratorsSid},
                               {true, 0x1F01FF,
                                "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"},
                               {true, 0x1200A9, kUsers},
                               {true, 0xA0000000, kUsers}})  // generic read and execute
                .trust,
            FolderTrust::Trusted);
}

TEST(FolderTrustTest, AFolderAUserMadeInTheCommonFolderIsNotTrusted) {
  // What a user's folder in C:\ProgramData inherits: owned by the user, who
  // (as creator owner) has full control.
  const FolderJudgement made = Judge(kUser, {{true, 0x1F01FF, kLocalSystemSid},
                                             {true, 0x1F01FF, kAdministratorsSid},
                                             {true, 0x1F01FF, kUser},
                                             {true, 0x1200A9, kUsers}});
  EXPECT_EQ(made.trust, FolderTrust::ForeignOwner);
  EXPECT_STREQ(made.who, kUser);

  // Given to Administrators by an administrator, but still open to users.
  const FolderJudgement open = Judge(
      kAdministratorsSid,
      {{true, 0x1F01FF, kAdministratorsSid}, {true, 0x1200A9, kUsers}, {true, 0x000116, kUsers}});
  EXPECT_EQ(open.trust, FolderTrust::OtherMayChange);
  EXPECT_STREQ(open.who, kUsers);
}

TEST(FolderTrustTest, EveryChangingRightCountsAndNoOtherDoes) {
  for (const std::uint32_t right :
       {0x2u, 0x4u, 0x10u, 0x40u, 0x100u, 0x10000u, 0x40000u, 0x80000u, 0x10000000u, 0x40000000u}) {
    EXPECT_EQ(Judge(kAdministratorsSid, {{true, right, kAuthenticatedUsers}}).trust,
              FolderTrust::OtherMayChange)
        << std::hex << right;
  }
  // Reading, listing, traversing, reading attributes and permissions, and
  // synchronizing change nothing.
  for (const std::uint32_t right :
       {0x1u, 0x8u, 0x20u, 0x80u, 0x20000u, 0x100000u, 0x80000000u, 0x20000000u}) {
    EXPECT_EQ(Judge(kAdministratorsSid, {{true, right, kEveryone}}).trust, FolderTrust::Trusted)
        << std::hex << right;
  }
}

TEST(FolderTrustTest, DenyingEntriesGrantNothingButUnknownAndUnnamedOnesMight) {
  EXPECT_EQ(Judge(kAdministratorsSid, {{false, 0x1F01FF, kEveryone}}).trust, FolderTrust::Trusted);
  const FolderJudgement unnamed = Judge(kAdministratorsSid, {{true, 0x2, nullptr}});
  EXPECT_EQ(unnamed.trust, FolderTrust::OtherMayChange);
  EXPECT_STREQ(unnamed.who, "an unnamed account");
  // The creator owner and owner rights stand for trusted accounts only.
  EXPECT_EQ(
      Judge(kAdministratorsSid, {{true, 0x1F01FF, kCreatorOwner}, {true, 0x1F01FF, "S-1-3-4"}})
          .trust,
      FolderTrust::Trusted);
}

TEST(FolderTrustTest, LinksMissingOwnersAndMissingListsAreNeverTrusted) {
  FolderFacts link;
  link.reparsePoint = true;
  link.owner = kAdministratorsSid;
  EXPECT_EQ(JudgeFolder(link, nullptr).trust, FolderTrust::ReparsePoint);

  FolderFacts noOwner;
  EXPECT_EQ(JudgeFolder(noOwner, nullptr).trust, FolderTrust::UnknownOwner);
  noOwner.owner = "";
  EXPECT_EQ(JudgeFolder(noOwner, nullptr).trust, FolderTrust::UnknownOwner);

  FolderFacts everyone;
  everyone.owner = kAdministratorsSid;
  everyone.noAccessList = true;
  EXPECT_EQ(JudgeFolder(everyone, nullptr).trust, FolderTrust::OpenToEveryone);

  // An empty list lets nobody in: nothing to fear.
  FolderFacts empty;
  empty.owner = kAdministratorsSid;
  EXPECT_EQ(JudgeFolder(empty, nullptr).trust, FolderTrust::Trusted);
}

TEST(FolderTrustTest, UnderWineTheOneOwnerOfEverythingIsTrustedButOtherWritersAreNot) {
  // Wine makes the access list from the folder's Unix mode.
  const std::vector<FolderAce> readable = {
      {true, 0x1F01FF, kLocalSystemSid}, {true, 0x1F01FF, kWineUser}, {true, 0x1200A9, kEveryone}};
  EXPECT_EQ(Judge(kWineUser, readable, kWineUser).trust, FolderTrust::Trusted);
  EXPECT_EQ(Judge(kWineUser, readable, kLocalSystemSid).trust, FolderTrust::ForeignOwner);
  const std::vector<FolderAce> worldWritable = {
      {true, 0x1F01FF, kLocalSystemSid}, {true, 0x1F01FF, kWineUser}, {true, 0x1301FF, kEveryone}};
  EXPECT_EQ(Judge(kWineUser, worldWritable, kWineUser).trust, FolderTrust::OtherMayChange);
}

TEST(FolderTrustTest, IdentifiersAreComparedWhole) {
  EXPECT_TRUE(SameSid("S-1-5-18", "s-1-5-18"));
  EXPECT_FALSE(SameSid("S-1-5-18", "S-1-5-180"));
  EXPECT_FALSE(SameSid("S-1-5-32-544", "S-1-5-32-54"));
  EXPECT_FALSE(SameSid(nullptr, "S-1-5-18"));
  EXPECT_EQ(Judge("S-1-5-32-5440", {}).trust, FolderTrust::ForeignOwner);
}

}  // namespace
}  // namespace dizi
