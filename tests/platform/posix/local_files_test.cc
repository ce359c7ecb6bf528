// The working directory's files as the run opens them: which kinds of file
// are read, and which links the log follows.
#include "platform/local_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "fakes/fakes.h"
#include "platform/append_file.h"

namespace vornel {
namespace {

using testing::read_file;
using testing::ScratchDir;
using testing::write_file;

constexpr uid_t kOtherUser = 4242;

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
    FileHandle file = files.open_for_reading(row.name);
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
  FileHandle file = working_directory_files().open_for_reading("upload_list.txt");
  ASSERT_TRUE(file);
  for (mode_t mode : {0600, 0640, 0604, 0644, 0620, 0400}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(fchmod(fileno(file.get()), mode), 0);
    EXPECT_EQ(working_directory_files().shared_with_others(file.get()),
              (mode & (S_IRGRP | S_IROTH)) != 0);
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

}  // namespace
}  // namespace vornel
