#include "platform/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace vornel {
namespace {

// A pipe's two ends, closed with it; both close on exec, so a child gets
// only the ends it is given as 0, 1 and 2.
struct Pipe {
  int ends[2] = {-1, -1};
  ~Pipe() {
    close_end(0);
    close_end(1);
  }
  bool open() { return pipe2(ends, O_CLOEXEC) == 0; }
  void close_end(int end) {
    if (ends[end] >= 0) ::close(ends[end]);
    ends[end] = -1;
  }
};

std::vector<std::string> environment_of(const ProgramRun& run) {
  std::vector<std::string> variables;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string variable = *entry;
    bool dropped = false;
    for (const std::string& prefix : run.drop) dropped = dropped || variable.starts_with(prefix);
    for (const std::string& given : run.set) {
      std::size_t name = given.find('=');
      dropped = dropped || variable.compare(0, name + 1, given, 0, name + 1) == 0;
    }
    if (!dropped) variables.push_back(variable);
  }
  variables.insert(variables.end(), run.set.begin(), run.set.end());
  return variables;
}

std::vector<char*> pointers_to(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::string system_error(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

ProgramEnd run_program(const ProgramRun& run) {
  ProgramEnd end;
  if (run.args.empty()) {
    end.failure = "no program named";
    return end;
  }
  // A child that stops reading is an error value here, not the end of this
  // process.
  std::signal(SIGPIPE, SIG_IGN);
  Pipe in, out, err;
  if (!in.open() || !out.open() || !err.open()) {
    end.failure = system_error("pipe", errno);
    return end;
  }
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, in.ends[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out.ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err.ends[1], 2);
  // Its own process group, and the signals this process handles or ignores
  // back to their defaults in it.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, signal_number);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  std::vector<std::string> args = run.args;
  std::vector<std::string> environment = environment_of(run);
  std::vector<char*> argv = pointers_to(args);
  std::vector<char*> envp = pointers_to(environment);
  pid_t child = -1;
  int spawned = posix_spawnp(&child, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    end.failure = system_error(run.args[0].c_str(), spawned);
    return end;
  }
  in.close_end(0);
  out.close_end(1);
  err.close_end(1);
  fcntl(in.ends[1], F_SETFL, O_NONBLOCK);

  // Feeds its input while taking both outputs, so that neither side waits
  // for the other with a full pipe.
  std::size_t written = 0;
  if (run.input.empty()) in.close_end(1);
  bool too_much = false;
  while ((in.ends[1] >= 0 || out.ends[0] >= 0 || err.ends[0] >= 0) && !too_much) {
    pollfd watched[3] = {
        {in.ends[1], POLLOUT, 0}, {out.ends[0], POLLIN, 0}, {err.ends[0], POLLIN, 0}};
    if (poll(watched, 3, -1) < 0) {
      if (errno == EINTR) continue;
      end.failure = system_error("poll", errno);
      break;
    }
    if (watched[0].revents != 0) {
      ssize_t sent = write(in.ends[1], run.input.data() + written, run.input.size() - written);
      if (sent > 0) written += static_cast<std::size_t>(sent);
      if ((sent < 0 && errno != EAGAIN && errno != EINTR) || written == run.input.size())
        in.close_end(1);
    }
    Pipe* sources[2] = {&out, &err};
    std::string* sinks[2] = {&end.output, &end.errors};
    for (int i = 0; i < 2; ++i) {
      if (watched[i + 1].revents == 0) continue;
      char buffer[65536];
      ssize_t got = read(sources[i]->ends[0], buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        sources[i]->close_end(0);
        continue;
      }
      sinks[i]->append(buffer, static_cast<std::size_t>(got));
      too_much = sinks[i]->size() > run.output_limit;
    }
  }
  if (too_much || !end.failure.empty()) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      end.failure = system_error("waitpid", errno);
      return end;
    }
  }
  if (too_much) {
    end.failure = run.args[0] + " wrote more than " + std::to_string(run.output_limit) + " bytes";
  } else if (end.failure.empty() && WIFEXITED(status)) {
    end.ran = true;
    end.exit_status = WEXITSTATUS(status);
  } else if (end.failure.empty()) {
    end.failure = run.args[0] + " ended by signal " + std::to_string(WTERMSIG(status));
  }
  return end;
}

}  // namespace vornel
