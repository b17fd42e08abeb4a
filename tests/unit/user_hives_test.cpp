// fservice.exe's judgement of users' hives: the lock-down of Task Manager and
// the registry editor given back only in the user's own hive or where the
// family was found, the summary's lines, and the profiles whose hive is not
// loaded: which may be loaded at all, and the loading and unloading around
// the cleaning.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fservice/hive_outcome.h"
#include "fservice/profile_judge.h"

namespace dizi::tools {
namespace {

std::string Ascii(WideView text) {
  std::string out;
  for (const WideChar c : text) {
    out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

TEST(UserHivesTest, AnotherUsersLockDownIsGivenBackOnlyWhereTheFamilyWasFound) {
  PlaceTally nothing;
  PlaceTally family;
  family.family = 1;
  EXPECT_TRUE(MayGiveToolsBack(HiveKind::kOwn, nothing));
  EXPECT_FALSE(MayGiveToolsBack(HiveKind::kLoaded, nothing));
  EXPECT_FALSE(MayGiveToolsBack(HiveKind::kProfile, nothing));
  EXPECT_TRUE(MayGiveToolsBack(HiveKind::kLoaded, family));
  EXPECT_TRUE(MayGiveToolsBack(HiveKind::kProfile, family));

  EXPECT_EQ(JudgeTools(0, 0, true), ToolsOutcome::kNotLocked);
  EXPECT_EQ(JudgeTools(0, 0, false), ToolsOutcome::kNotLocked);
  EXPECT_EQ(JudgeTools(2, 0, false), ToolsOutcome::kLeftLocked);
  EXPECT_EQ(JudgeTools(2, 2, true), ToolsOutcome::kGivenBack);
  EXPECT_EQ(JudgeTools(2, 1, true), ToolsOutcome::kNotGivenBack);
  EXPECT_EQ(JudgeTools(1, 0, true), ToolsOutcome::kNotGivenBack);
}

// The lines DiziTarvix.exe reads (its parser's tests read the same lines).
TEST(UserHivesTest, EachHiveHasOneSummaryLineInAFixedForm) {
  const auto line = [](WideView hive, HiveKind kind, PlaceTally tally, ToolsOutcome tools) {
    ReportLine text("");
    StartHiveSummary(text, hive, kind, tally, tools);
    return std::string(text.Finish());
  };
  EXPECT_EQ(line(u"S-1-5-21-1-2-3-1001", HiveKind::kLoaded, {2, 3, 0}, ToolsOutcome::kGivenBack),
            "hive\tS-1-5-21-1-2-3-1001\tloaded\tcleaned\t3\tgiven-back\t\n");
  EXPECT_EQ(line(u"S-1-5-18", HiveKind::kOwn, {0, 1, 0}, ToolsOutcome::kGivenBack),
            "hive\tS-1-5-18\town\tnothing-found\t1\tgiven-back\t\n");
  EXPECT_EQ(line(u".DEFAULT", HiveKind::kLoaded, {}, ToolsOutcome::kLeftLocked),
            "hive\t.DEFAULT\tloaded\tnothing-found\t0\tleft-locked\t\n");
  EXPECT_EQ(
      line(u"S-1-5-21-1-2-3-1002", HiveKind::kProfile, {1, 0, 1}, ToolsOutcome::kNotGivenBack),
      "hive\tS-1-5-21-1-2-3-1002\tprofile\tincomplete\t0\tnot-given-back\t\n");
  EXPECT_EQ(line(u"x\ty", HiveKind::kLoaded, {}, ToolsOutcome::kNotLocked),
            "hive\tx<U+0009>y\tloaded\tnothing-found\t0\tnot-locked\t\n");

  ReportLine skipped("");
  StartSkippedHiveSummary(skipped, u"S-1-5-21-1-2-3-1003");
  skipped.Add(ProfileSkipText(ProfileSkip::kRoaming));
  EXPECT_STREQ(skipped.Finish(),
               "hive\tS-1-5-21-1-2-3-1003\tprofile\tskipped\t0\t-\tit is a roaming profile, "
               "which the server's copy replaces at the next sign-in\n");
}

TEST(UserHivesTest, OnlyASidNamesAProfile) {
  for (const WideView sid :
       {WideView(u"S-1-5-18"), WideView(u"S-1-5-21-1004336348-1177238915-1001"),
        WideView(u"s-1-5-20")}) {
    EXPECT_TRUE(IsSidText(sid)) << Ascii(sid);
  }
  // The shortest: an authority and no subauthority.
  EXPECT_TRUE(IsSidText(u"S-1-0"));
  for (const WideView text : {WideView(u"S-1-5-21-1-2-3-1001.bak"), WideView(u"S-1-"),
                              WideView(u"S-1-5-"), WideView(u"S-1-5--18"), WideView(u".DEFAULT"),
                              WideView(u"S-1-5-18 "), WideView(u"S-2-5-18"), WideView(u"")}) {
    EXPECT_FALSE(IsSidText(text)) << Ascii(text);
  }
}

// A machine of profiles: what is on its disk, its loaded hives, and what
// happened, in order.
class FakeProfiles final : public ProfileMachine, public HiveCleaner {
 public:
  std::map<std::u16string, PathFacts> disk;
  std::set<std::u16string> loaded = {u"S-1-5-18", u"S-1-5-21-1-2-3-1001"};
  std::map<std::u16string, long> load_errors;  // by file
  long unload_error = 0;
  std::vector<std::string> journal;

  FakeProfiles() {
    Folder(u"C:\\Users");
    Profile(u"C:\\Users\\carol");
  }
  void Folder(const std::u16string& path) { disk[path] = {true, true, false, 1}; }
  void Profile(const std::u16string& folder) {
    Folder(folder);
    disk[folder + u"\\NTUSER.DAT"] = {true, false, false, 1};
  }

  bool HiveLoaded(WideView name) const override { return loaded.count(std::u16string(name)) > 0; }
  void Look(WideView path, PathFacts& facts) const override {
    const auto found = disk.find(std::u16string(path));
    facts = found == disk.end() ? PathFacts() : found->second;
  }
  long LoadHive(WideView name, WideView file) override {
    const auto error = load_errors.find(std::u16string(file));
    journal.push_back("load " + Ascii(name) + " from " + Ascii(file));
    if (error != load_errors.end()) {
      // As Wine does for a file it cannot read: an empty key of that name.
      loaded.insert(std::u16string(name));
      return error->second;
    }
    loaded.insert(std::u16string(name));
    return 0;
  }
  long UnloadHive(WideView name) override {
    journal.push_back("unload " + Ascii(name));
    if (unload_error == 0) {
      loaded.erase(std::u16string(name));
    }
    return unload_error;
  }
  void RemoveLeftover(WideView name) override {
    journal.push_back("remove leftover " + Ascii(name));
    loaded.erase(std::u16string(name));
  }
  void Clean(WideView loaded_as, const ProfileEntry& entry, WideView file) override {
    journal.push_back("clean " + Ascii(entry.sid) + " as " + Ascii(loaded_as) + " (" +
                      (HiveLoaded(loaded_as) ? "loaded" : "NOT LOADED") + ") " + Ascii(file));
  }

  ProfileVisit Visit(const ProfileEntry& entry, WideView profiles = u"C:\\Users") {
    WideBuffer load_name;
    AppendLoadName(load_name, entry.sid, 4242);
    WideBuffer file;
    const ProfileVisit visit = VisitProfile(entry, profiles, load_name.View(), *this, *this, file);
    hive_file = Ascii(file.View());
    return visit;
  }
  std::string hive_file;
};

ProfileEntry Entry(WideView sid, WideView path) {
  ProfileEntry entry;
  entry.sid = sid;
  entry.image_path = path;
  return entry;
}

constexpr char16_t kCarol[] = u"S-1-5-21-1-2-3-1002";

TEST(UserHivesTest, AProfileNotLoadedIsLoadedUnderItsOwnNameCleanedAndUnloaded) {
  FakeProfiles machine;
  const ProfileVisit visit = machine.Visit(Entry(kCarol, u"C:\\Users\\carol"));
  EXPECT_EQ(visit.kind, ProfileVisit::Kind::kCleaned);
  EXPECT_EQ(visit.unload_error, 0);
  EXPECT_EQ(machine.hive_file, "C:\\Users\\carol\\NTUSER.DAT");
  EXPECT_EQ(machine.journal,
            (std::vector<std::string>{
                "load DiziTarvix-S-1-5-21-1-2-3-1002-4242 from C:\\Users\\carol\\NTUSER.DAT",
                "clean S-1-5-21-1-2-3-1002 as DiziTarvix-S-1-5-21-1-2-3-1002-4242 (loaded) "
                "C:\\Users\\carol\\NTUSER.DAT",
                "unload DiziTarvix-S-1-5-21-1-2-3-1002-4242"}));
  EXPECT_EQ(machine.loaded, (std::set<std::u16string>{u"S-1-5-18", u"S-1-5-21-1-2-3-1001"}));
}

TEST(UserHivesTest, AHiveLoadedAlreadyIsLeftToBeCleanedWhereItIs) {
  FakeProfiles machine;
  machine.Profile(u"C:\\Users\\bob");
  const ProfileVisit visit = machine.Visit(Entry(u"S-1-5-21-1-2-3-1001", u"C:\\Users\\bob"));
  EXPECT_EQ(visit.kind, ProfileVisit::Kind::kLoadedAlready);
  EXPECT_TRUE(machine.journal.empty());
}

TEST(UserHivesTest, TheHiveIsUnloadedAfterAFailedCleaningAndAFailedUnloadIsSaid) {
  FakeProfiles machine;
  machine.unload_error = 5;
  const ProfileVisit visit = machine.Visit(Entry(kCarol, u"C:\\Users\\carol"));
  EXPECT_EQ(visit.kind, ProfileVisit::Kind::kCleaned);
  EXPECT_EQ(visit.unload_error, 5);
  ASSERT_EQ(machine.journal.size(), 3u);
  EXPECT_EQ(machine.journal[2], "unload DiziTarvix-S-1-5-21-1-2-3-1002-4242");
}

TEST(UserHivesTest, AHiveThatCannotBeLoadedIsSkippedWithItsReasonAndNeverUnloaded) {
  struct Case {
    long error;
    ProfileSkip skip;
  };
  for (const Case c : {Case{32, ProfileSkip::kInUse}, Case{1009, ProfileSkip::kNotLoadable},
                       Case{1314, ProfileSkip::kNotLoadable}}) {
    FakeProfiles machine;
    machine.load_errors[u"C:\\Users\\carol\\NTUSER.DAT"] = c.error;
    const ProfileVisit visit = machine.Visit(Entry(kCarol, u"C:\\Users\\carol"));
    EXPECT_EQ(visit.kind, ProfileVisit::Kind::kSkipped);
    EXPECT_EQ(visit.skip, c.skip);
    EXPECT_EQ(visit.error, c.error);
    EXPECT_EQ(machine.journal,
              (std::vector<std::string>{
                  "load DiziTarvix-S-1-5-21-1-2-3-1002-4242 from C:\\Users\\carol\\NTUSER.DAT",
                  "remove leftover DiziTarvix-S-1-5-21-1-2-3-1002-4242"}));
    EXPECT_EQ(machine.loaded, (std::set<std::u16string>{u"S-1-5-18", u"S-1-5-21-1-2-3-1001"}));
  }
}

// Where the hive file's path cannot be made (the heap is exhausted), nothing
// is loaded from a part of it.
TEST(UserHivesTest, AHiveFilePathThatCannotBeMadeIsNeverLoaded) {
  FakeProfiles machine;
  WideBuffer load_name;
  AppendLoadName(load_name, kCarol, 4242);
  WideBuffer file;
  ASSERT_EQ(file.Extend(static_cast<std::size_t>(-1)), nullptr);  // marks it failed
  const ProfileVisit visit = VisitProfile(Entry(kCarol, u"C:\\Users\\carol"), u"C:\\Users",
                                          load_name.View(), machine, machine, file);
  EXPECT_EQ(visit.kind, ProfileVisit::Kind::kSkipped);
  EXPECT_EQ(visit.skip, ProfileSkip::kNotLoadable);
  EXPECT_EQ(visit.error, 8);  // ERROR_NOT_ENOUGH_MEMORY
  EXPECT_TRUE(machine.journal.empty());
}

// A name taken already (by a run that could not unload it) is never loaded
// over, nor removed.
TEST(UserHivesTest, ALoadNameTakenAlreadyIsLeftAlone) {
  FakeProfiles machine;
  machine.loaded.insert(u"DiziTarvix-S-1-5-21-1-2-3-1002-4242");
  const ProfileVisit visit = machine.Visit(Entry(kCarol, u"C:\\Users\\carol"));
  EXPECT_EQ(visit.kind, ProfileVisit::Kind::kSkipped);
  EXPECT_EQ(visit.skip, ProfileSkip::kNotLoadable);
  EXPECT_EQ(visit.error, 183);
  EXPECT_TRUE(machine.journal.empty());
  EXPECT_EQ(machine.loaded.count(u"DiziTarvix-S-1-5-21-1-2-3-1002-4242"), 1u);
}

// What the registry says decides before anything on the disk is looked at.
TEST(UserHivesTest, AProfileIsJudgedByItsEntryFirst) {
  struct Case {
    const char* what;
    ProfileEntry entry;
    WideView profiles;
    ProfileSkip skip;
  };
  ProfileEntry temporary = Entry(kCarol, u"C:\\Users\\carol");
  temporary.state = 0x0800 | 0x0100;
  ProfileEntry mandatory = Entry(kCarol, u"C:\\Users\\carol");
  mandatory.state = 0x0001;
  ProfileEntry roaming = Entry(kCarol, u"C:\\Users\\carol");
  roaming.central_profile = u"\\\\server\\profiles$\\carol";
  const Case cases[] = {
      {"a copy Windows keeps", Entry(u"S-1-5-21-1-2-3-1002.bak", u"C:\\Users\\carol"), u"C:\\Users",
       ProfileSkip::kNotASid},
      {"temporary", temporary, u"C:\\Users", ProfileSkip::kTemporary},
      {"mandatory", mandatory, u"C:\\Users", ProfileSkip::kMandatory},
      {"roaming", roaming, u"C:\\Users", ProfileSkip::kRoaming},
      {"no path", Entry(kCarol, u"  "), u"C:\\Users", ProfileSkip::kNoPath},
      {"no profiles folder", Entry(kCarol, u"C:\\Users\\carol"), u"",
       ProfileSkip::kNoProfilesFolder},
      {"a share", Entry(kCarol, u"\\\\server\\carol"), u"C:\\Users", ProfileSkip::kNotLocal},
      {"relative", Entry(kCarol, u"Users\\carol"), u"C:\\Users", ProfileSkip::kNotLocal},
      // Windows takes a literal path as it is: ".." would be a name there.
      {"a literal path climbing out", Entry(kCarol, u"\\\\?\\C:\\Users\\..\\Windows"), u"C:\\Users",
       ProfileSkip::kNotLocal},
      {"a stream", Entry(kCarol, u"C:\\Users\\carol:x"), u"C:\\Users", ProfileSkip::kNotLocal},
      {"a stream of the profiles folder", Entry(kCarol, u"C:\\Users\\:carol"), u"C:\\Users",
       ProfileSkip::kNotLocal},
      {"the system folder", Entry(kCarol, u"C:\\Windows\\system32\\config\\systemprofile"),
       u"C:\\Users", ProfileSkip::kOutsideProfiles},
      {"out through ..", Entry(kCarol, u"C:\\Users\\..\\Windows"), u"C:\\Users",
       ProfileSkip::kOutsideProfiles},
      {"a folder beside it", Entry(kCarol, u"C:\\Users2\\carol"), u"C:\\Users",
       ProfileSkip::kOutsideProfiles},
      {"the profiles folder itself", Entry(kCarol, u"C:\\Users\\"), u"C:\\Users",
       ProfileSkip::kOutsideProfiles},
      {"another drive", Entry(kCarol, u"D:\\Users\\carol"), u"C:\\Users",
       ProfileSkip::kOutsideProfiles},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeProfiles machine;
    const ProfileVisit visit = machine.Visit(c.entry, c.profiles);
    EXPECT_EQ(visit.kind, ProfileVisit::Kind::kSkipped);
    EXPECT_EQ(visit.skip, c.skip);
    EXPECT_TRUE(machine.journal.empty());
  }
}

// Profiles where Windows may keep them: on any drive, at a drive's root,
// below folders of one letter; never through a drive's current folder
// ("C:Users"), which is no fixed place.
TEST(UserHivesTest, AProfilesFolderAnywhereOnALocalDriveIsTakenAsItIs) {
  struct Case {
    const char* what;
    WideView profiles;
    WideView path;
    ProfileSkip skip;
    const char* folder;  // kNone: the profile's folder
  };
  const Case cases[] = {
      {"a drive's root", u"D:\\", u"D:\\carol", ProfileSkip::kNone, "D:\\carol"},
      {"a name of one letter at the root", u"D:\\", u"D:\\c", ProfileSkip::kNone, "D:\\c"},
      {"a profiles folder of one letter", u"D:\\U", u"D:\\U\\carol", ProfileSkip::kNone,
       "D:\\U\\carol"},
      {"drive A in either case", u"A:\\Users", u"a:\\users\\carol", ProfileSkip::kNone,
       "a:\\users\\carol"},
      {"drive Z in either case", u"z:\\Users", u"Z:\\Users\\carol", ProfileSkip::kNone,
       "Z:\\Users\\carol"},
      {"a drive's current folder", u"C:\\Users", u"C:carol", ProfileSkip::kNotLocal, ""},
      {"profiles in a drive's current folder", u"C:Users", u"C:Users\\carol",
       ProfileSkip::kNoProfilesFolder, ""},
      {"no drive letter", u"1:\\Users", u"1:\\Users\\carol", ProfileSkip::kNoProfilesFolder, ""},
      {"a character after Z", u"[:\\Users", u"[:\\Users\\carol", ProfileSkip::kNoProfilesFolder,
       ""},
      {"a character before a", u"`:\\Users", u"`:\\Users\\carol", ProfileSkip::kNoProfilesFolder,
       ""},
      {"a character after z", u"{:\\Users", u"{:\\Users\\carol", ProfileSkip::kNoProfilesFolder,
       ""},
      {"a character before A", u"@:\\Users", u"@:\\Users\\carol", ProfileSkip::kNoProfilesFolder,
       ""},
      {"a stream of the first folder", u"C:\\Users", u"C:\\:carol", ProfileSkip::kNotLocal, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WideBuffer folder;
    EXPECT_EQ(JudgeProfileEntry(Entry(kCarol, c.path), c.profiles, folder), c.skip);
    if (c.skip == ProfileSkip::kNone) {
      EXPECT_EQ(Ascii(folder.View()), c.folder);
    }
  }
}

// Every reason a profile is skipped is said in words of its own.
TEST(UserHivesTest, EachReasonToSkipAProfileHasItsOwnWords) {
  std::set<std::string> texts;
  for (int skip = static_cast<int>(ProfileSkip::kNotASid);
       skip <= static_cast<int>(ProfileSkip::kNotLoadable); ++skip) {
    const std::string text = ProfileSkipText(static_cast<ProfileSkip>(skip));
    EXPECT_NE(text, "") << skip;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), static_cast<std::size_t>(ProfileSkip::kNotLoadable));
  EXPECT_STREQ(ProfileSkipText(ProfileSkip::kNone), "");
}

TEST(UserHivesTest, APathIsTakenInItsNormalFormWithoutRegardToCase) {
  WideBuffer folder;
  EXPECT_EQ(JudgeProfileEntry(Entry(kCarol, u"c:/users//Carol/./"), u"C:\\USERS\\", folder),
            ProfileSkip::kNone);
  EXPECT_EQ(Ascii(folder.View()), "c:\\users\\Carol");
  FakeProfiles machine;
  machine.Profile(u"C:\\Users\\sub\\dave");
  machine.Folder(u"C:\\Users\\sub");
  EXPECT_EQ(machine.Visit(Entry(kCarol, u"C:\\Users\\sub\\x\\..\\dave")).kind,
            ProfileVisit::Kind::kCleaned);
  EXPECT_EQ(machine.hive_file, "C:\\Users\\sub\\dave\\NTUSER.DAT");
}

// An entry must never make the program load and write some other file.
TEST(UserHivesTest, APathThroughALinkOrToAFileWithOtherNamesIsNeverLoaded) {
  struct Case {
    const char* what;
    void (*arrange)(FakeProfiles&);
    ProfileSkip skip;
  };
  const Case cases[] = {
      {"the profile folder is a junction",
       [](FakeProfiles& m) { m.disk[u"C:\\Users\\carol"].reparse_point = true; },
       ProfileSkip::kReparsePoint},
      {"a folder above it is a junction",
       [](FakeProfiles& m) {
         m.Folder(u"C:\\Users\\deep");
         m.Profile(u"C:\\Users\\deep\\carol");
         m.disk[u"C:\\Users\\deep"].reparse_point = true;
       },
       ProfileSkip::kReparsePoint},
      {"the profiles folder is a junction",
       [](FakeProfiles& m) { m.disk[u"C:\\Users"].reparse_point = true; },
       ProfileSkip::kReparsePoint},
      {"NTUSER.DAT is a symbolic link",
       [](FakeProfiles& m) { m.disk[u"C:\\Users\\carol\\NTUSER.DAT"].reparse_point = true; },
       ProfileSkip::kReparsePoint},
      {"NTUSER.DAT has another name",
       [](FakeProfiles& m) { m.disk[u"C:\\Users\\carol\\NTUSER.DAT"].links = 2; },
       ProfileSkip::kHardLinked},
      {"NTUSER.DAT cannot be examined",
       [](FakeProfiles& m) { m.disk[u"C:\\Users\\carol\\NTUSER.DAT"].links = 0; },
       ProfileSkip::kUnexamined},
      {"NTUSER.DAT is missing",
       [](FakeProfiles& m) { m.disk.erase(u"C:\\Users\\carol\\NTUSER.DAT"); },
       ProfileSkip::kMissing},
      {"NTUSER.DAT is a folder", [](FakeProfiles& m) { m.Folder(u"C:\\Users\\carol\\NTUSER.DAT"); },
       ProfileSkip::kMissing},
      {"the profile folder is missing", [](FakeProfiles& m) { m.disk.erase(u"C:\\Users\\carol"); },
       ProfileSkip::kMissing},
      {"the profile folder is a file",
       [](FakeProfiles& m) { m.disk[u"C:\\Users\\carol"].folder = false; }, ProfileSkip::kMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeProfiles machine;
    c.arrange(machine);
    const bool deep = machine.disk.count(u"C:\\Users\\deep") > 0;
    const ProfileVisit visit =
        machine.Visit(Entry(kCarol, deep ? u"C:\\Users\\deep\\carol" : u"C:\\Users\\carol"));
    EXPECT_EQ(visit.kind, ProfileVisit::Kind::kSkipped);
    EXPECT_EQ(visit.skip, c.skip);
    EXPECT_TRUE(machine.journal.empty());
  }
}

TEST(UserHivesTest, TheLoadNameIsTheProgramsOwn) {
  WideBuffer name;
  AppendLoadName(name, u"S-1-5-21-1-2-3-1002", 0);
  EXPECT_EQ(Ascii(name.View()), "DiziTarvix-S-1-5-21-1-2-3-1002-0");
  name.Clear();
  AppendLoadName(name, u"S-1-5-18", 4294967295ul);
  EXPECT_EQ(Ascii(name.View()), "DiziTarvix-S-1-5-18-4294967295");
}

}  // namespace
}  // namespace dizi::tools
