// What the archive reads back from git and writes for it: a diff's counts
// per file, the commit's message, and the run's title read again for the
// history the report shows.
#include <gtest/gtest.h>

#include "archive/archive.h"

namespace vornel {
namespace {

// git diff-tree -r --raw --numstat: the raw lines say new or changed, the
// numstat lines the counts; a binary file's "-" counts nothing, and a path
// git quoted stays as git wrote it.
TEST(ArchiveText, ReadsEachFilesChangeAndItsLines) {
  std::map<std::string, DeviceChange> changes = read_tree_diff(
      ":000000 100644 0000000 1111111 A\t10.0.0.2.ini\n"
      ":100644 100644 2222222 3333333 M\t10.0.0.3.ini\n"
      ":100644 100644 4444444 5555555 M\t10.0.0.4.ini\n"
      "12\t0\t10.0.0.2.ini\n"
      "1\t1\t10.0.0.3.ini\n"
      "-\t-\t10.0.0.4.ini\n");
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes["10.0.0.2.ini"].change, ConfigChange::kNew);
  EXPECT_EQ(changes["10.0.0.2.ini"].added, 12);
  EXPECT_EQ(changes["10.0.0.3.ini"].change, ConfigChange::kChanged);
  EXPECT_EQ(changes["10.0.0.3.ini"].added + changes["10.0.0.3.ini"].removed, 2);
  EXPECT_EQ(changes["10.0.0.4.ini"].change, ConfigChange::kChanged);
  EXPECT_EQ(changes["10.0.0.4.ini"].added, 0);
  EXPECT_EQ(change_words(changes["10.0.0.3.ini"]), "changed, 2 lines");
}

// The title is one line the history reads back; what a list or a host put
// in the message (a device's name, the user, the folder) shows no control
// character, and an unchanged device is not listed.
TEST(ArchiveText, TitleReadsBackAndTheMessageShowsNoControlCharacters) {
  ArchiveRequest request;
  request.fetched = {{"10.0.0.2", "/w/fetched/10.0.0.2.ini"}, {"10.0.0.3", "/w/f/10.0.0.3.ini"}};
  request.not_fetched = 2;
  request.run_time = "2026-12-08 09:05:07";
  request.work_dir = "/w/run\n\x1b[2Jnext";
  ArchiveReport report;
  report.changed = 1;
  report.unchanged = 1;
  report.devices["10.0.0.2"] = {ConfigChange::kUnchanged, 0, 0};
  report.devices["10.0.0.3"] = {ConfigChange::kChanged, 3, 1};

  std::string message = commit_message(request, report, "op\x07", "host");
  EXPECT_EQ(message.substr(0, message.find('\n')),
            "download run 2026-12-08 09:05:07: 1 changed, 1 unchanged, 0 new, 2 not fetched");
  EXPECT_NE(message.find("\n10.0.0.3.ini: changed, 4 lines\n"), std::string::npos) << message;
  EXPECT_EQ(message.find("10.0.0.2.ini"), std::string::npos) << message;
  EXPECT_EQ(message.find('\x1b'), std::string::npos) << message;
  EXPECT_EQ(message.find('\x07'), std::string::npos) << message;

  ArchivedRun run;
  ASSERT_TRUE(read_run_title(run_title(request, report), &run));
  EXPECT_EQ(run.run_time, "2026-12-08 09:05:07");
  EXPECT_EQ(run.changed + run.unchanged + run.added + run.not_fetched, 4);
  for (const char* other : {"by hand", "download run 2026-12-08 09:05:07: 1 changed",
                            "download run 2026-12-08 09:05:07: 1 changed, 1 unchanged, 0 new, "
                            "2 not fetched and more"}) {
    EXPECT_FALSE(read_run_title(other, &run)) << other;
  }
}

}  // namespace
}  // namespace vornel
