#include "session/driver.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::FakeLog;
using testing::FakeWorld;
using testing::ScratchDir;

// Hands run_utility a log that forwards into the world's fake, so the test
// can read it after the run has destroyed its own handle.
class ForwardingLog : public LogSink {
 public:
  explicit ForwardingLog(FakeLog* target) : target_(target) {}
  void write(std::string_view text) override { target_->write(text); }
  void flush() override { target_->flush(); }
  ~ForwardingLog() override { target_->flush(); }  // closing writes out the buffer

 private:
  FakeLog* target_;
};

LogOpener forward_to(FakeLog* log) {
  return [log](std::string*) { return std::make_unique<ForwardingLog>(log); };
}

const std::string kRule = "  " + std::string(59, '*') + "\n";

std::string header() {
  return "\n  **********************  NEW SESSION  **********************\n" + kRule +
         "               Sat Mar 01 09:05:07 2014\n\n\n" + kRule;
}

FakeWorld* world_at_2014() {
  auto* w = new FakeWorld;
  w->clock.now.tm_year = 114;
  w->clock.now.tm_mon = 2;
  w->clock.now.tm_mday = 1;
  w->clock.now.tm_wday = 6;
  w->clock.now.tm_hour = 9;
  w->clock.now.tm_min = 5;
  w->clock.now.tm_sec = 7;
  return w;
}

TEST(RunUtility, ChoiceThreeLeavesOnlyTheHeader) {
  std::unique_ptr<FakeWorld> w(world_at_2014());
  w->console.add("3");
  EXPECT_EQ(run_utility(w->env, forward_to(&w->log)), 0);
  EXPECT_TRUE(w->console.out.starts_with("Vornel version 1.0d\n\n\n\n  Vornel.\n"));
  EXPECT_TRUE(w->console.out.ends_with("  Action: "));
  EXPECT_EQ(w->log.flushed(), header());
}

TEST(RunUtility, EndOfInputAtTheMenuLeavesLikeChoiceThree) {
  std::unique_ptr<FakeWorld> w(world_at_2014());
  EXPECT_EQ(run_utility(w->env, forward_to(&w->log)), 0);
  EXPECT_EQ(w->log.flushed(), header());
}

TEST(RunUtility, TwoPassesOneHeaderTwoFooters) {
  ScratchDir dir;
  std::unique_ptr<FakeWorld> w(world_at_2014());
  for (const char* line : {"2", "10.0.0.5", "u", "p", "1", "2", "10.0.0.6", "u", "p", "1", "3"})
    w->console.add(line);
  w->ftp.logins = {false, false};  // both checks fail
  EXPECT_EQ(run_utility(w->env, forward_to(&w->log)), 0);
  const std::string& log = w->log.flushed();
  EXPECT_TRUE(log.starts_with(header() + "\n\tDownloading config.ini    from     10.0.0.5"));
  EXPECT_NE(log.find("\n\tThere were 2 failures.\n\t10.0.0.6:   Could not log in to FTP server.\n" +
                     kRule),
            std::string::npos);
  EXPECT_EQ(log.find("NEW SESSION"), log.rfind("NEW SESSION"));
  EXPECT_TRUE(log.ends_with(kRule));
}

TEST(RunUtility, LeavingInAPassEndsWithStatusOneAndKeepsTheLog) {
  ScratchDir dir;
  std::unique_ptr<FakeWorld> w(world_at_2014());
  for (const char* line : {"1", "10.0.0.5", "a.ini", "u", "p", "3"}) w->console.add(line);
  EXPECT_EQ(run_utility(w->env, forward_to(&w->log)), 1);
  EXPECT_EQ(w->log.flushed(), header());  // no footer for the pass under way
}

TEST(RunUtility, UnopenableLogStopsBeforeTheMenu) {
  std::unique_ptr<FakeWorld> w(world_at_2014());
  w->console.add("3");
  auto refuse = [](std::string* error) -> std::unique_ptr<LogSink> {
    *error = "Is a directory";
    return nullptr;
  };
  EXPECT_EQ(run_utility(w->env, refuse), 1);
  EXPECT_EQ(w->console.out, "Vornel version 1.0d\n\n");
  EXPECT_EQ(w->console.err, "vornel: cannot open log.txt: Is a directory\n");
  EXPECT_EQ(w->console.reads, 0);
}

}  // namespace
}  // namespace vornel
