#include "platform/files/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <gtest/gtest.h>

#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "platform/files/FileLock.h"
#include "platform/files/IWriteFaults.h"
#include "support/RaisedError.h"
#include "support/TempFolder.h"

namespace lv8int::files {
namespace {

using test::TempFolder;

TEST(Paths, Pieces) {
  EXPECT_EQ(folderOf(u"/a/b/c.txt"), u"/a/b/");
  EXPECT_EQ(folderOf(u"c.txt"), u"");
  EXPECT_EQ(folderOf(u"/a/b/"), u"/a/b/");
  EXPECT_EQ(baseName(u"/a/b.d/c.tar.gz"), u"c.tar");
  EXPECT_EQ(baseName(u"/a/b.d/readme"), u"readme");
  EXPECT_EQ(baseName(u"/a/.profile"), u".profile");
  EXPECT_EQ(fileName(u"/a/b/c.txt"), u"c.txt");
  EXPECT_EQ(withTrailingSeparator(u"/a/b"), u"/a/b/");
  EXPECT_EQ(withTrailingSeparator(u"/a/b/"), u"/a/b/");
  EXPECT_EQ(withTrailingSeparator(u""), u"");
  EXPECT_EQ(fromWindowsPath(u"Config\\Users\\a.xml"), u"Config/Users/a.xml");
}

TEST(Resolve, ComponentsAreMatchedWithoutRegardToCase) {
  TempFolder tmp;
  tmp.write("Config/Users/Data.XML", "x");
  const String base = fromUtf8(tmp.path());
  EXPECT_EQ(resolve(base + u"config/USERS/data.xml"), base + u"Config/Users/Data.XML");
  EXPECT_EQ(resolve(base + u"CONFIG/users/"), base + u"Config/Users/");
  // The part that does not exist yet is kept as written below the resolved folders.
  EXPECT_EQ(resolve(base + u"config/users/New/File.txt"), base + u"Config/Users/New/File.txt");
  EXPECT_TRUE(fileExists(base + u"CONFIG/users/DATA.xml"));
  EXPECT_TRUE(folderExists(base + u"config/users"));
  EXPECT_FALSE(fileExists(base + u"config/users"));
  EXPECT_FALSE(folderExists(base + u"config/users/data.xml"));
  EXPECT_EQ(readFile(base + u"config/users/data.xml").value_or("-"), "x");
}

TEST(Resolve, AReadTellsWhereItLookedAndWhyNothingWasRead) {
  TempFolder tmp;
  tmp.write("Config/Data.XML", "x");
  tmp.mkdir("Config/Folder.xml");
  const String base = fromUtf8(tmp.path());
  struct Case {
    String asked, path;
    int error;
    const char* bytes;
  };
  const Case cases[] = {
      {base + u"Config/Data.XML", base + u"Config/Data.XML", 0, "x"},
      {base + u"config/data.xml", base + u"Config/Data.XML", 0, "x"},
      {base + u"config/new.xml", base + u"Config/new.xml", ENOENT, nullptr},
      {base + u"none/new.xml", base + u"none/new.xml", ENOENT, nullptr},
      {base + u"config/data.xml/below", base + u"Config/Data.XML/below", ENOENT, nullptr},
      {base + u"CONFIG/folder.XML", base + u"Config/Folder.xml", EISDIR, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(toUtf8(c.asked));
    FileContent content = readFileResolved(c.asked);
    EXPECT_EQ(content.path, c.path);
    EXPECT_EQ(content.error, c.error);
    EXPECT_EQ(content.bytes.has_value(), c.bytes != nullptr);
    if (c.bytes) {
      EXPECT_EQ(*content.bytes, c.bytes);
    }
  }
}

TEST(Resolve, AmbiguousNamesResolveNothing) {
  TempFolder tmp;
  tmp.write("Top/ab/f", "lower");
  tmp.write("Top/AB/f", "upper");
  const String base = fromUtf8(tmp.path());
  // "top" alone would resolve, but the path as a whole is left as written.
  EXPECT_EQ(resolve(base + u"top/Ab/f"), base + u"top/Ab/f");
  EXPECT_FALSE(fileExists(base + u"top/Ab/f"));
  // A component that exists as written is taken as is, whatever its neighbours.
  EXPECT_EQ(resolve(base + u"top/AB/F"), base + u"Top/AB/f");
  EXPECT_EQ(readFile(base + u"TOP/ab/f").value_or("-"), "lower");
}

// Listings of folders that have not changed for a while are kept; any change of the folder (a
// rename, a new entry even with its times set back by hand) is seen at the next lookup.
TEST(Resolve, AKeptFolderListingFollowsEveryChangeOfTheFolder) {
  TempFolder tmp;
  tmp.write("Old/Data.TXT", "1");
  const String base = fromUtf8(tmp.path());
  const std::string folder = tmp.file("Old");
  auto age = [&] {  // last changed an hour ago, as an installed tree
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 3600;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
  };
  age();
  EXPECT_EQ(resolve(base + u"old/data.txt"), base + u"Old/Data.TXT");
  EXPECT_EQ(resolve(base + u"old/data.txt"), base + u"Old/Data.TXT");
  ASSERT_EQ(::rename(tmp.file("Old/Data.TXT").c_str(), tmp.file("Old/DATA.txt").c_str()), 0);
  EXPECT_EQ(resolve(base + u"old/data.txt"), base + u"Old/DATA.txt");
  age();
  EXPECT_EQ(resolve(base + u"old/data.txt"), base + u"Old/DATA.txt");
  struct stat before;
  ASSERT_EQ(::stat(folder.c_str(), &before), 0);
  tmp.write("Old/data.Txt", "2");
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
  EXPECT_EQ(resolve(base + u"old/data.txt"), base + u"old/data.txt") << "two entries match: nothing is resolved";
  EXPECT_EQ(readFile(base + u"Old/data.Txt").value_or("-"), "2");
}

TEST(Folders, CreateAndChange) {
  TempFolder tmp;
  tmp.mkdir("Data");
  const String base = fromUtf8(tmp.path());
  EXPECT_TRUE(createFolderPath(base + u"data/x/y/"));
  EXPECT_EQ(tmp.list("Data"), "x");  // no sibling "data" made next to "Data"
  EXPECT_TRUE(folderExists(base + u"Data/x/y"));
  tmp.write("file", "");
  EXPECT_FALSE(createFolderPath(base + u"file/sub"));

  const String before = currentDirectory();
  ASSERT_EQ(before.back(), u'/');
  ASSERT_TRUE(setCurrentDirectory(base + u"DATA/X"));
  EXPECT_EQ(currentDirectory(), base + u"Data/x/");
  EXPECT_TRUE(folderExists(u"y"));
  EXPECT_FALSE(setCurrentDirectory(base + u"missing"));
  ASSERT_TRUE(setCurrentDirectory(before));
}

TEST(Folders, LibraryFolderHoldsTheLibrary) {
  const String folder = libraryFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), u'/');
  EXPECT_EQ(folder.back(), u'/');
  EXPECT_TRUE(fileExists(folder + u"liblv8int.so"));
}

TEST(AtomicWrite, ReplacesCreatesAndKeepsMode) {
  TempFolder tmp;
  const String target = tmp.name("a/b/c.ini");
  writeFileAtomically(target, "one");
  EXPECT_EQ(tmp.read("a/b/c.ini"), "one");
  ::chmod(tmp.file("a/b/c.ini").c_str(), 0640);
  writeFileAtomically(tmp.name("A/B/C.INI"), std::string("two\0three", 9));
  EXPECT_EQ(tmp.read("a/b/c.ini"), std::string("two\0three", 9));
  EXPECT_EQ(tmp.list("a/b"), "c.ini");  // same file, no temporary left behind
  struct stat st;
  ASSERT_EQ(::stat(tmp.file("a/b/c.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicWrite, LinkKeptAndTargetReplaced) {
  TempFolder tmp;
  tmp.write("real/data.xml", "old");
  tmp.mkdir("links");
  ASSERT_EQ(::symlink(tmp.file("real/data.xml").c_str(), tmp.file("links/data.xml").c_str()), 0);
  writeFileAtomically(tmp.name("links/data.xml"), "new");
  struct stat st;
  ASSERT_EQ(::lstat(tmp.file("links/data.xml").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(tmp.read("real/data.xml"), "new");
}

class FailAt : public IWriteFaults {
 public:
  FailAt(WriteStep step, int error) : step_(step), error_(error) {}
  int failure(WriteStep step, StringView) override { return step == step_ ? error_ : 0; }

 private:
  WriteStep step_;
  int error_;
};

using test::errorOf;
using test::raisedError;

TEST(AtomicWrite, FailureLeavesOldFileByteForByte) {
  const std::string old("old\r\n\0content\xff", 15);
  const struct {
    WriteStep step;
    int error;
    int32_t number;
  } cases[] = {
      {WriteStep::Open, EACCES, 70},
      {WriteStep::Write, ENOSPC, 61},
      {WriteStep::Write, EIO, 75},
      {WriteStep::Sync, EDQUOT, 61},
      {WriteStep::Rename, EROFS, 70},
      {WriteStep::Rename, EXDEV, 75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.step));
    TempFolder tmp;
    tmp.write("store/user.xml", old);
    FailAt faults(c.step, c.error);
    ServiceScope<IWriteFaults> scope(faults);
    const AutomationError e = raisedError([&] { writeFileAtomically(tmp.name("store/user.xml"), "replacement text"); });
    const String& description = e.description();
    EXPECT_EQ(e.number(), c.number);
    // The description says what failed and where.
    EXPECT_NE(description.find(tmp.name("store/user.xml")), String::npos) << toUtf8(description);
    EXPECT_EQ(description.rfind(standardDescription(c.number), 0), 0u) << toUtf8(description);
    EXPECT_EQ(tmp.read("store/user.xml"), old);
    EXPECT_EQ(tmp.list("store"), "user.xml");
  }
}

TEST(AtomicWrite, MissingFolderThatCannotBeMade) {
  TempFolder tmp;
  FailAt faults(WriteStep::CreateFolder, EACCES);
  {
    ServiceScope<IWriteFaults> scope(faults);
    EXPECT_EQ(errorOf([&] { writeFileAtomically(tmp.name("new/f.txt"), "x"); }), 70);
  }
  EXPECT_EQ(tmp.list(), "");
  // A file in the way of a folder, and a folder in the way of a file.
  tmp.write("plain", "p");
  EXPECT_EQ(errorOf([&] { writeFileAtomically(tmp.name("plain/f.txt"), "x"); }), 75);
  tmp.mkdir("dir");
  EXPECT_EQ(errorOf([&] { writeFileAtomically(tmp.name("dir"), "x"); }), 75);
  EXPECT_EQ(tmp.read("plain"), "p");
}

// Temporary files of writes killed before their rename: ".<name>.<pid>-<n>-<tick>.tmp".
TEST(AtomicWrite, RemovesTemporariesOfEarlierWritersThatAreGone) {
  pid_t gone = ::fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = std::to_string(gone), alive = std::to_string(::getppid());
  TempFolder tmp;
  tmp.write("hive.reg", "old");
  const std::string kept[] = {
      ".hive.reg." + alive + "-0-1.tmp",  // its writer may still be writing
      ".other.reg." + dead + "-0-1.tmp",  // another file's
      ".hive.reg.x" + dead + "-0-1.tmp",  // not a temporary name
      "hive.reg." + dead + "-0-1.tmp",
  };
  for (const auto& name : kept) tmp.write(name, "k");
  tmp.write(".hive.reg." + dead + "-0-123.tmp", "stale");
  tmp.write(".hive.reg." + dead + "-7-5.tmp", "stale");
  writeFileAtomically(tmp.name("hive.reg"), "new");
  EXPECT_EQ(tmp.read("hive.reg"), "new");
  for (const auto& name : kept) EXPECT_TRUE(tmp.exists(name)) << name;
  EXPECT_EQ(tmp.list(), ".hive.reg." + alive + "-0-1.tmp,.hive.reg.x" + dead + "-0-1.tmp,.other.reg." + dead +
                            "-0-1.tmp,hive.reg,hive.reg." + dead + "-0-1.tmp");
}

// Ownership checks need a second user; the administrator can make files of any.
class AtomicWriteAsAdministrator : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs the administrator to hand files to another user";
  }
  static constexpr uid_t kOther = 4321;
  static constexpr gid_t kOtherGroup = 4322;
  TempFolder tmp;
};

TEST_F(AtomicWriteAsAdministrator, ALinkSomeoneElseCouldHavePlantedIsRefused) {
  tmp.write("target/passwd", "precious");
  // A link owned by another user; a link of the writer's own in another user's folder; a
  // folder on the way that is another user's link.
  tmp.mkdir("Users/alice");
  ASSERT_EQ(::symlink(tmp.file("target/passwd").c_str(), tmp.file("Users/alice/usercfg.xml").c_str()), 0);
  ASSERT_EQ(::lchown(tmp.file("Users/alice/usercfg.xml").c_str(), kOther, kOtherGroup), 0);
  tmp.mkdir("Users/bob");
  ASSERT_EQ(::symlink(tmp.file("target/passwd").c_str(), tmp.file("Users/bob/usercfg.xml").c_str()), 0);
  ASSERT_EQ(::chown(tmp.file("Users/bob").c_str(), kOther, kOtherGroup), 0);
  ASSERT_EQ(::symlink(tmp.file("target").c_str(), tmp.file("Users/carol").c_str()), 0);
  ASSERT_EQ(::lchown(tmp.file("Users/carol").c_str(), kOther, kOtherGroup), 0);
  ASSERT_EQ(::symlink(tmp.file("target/passwd").c_str(), tmp.file("Users/alice/usercfg.xml.bad").c_str()), 0);
  ASSERT_EQ(::lchown(tmp.file("Users/alice/usercfg.xml.bad").c_str(), kOther, kOtherGroup), 0);
  const char* refused[] = {"Users/alice/usercfg.xml", "Users/alice/usercfg.xml.bad", "Users/bob/usercfg.xml",
                           "Users/carol/passwd"};
  for (const char* file : refused) {
    SCOPED_TRACE(file);
    const AutomationError e = raisedError([&] { writeFileAtomically(tmp.name(file), "planted"); });
    const String& description = e.description();
    EXPECT_EQ(e.number(), err::PermissionDenied);
    EXPECT_NE(description.find(tmp.name(file)), String::npos) << toUtf8(description);
    EXPECT_EQ(tmp.read("target/passwd"), "precious");
  }
  EXPECT_EQ(tmp.list("target"), "passwd");
  // A save that locks beside the file makes nothing through the planted folder either.
  EXPECT_EQ(errorOf([&] { FileLock lock(tmp.name("Users/carol/usercfg.xml")); }), err::PermissionDenied);
  EXPECT_EQ(tmp.list("target"), "passwd");
  // The writer's own link in its own folder is followed (see LinkKeptAndTargetReplaced).
}

TEST_F(AtomicWriteAsAdministrator, AReplacedFileKeepsItsOwnerGroupAndMode) {
  tmp.write("Users/alice/usercfg.xml", "old");
  ASSERT_EQ(::chown(tmp.file("Users/alice/usercfg.xml").c_str(), kOther, kOtherGroup), 0);
  ASSERT_EQ(::chmod(tmp.file("Users/alice/usercfg.xml").c_str(), 0604), 0);
  writeFileAtomically(tmp.name("Users/alice/usercfg.xml"), "new");
  struct stat st;
  ASSERT_EQ(::stat(tmp.file("Users/alice/usercfg.xml").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kOther);
  EXPECT_EQ(st.st_gid, kOtherGroup);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(tmp.read("Users/alice/usercfg.xml"), "new");
}

TEST(Copy, CopiesBytesAndReportsFailure) {
  TempFolder tmp;
  tmp.write("src.bin", std::string("\0\1\2", 3));
  EXPECT_TRUE(copyFile(tmp.name("SRC.bin"), tmp.name("out/dst.bin")));
  EXPECT_EQ(tmp.read("out/dst.bin"), std::string("\0\1\2", 3));
  EXPECT_FALSE(copyFile(tmp.name("missing"), tmp.name("out/dst.bin")));
  EXPECT_EQ(tmp.read("out/dst.bin"), std::string("\0\1\2", 3));
  EXPECT_TRUE(removeFile(tmp.name("OUT/DST.BIN")));
  EXPECT_FALSE(tmp.exists("out/dst.bin"));
  EXPECT_FALSE(removeFile(tmp.name("out/dst.bin")));
}

}  // namespace
}  // namespace lv8int::files
