#include "session/batch.h"

#include <memory>

#include "platform/append_file.h"
#include "platform/ftp_local_files.h"
#include "report/device_result.h"
#include "report/log_header.h"
#include "report/output.h"
#include "report/summary.h"
#include "report/watched_log.h"
#include "session/passes.h"
#include "session/run_context.h"
#include "session/target_list_builder.h"
#include "session/version.h"
#include "targets/target_list.h"

namespace vornel {
namespace {

constexpr char kReadyCount[] = "\n\tReady: %d of %d\n";

// One group of the list as read, refused ones included, in list order.
struct BatchGroup {
  long line = 0;
  TargetRecord* record = nullptr;  // an accepted group's record, in the list
  std::string address;             // a refused group's fields, as read
  std::string ini_file;
  std::string refusal;
};

class GroupCollector : public ListGroupSink {
 public:
  void group(const ListGroup& group) override {
    BatchGroup batch_group;
    batch_group.line = group.line;
    batch_group.refusal = group.refusal;
    if (group.refusal.empty()) {
      batch_group.record = const_cast<TargetRecord*>(group.record);
    } else {
      batch_group.address = group.record->ip_address;
      batch_group.ini_file = group.record->ini_file_name;
    }
    groups.push_back(std::move(batch_group));
  }
  std::vector<BatchGroup> groups;
};

// Owns a list from read_target_list.
struct ListOwner {
  TargetRecord* first = nullptr;
  ~ListOwner() { free_target_list(first); }
};

// The console as the run sees it when the records go to standard output:
// what it would say there goes to standard error, so standard output holds
// records only.
class ProseOnErrors : public Console {
 public:
  explicit ProseOnErrors(Console& console) : console_(console) {}
  bool read_line(std::string* line) override { return console_.read_line(line); }
  void write(std::string_view text) override { console_.error(text); }
  void error(std::string_view text) override { console_.error(text); }

 private:
  Console& console_;
};

// Where the records go: a file, standard output, or nowhere.
class RecordWriter {
 public:
  // False, with why, when the file can't be made ready.
  bool open(const std::string& results, Console& console, std::string* why) {
    if (results.empty()) return true;
    if (results == "-") {
      console_ = &console;
      return true;
    }
    file_ = open_append_stream(results.c_str(), why);
    if (file_ && !empty_file(file_.get())) {
      *why = "it can't be emptied";
      file_.reset();
    }
    return file_ != nullptr;
  }

  // One record, written at once: a reader looking meanwhile sees it whole.
  void write(const DeviceResult& result) {
    std::string line = result_record(result);
    if (console_ != nullptr) console_->write(line);
    if (!file_) return;
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
  }

 private:
  Console* console_ = nullptr;
  FileHandle file_;
};

bool is_check(BatchCommand command) {
  return command == BatchCommand::kCheckUpload || command == BatchCommand::kCheckDownload;
}

const PassKind& pass_of(BatchCommand command) {
  return command == BatchCommand::kUpload || command == BatchCommand::kCheckUpload
             ? kUploadPass
             : kDownloadPass;
}

TargetStep step_of(BatchCommand command) {
  switch (command) {
    case BatchCommand::kUpload:
      return upload_target;
    case BatchCommand::kDownload:
      return download_target;
    case BatchCommand::kCheckUpload:
      return check_upload_target;
    case BatchCommand::kCheckDownload:
      break;
  }
  return check_download_target;
}

DeviceResult result_of(const TargetRecord& record, const DeviceNotes& notes, bool check) {
  DeviceResult result;
  result.address = record.ip_address;
  result.ini_file = record.ini_file_name;
  if (record.status == STATUS_SUCCESS) {
    result.outcome = check ? DeviceOutcome::kReady : DeviceOutcome::kOk;
    result.status = check ? 0 : STATUS_SUCCESS;
  } else {
    result.outcome = DeviceOutcome::kFailed;
    result.status = record.status;
    result.reason = failure_sentence(record);
  }
  result.firmware = notes.firmware;
  result.fetched = notes.fetched;
  return result;
}

}  // namespace

int run_batch(Env env, const LogOpener& open_log, const BatchOptions& options,
              const std::function<int()>& interrupted) {
  constexpr int kNothingRun = exit_status(BatchExit::kNothingRun);
  std::string start_time = format_start_time(env.clock->local_now());
  ProseOnErrors prose(*env.console);
  Console& records_console = *env.console;
  if (options.results == "-") env.console = &prose;

  const PassKind& pass = pass_of(options.command);
  const std::string list_name = options.list.empty() ? pass.list_file_name : options.list;
  auto complain = [&](const std::string& text) {
    env.console->error("vornel-batch: " + text + "\n");
  };
  RecordWriter records;
  std::string why;
  if (!records.open(options.results, records_console, &why)) {
    complain("cannot write the results to " + options.results + ": " + why);
    return kNothingRun;
  }
  std::string notice;
  FileHandle list_file = env.files->open_for_reading(list_name.c_str(), &notice);
  if (!notice.empty()) env.console->error("vornel: " + notice + "\n");
  if (!list_file) {
    complain("cannot read the batch list " + list_name);
    return kNothingRun;
  }
  GroupCollector collector;
  ListOwner list{read_target_list(list_file.get(), list_name.c_str(), env.console, &collector)};
  if (list.first == nullptr) {
    complain(list_name + " holds no group to work (a line starting SystemIP= and three more)");
    return kNothingRun;
  }

  std::unique_ptr<LogSink> log = open_log(&why);
  if (!log) {
    complain(std::string("cannot open ") + kLogFileName + ": " + why);
    return kNothingRun;
  }
  WatchedLog watched(log.get(), kLogFileName, env.console);
  env.log = &watched;
  env.console->write(format(kBanner, kVersion));
  RunContext run = make_run_context(env);
  if (options.name_by_address) run.fetched_name = FetchedName::kByAddress;
  warn_if_shared(run, list_name.c_str(), list_file.get());
  list_file.reset();
  write_log_header(run.out, start_time);
  say(run.out, format(pass.announce_console, list_name.c_str()),
      format(pass.announce_log, list_name.c_str()));

  const bool check = is_check(options.command);
  const TargetStep take_target = step_of(options.command);
  TargetRecord* last_worked = nullptr;
  int worked = 0;
  int good = 0;
  bool skipped = false;
  int signal_number = 0;
  bool stop_file_seen = false;
  for (const BatchGroup& group : collector.groups) {
    if ((signal_number = interrupted()) != 0) break;
    if (!options.stop_file.empty() && env.files->name_taken(options.stop_file.c_str())) {
      stop_file_seen = true;
      break;
    }
    std::int64_t start_ms = env.clock->utc_ms();
    std::int64_t started = env.clock->steady_ms();
    DeviceResult result;
    if (group.record == nullptr) {
      skipped = true;
      result.address = group.address;
      result.ini_file = group.ini_file;
      result.outcome = DeviceOutcome::kSkipped;
      result.reason = group.refusal;
    } else {
      run.notes = {};
      take_target(run, group.record);
      result = result_of(*group.record, run.notes, check);
      last_worked = group.record;
      ++worked;
      good += group.record->status == STATUS_SUCCESS;
    }
    result.line = group.line;
    result.start_ms = start_ms;
    result.end_ms = env.clock->utc_ms();
    result.duration_ms = env.clock->steady_ms() - started;
    records.write(result);
  }

  // The summary tells of the devices worked, not of those a stop left.
  TargetRecord* left = nullptr;
  if (last_worked != nullptr) {
    left = last_worked->next;
    last_worked->next = nullptr;
  }
  if (check) say(run.out, format(kReadyCount, good, worked));
  end_pass(run, last_worked != nullptr ? list.first : nullptr);
  if (last_worked != nullptr) last_worked->next = left;
  flush_log(run.out);
  if (signal_number != 0) return exit_status_after_signal(signal_number);
  if (stop_file_seen) return exit_status(BatchExit::kStopped);
  return exit_status(skipped || good < worked ? BatchExit::kSomeFailed : BatchExit::kAllOk);
}

}  // namespace vornel
