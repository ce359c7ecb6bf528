// The working directory's files as the run opens them: which kinds of file
// are read, and whose links and files the run takes on trust.
#include "platform/local_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "fakes/fakes.h"
#include "platform/append_file.h"

namespace vornel {
namespace {

using testing::read_file;
using testing::ScratchDir;
using testing::write_file;

constexpr uid_t kOtherUser = 4242;
constexpr uid_t kThirdUser = 4343;

// Runs as effective user uid for the life of the object; root again after.
class EffectiveUser {
 public:
  explicit EffectiveUser(uid_t uid) : changed_(uid != 0 && seteuid(uid) == 0) {}
  ~EffectiveUser() {
    if (changed_) {
      EXPECT_EQ(seteuid(0), 0);
    }
  }
  EffectiveUser(const EffectiveUser&) = delete;
  EffectiveUser& operator=(const EffectiveUser&) = delete;

 private:
  bool changed_;
};

TEST(WorkingDirectoryFiles, OnlyRegularFilesOpenAndNothingWaits) {
  ScratchDir dir;
  write_file("plain.ini", "[a]\n");
  ASSERT_EQ(symlink("plain.ini", "link.ini"), 0);
  ASSERT_EQ(mkfifo("fifo.ini", 0600), 0);
  ASSERT_EQ(symlink("fifo.ini", "fifo-link.ini"), 0);
  ASSERT_EQ(mkdir("folder.ini", 0700), 0);
  ASSERT_EQ(symlink("/dev/zero", "device.ini"), 0);
  ASSERT_EQ(symlink("missing.ini", "dangling.ini"), 0);
  struct Row {
    const char* name;
    bool opens;
  };
  const Row rows[] = {{"plain.ini", true},      {"link.ini", true},    {"fifo.ini", false},
                      {"fifo-link.ini", false}, {"folder.ini", false}, {"device.ini", false},
                      {"dangling.ini", false},  {"missing.ini", false}};
  LocalFiles& files = working_directory_files();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto start = std::chrono::steady_clock::now();
    FileHandle file = files.open_for_reading(row.name, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_EQ(file != nullptr, row.opens);
    if (!row.opens) continue;
    char line[8] = "";
    EXPECT_NE(std::fgets(line, sizeof line, file.get()), nullptr);  // reads blocking as usual
    EXPECT_STREQ(line, "[a]\n");
  }
}

TEST(WorkingDirectoryFiles, SharedWithOthersWhenGroupOrOthersMayRead) {
  ScratchDir dir;
  write_file("upload_list.txt", "SystemIP=10.0.0.5\n");
  FileHandle file = working_directory_files().open_for_reading("upload_list.txt", nullptr);
  ASSERT_TRUE(file);
  for (mode_t mode : {0600, 0640, 0604, 0644, 0620, 0400}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(fchmod(fileno(file.get()), mode), 0);
    EXPECT_EQ(working_directory_files().shared_with_others(file.get()),
              (mode & (S_IRGRP | S_IROTH)) != 0);
  }
}

// The files the operator names (lists, INI files), as root and as another
// user: a link is followed only when it is the runner's or root's, and
// another user's file is refused only when root runs; each refusal, and a
// file of another user read all the same, is named in the notice.
TEST(WorkingDirectoryFiles, NamedFilesAreTakenOnTrustOnlyFromTheirRunnerAndRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give files to other users";
  ScratchDir dir;
  ASSERT_EQ(chmod(".", 0755), 0);
  write_file("own.ini", "own\n");
  write_file("theirs.ini", "theirs\n");
  write_file("secret", "secret\n");
  ASSERT_EQ(chmod("own.ini", 0644), 0);
  ASSERT_EQ(chmod("theirs.ini", 0644), 0);
  ASSERT_EQ(chmod("secret", 0600), 0);
  ASSERT_EQ(chown("theirs.ini", kOtherUser, kOtherUser), 0);
  ASSERT_EQ(symlink("own.ini", "root-link.ini"), 0);
  ASSERT_EQ(symlink("theirs.ini", "root-link-to-theirs.ini"), 0);
  ASSERT_EQ(symlink("secret", "their-link.ini"), 0);
  ASSERT_EQ(lchown("their-link.ini", kOtherUser, kOtherUser), 0);
  struct Row {
    uid_t runner;
    const char* name;
    const char* read;    // what is read, or nullptr when refused
    const char* notice;  // the notice, from its start; "" for none
  };
  const Row rows[] = {
      {0, "own.ini", "own\n", ""},
      {0, "root-link.ini", "own\n", ""},
      {0, "theirs.ini", nullptr, "theirs.ini is not read: it belongs to another user"},
      {0, "root-link-to-theirs.ini", nullptr, "root-link-to-theirs.ini is not read: it belongs"},
      {0, "their-link.ini", nullptr,
       "their-link.ini is not read: a link owned by another user is on its way"},
      {kThirdUser, "own.ini", "own\n", ""},
      {kThirdUser, "theirs.ini", "theirs\n", "theirs.ini belongs to another user (uid 4242)"},
      {kThirdUser, "their-link.ini", nullptr, "their-link.ini is not read: a link owned by"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " run by uid " + std::to_string(row.runner));
    std::string notice = "left over";
    FileHandle file;
    {
      EffectiveUser runner(row.runner);
      ASSERT_EQ(geteuid(), row.runner);
      file = working_directory_files().open_for_reading(row.name, &notice);
    }
    ASSERT_EQ(file != nullptr, row.read != nullptr) << notice;
    EXPECT_EQ(notice.substr(0, std::strlen(row.notice)), row.notice);
    EXPECT_EQ(notice.empty(), row.notice[0] == '\0') << notice;
    if (!file) continue;
    char line[16] = "";
    EXPECT_NE(std::fgets(line, sizeof line, file.get()), nullptr);
    EXPECT_STREQ(line, row.read);
  }
}

// As root in a folder anyone may write, without the sticky bit (so the
// kernel's protected_symlinks does not apply): a log.txt link is followed
// only when it is root's own (or the running user's), and so is every link
// on its way.
TEST(LogFileLinks, FollowedOnlyWhenOwnedByTheRunningUserOrRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a link to another user (lchown)";
  ScratchDir dir;
  ASSERT_EQ(chmod(".", 0777), 0);
  ASSERT_EQ(mkdir("elsewhere", 0755), 0);
  struct Row {
    const char* what;
    uid_t link_owner;
    const char* link_to;  // the log.txt link
    const char* kept_at;  // where the log lands, or nullptr when refused
  };
  const Row rows[] = {
      {"own link to an existing log", 0, "elsewhere/kept.log", "elsewhere/kept.log"},
      {"own link to a missing log", 0, "elsewhere/new.log", "elsewhere/new.log"},
      {"own link to a folder link of another user", 0, "other-folder/victim.log", nullptr},
      {"another user's link to an existing file", kOtherUser, "elsewhere/victim.log", nullptr},
      {"another user's link to a missing file", kOtherUser, "elsewhere/created.log", nullptr},
      {"another user's link through own links", kOtherUser, "own-link", nullptr},
  };
  write_file("elsewhere/kept.log", "earlier\n");
  write_file("elsewhere/victim.log", "precious\n");
  ASSERT_EQ(symlink("elsewhere", "other-folder"), 0);
  ASSERT_EQ(lchown("other-folder", kOtherUser, kOtherUser), 0);
  ASSERT_EQ(symlink("elsewhere/victim.log", "own-link"), 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    unlink("log.txt");
    ASSERT_EQ(symlink(row.link_to, "log.txt"), 0);
    ASSERT_EQ(lchown("log.txt", row.link_owner, row.link_owner), 0);
    std::string before = row.kept_at ? read_file(row.kept_at) : "";
    std::string error;
    FileHandle log = open_append_stream("log.txt", &error);
    ASSERT_EQ(log != nullptr, row.kept_at != nullptr) << error;
    if (log) {
      ASSERT_GE(std::fputs("appended\n", log.get()), 0);
      log.reset();
      EXPECT_EQ(read_file(row.kept_at), before + "appended\n");
    } else {
      EXPECT_NE(error.find("owned by another user"), std::string::npos) << error;
    }
    EXPECT_EQ(read_file("elsewhere/victim.log"), "precious\n");
    EXPECT_EQ(access("elsewhere/created.log", F_OK), -1);
  }
}

// As root: a log.txt that another user owns, or that has other names
// (hard links), is not written, however anyone may write it.
TEST(LogFileLinks, AnotherUsersLogAndAHardLinkedLogAreNotWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  ScratchDir dir;
  struct Row {
    const char* what;
    uid_t owner;
    bool hard_linked;
    const char* refusal;  // nullptr: written
  };
  const Row rows[] = {
      {"own log", 0, false, nullptr},
      {"another user's log, writable by all", kOtherUser, false, "belongs to another user"},
      {"own log with a second name", 0, true, "has other names"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    unlink("log.txt");
    unlink("elsewhere.txt");
    write_file("log.txt", "earlier\n");
    ASSERT_EQ(chmod("log.txt", 0666), 0);
    ASSERT_EQ(chown("log.txt", row.owner, row.owner), 0);
    if (row.hard_linked) {
      ASSERT_EQ(link("log.txt", "elsewhere.txt"), 0);
    }
    std::string error;
    FileHandle log = open_append_stream("log.txt", &error);
    ASSERT_EQ(log == nullptr, row.refusal != nullptr) << error;
    if (log) {
      ASSERT_GE(std::fputs("appended\n", log.get()), 0);
    }
    log.reset();
    EXPECT_EQ(read_file("log.txt"), row.refusal ? "earlier\n" : "earlier\nappended\n");
    if (row.refusal) {
      EXPECT_NE(error.find(row.refusal), std::string::npos) << error;
    }
  }
}

}  // namespace
}  // namespace vornel
