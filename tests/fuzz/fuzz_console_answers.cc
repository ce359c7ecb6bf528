// Whatever reaches standard input (a pasted block, a binary file piped in
// by mistake, a line of a megabyte) goes through the real console reader
// into the dialogues. Every dialogue must end when the input ends, return
// only its documented values, and leave every field terminated within its
// width; the menu answer must read as the C library reads a number.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fakes/fakes.h"
#include "platform/posix/console.h"
#include "session/exit_statuses.h"
#include "session/main_menu.h"
#include "session/target_entry.h"
#include "session/target_list_builder.h"
#include "targets/target_list.h"

namespace {

using vornel::TargetRecord;

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// Reads the real standard input; the prompts and diagnostics go nowhere, so
// the fuzzer's own output stays readable.
class QuietConsole : public vornel::SystemConsole {
 public:
  void write(std::string_view) override {}
  void error(std::string_view) override {}
};

// Makes fd 0 a file that holds exactly these bytes.
bool feed_stdin(const std::uint8_t* data, std::size_t size) {
  int fd = memfd_create("stdin", 0);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  bool ok = done == size && lseek(fd, 0, SEEK_SET) == 0 && dup2(fd, 0) == 0;
  close(fd);
  return ok;
}

template <std::size_t N>
void check_field(const char (&field)[N], bool typed) {
  std::size_t length = strnlen(field, N);
  require(length < N, "field not terminated within its width");
  require(std::memchr(field, '\n', length) == nullptr, "newline kept inside a field");
  if (!typed) return;
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(field[i]);
    require(c >= 0x20 && c != 0x7f, "control character taken into a typed field");
  }
}

// typed: confirmed in the entry dialogue, which takes no control character.
void check_record(const TargetRecord& r, bool typed) {
  check_field(r.ip_address, typed);
  check_field(r.ini_file_name, typed);
  check_field(r.user_name, typed);
  check_field(r.password, typed);
}

void check_menu_answer(const std::uint8_t* data, std::size_t size) {
  char answer[32];
  std::size_t n = size < sizeof answer - 1 ? size : sizeof answer - 1;
  std::memcpy(answer, data, n);
  answer[n] = '\0';
  errno = 0;
  long expected = std::strtol(answer, nullptr, 10);
  if (expected > INT_MAX) expected = INT_MAX;
  if (expected < INT_MIN) expected = INT_MIN;
  require(vornel::convert_menu_answer(answer) == expected, "menu answer read unlike strtol");
}

void run_dialogues(int mode, const std::uint8_t* data, std::size_t size) {
  if (!feed_stdin(data, size)) return;
  QuietConsole console;
  vornel::testing::FakeLog log;
  vornel::testing::FixedClock clock;
  vornel::testing::RecordingSleeper sleeper;
  vornel::testing::FakeFtp ftp;
  vornel::testing::FakeEcho echo;
  vornel::RunContext run = vornel::make_run_context({.console = &console,
                                                     .log = &log,
                                                     .clock = &clock,
                                                     .sleeper = &sleeper,
                                                     .ftp = &ftp,
                                                     .echo = &echo,
                                                     .files = &vornel::working_directory_files()});

  switch (mode) {
    case 0: {
      int choice = static_cast<int>(vornel::show_main_menu(run));
      require(choice >= 1 && choice <= 3, "menu returned no choice");
      break;
    }
    case 1:
    case 2: {
      TargetRecord record;
      vornel::EntryOutcome outcome = mode == 1 ? vornel::prompt_upload_target(console, &record)
                                               : vornel::prompt_download_target(console, &record);
      bool confirmed = outcome == vornel::EntryOutcome::kConfirmed;
      require(confirmed || outcome == vornel::EntryOutcome::kLeft,
              "dialogue returned neither outcome");
      check_record(record, confirmed);
      if (mode == 2 && confirmed) {
        require(std::strcmp(record.ini_file_name, "config.ini") == 0, "download file renamed");
      }
      break;
    }
    default: {
      const vornel::PassKind& pass = mode == 3 ? vornel::kUploadPass : vornel::kDownloadPass;
      TargetRecord* list = vornel::build_target_list(run, pass);
      // A one-record list may come from the batch file or the dialogue.
      for (TargetRecord* r = list; r != nullptr; r = r->next) check_record(*r, false);
      vornel::free_target_list(list);
      require(vornel::wait_and_exit(run) == vornel::exit_status(vornel::UtilityExit::kLeftInPass),
              "exit prompt status");
      break;
    }
  }
  require(ftp.calls.empty(), "a dialogue reached the FTP layer");
  require(log.text().find('\0') == std::string::npos, "NUL written to the log");
}

// The batch lists the batch prompt finds; written fresh for every input.
void write_list(const char* name, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) return;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
}

}  // namespace

static char g_scratch[] = "/tmp/vornel-fuzz-XXXXXX";

static void remove_scratch() {
  if (chdir("/") != 0) return;
  for (const char* name : {vornel::kUploadPass.list_file_name,
                           vornel::kDownloadPass.list_file_name}) {
    std::remove((std::string(g_scratch) + "/" + name).c_str());
  }
  rmdir(g_scratch);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The batch prompt looks in the working directory: give it one of its own.
  if (mkdtemp(g_scratch) == nullptr || chdir(g_scratch) != 0) std::abort();
  std::atexit(remove_scratch);
  return 0;
}

// First byte: which dialogue. Batch modes: the next byte gives the length of
// the list file's content, which comes before the standard input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  int mode = data[0] % 5;
  ++data;
  --size;
  check_menu_answer(data, size);
  if (mode >= 3) {
    std::size_t list_size = size == 0 ? 0 : data[0];
    if (size > 0) {
      ++data;
      --size;
    }
    if (list_size > size) list_size = size;
    const char* name = mode == 3 ? vornel::kUploadPass.list_file_name
                                 : vornel::kDownloadPass.list_file_name;
    write_list(name, data, list_size);
    data += list_size;
    size -= list_size;
  }
  run_dialogues(mode, data, size);
  return 0;
}
