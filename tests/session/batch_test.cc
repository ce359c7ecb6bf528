// vornel-batch's command line.
#include "session/batch.h"

#include <gtest/gtest.h>

namespace vornel {
namespace {

TEST(BatchArguments, EachCommandWithItsOptionsOrAUsageError) {
  using Kind = BatchRequest::Kind;
  const struct {
    std::vector<std::string> args;
    Kind kind;
    BatchCommand command = BatchCommand::kUpload;
    std::string list = "", results = "";
    bool by_address = false;
  } cases[] = {
      {{"upload"}, Kind::kRun, BatchCommand::kUpload, "", "", false},
      {{"download", "--results=r.jsonl", "--name-by-address", "my list.txt"}, Kind::kRun,
       BatchCommand::kDownload, "my list.txt", "r.jsonl", true},
      {{"check", "download", "--results", "-", "l"}, Kind::kRun, BatchCommand::kCheckDownload,
       "l", "-", false},
      {{"upload", "--", "--results"}, Kind::kRun, BatchCommand::kUpload, "--results", "", false},
      {{"/?"}, Kind::kHelp, BatchCommand::kUpload, "", "", false},
      {{"--version"}, Kind::kVersion, BatchCommand::kUpload, "", "", false},
      {{}, Kind::kUsageError, BatchCommand::kUpload, "", "", false},
      {{"check"}, Kind::kUsageError, BatchCommand::kUpload, "", "", false},
      {{"upload", "--results"}, Kind::kUsageError, BatchCommand::kUpload, "", "", false},
      {{"upload", "--results="}, Kind::kUsageError, BatchCommand::kUpload, "", "", false},
      {{"upload", "--results", "a", "--results", "b"}, Kind::kUsageError},
      {{"upload", "--name-by-address"}, Kind::kUsageError},
      {{"upload", "a", "b"}, Kind::kUsageError},
      {{"upload", "--help"}, Kind::kUsageError},
      {{"upload", "-x"}, Kind::kUsageError},
  };
  for (const auto& c : cases) {
    BatchRequest request = parse_batch_arguments(c.args);
    std::string shown = c.args.empty() ? "(none)" : c.args[0] + "...";
    ASSERT_EQ(request.kind, c.kind) << shown << " " << request.error;
    if (c.kind == Kind::kUsageError) {
      EXPECT_FALSE(request.error.empty());
    } else if (c.kind == Kind::kRun) {
      EXPECT_EQ(request.options.command, c.command) << shown;
      EXPECT_EQ(request.options.list, c.list) << shown;
      EXPECT_EQ(request.options.results, c.results) << shown;
      EXPECT_EQ(request.options.name_by_address, c.by_address) << shown;
    }
  }
}

}  // namespace
}  // namespace vornel
