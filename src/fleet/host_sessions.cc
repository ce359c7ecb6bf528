#include "fleet/host_sessions.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <random>
#include <thread>

#include "base/whole_file.h"
#include "fleet/arguments.h"
#include "fleet/layout.h"
#include "platform/run_program.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

constexpr char kSessionsFile[] = "ssh.tsv";
constexpr char kRemoteTop[] = ".vornel-shards";

std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
    std::size_t end = text.find_first_of(" \t", at);
    words.push_back(text.substr(at, end - at));
    at = end;
  }
  return words;
}

std::string random_word() {
  std::random_device source;
  std::uniform_int_distribution<unsigned> digit(0, 35);
  std::string word;
  for (int i = 0; i < 10; ++i) word += "0123456789abcdefghijklmnopqrstuvwxyz"[digit(source)];
  return word;
}

}  // namespace

bool begin_host_sessions(HostSessions* sessions, std::string* error) {
  const char* given = std::getenv("PARALLEL_SSH");
  sessions->ssh = words_of(given != nullptr && *given != '\0' ? given : "ssh");
  std::error_code failed;
  for (int attempt = 0; attempt < 10; ++attempt) {
    fs::path folder = fs::path("/tmp") / ("vornel-ssh-" + random_word());
    if (fs::create_directory(folder, failed)) {
      sessions->sockets = folder.string();
      break;
    }
  }
  if (sessions->sockets.empty()) {
    *error = "cannot make a folder for the ssh connections in /tmp: " + failed.message();
    return false;
  }
  for (const std::string& option :
       {std::string("ControlMaster=auto"), "ControlPath=" + sessions->sockets + "/%C",
        std::string("ControlPersist=600")}) {
    sessions->ssh.push_back("-o");
    sessions->ssh.push_back(option);
  }
  char stamp[32] = "";
  std::time_t now = std::time(nullptr);
  if (const std::tm* local = std::localtime(&now))
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
  sessions->remote_work = std::string(kRemoteTop) + "/" + stamp + "-" + random_word();
  return true;
}

bool write_host_sessions(const fs::path& dir, const HostSessions& sessions) {
  std::string text = "sockets\t" + sessions.sockets + "\nremote_work\t" + sessions.remote_work + "\n";
  for (const std::string& word : sessions.ssh) text += "ssh\t" + word + "\n";
  for (int host : sessions.prepared) text += "prepared\t" + std::to_string(host) + "\n";
  return write_whole_file(dir / kSessionsFile, text);
}

bool read_host_sessions(const fs::path& dir, HostSessions* sessions) {
  std::string text;
  if (!read_whole_file(dir / kSessionsFile, &text)) return false;
  for (std::string_view line : lines_of(text)) {
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    std::string_view name = line.substr(0, tab);
    std::string value(line.substr(tab + 1));
    int host;
    if (name == "sockets") sessions->sockets = value;
    if (name == "remote_work") sessions->remote_work = value;
    if (name == "ssh") sessions->ssh.push_back(value);
    if (name == "prepared" && parse_number(value, &host)) sessions->prepared.push_back(host);
  }
  return !sessions->ssh.empty() && !sessions->remote_work.empty();
}

std::string ssh_command_line(const HostSessions& sessions) {
  std::string line;
  for (const std::string& word : sessions.ssh) line += (line.empty() ? "" : " ") + word;
  return line;
}

std::string ssh_destination(const FleetHost& host) {
  // ssh takes a port only in its ssh:// form; GNU parallel takes host:port.
  return host.login.find(':') == std::string::npos ? host.login : "ssh://" + host.login;
}

std::vector<bool> on_hosts(const HostSessions& sessions, const std::vector<FleetHost>& hosts,
                           const std::vector<int>& which, const std::string& command) {
  std::vector<char> ran(which.size(), 0);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < which.size(); ++i) {
    if (which[i] < 0 || static_cast<std::size_t>(which[i]) >= hosts.size()) continue;
    threads.emplace_back([&, i] {
      ProgramRun run;
      run.args = sessions.ssh;
      run.args.push_back(ssh_destination(hosts[static_cast<std::size_t>(which[i])]));
      run.args.push_back(command);
      run.output_limit = 1 << 16;
      ProgramEnd end = run_program(run);
      ran[i] = end.ran && end.exit_status == 0 ? 1 : 0;
    });
  }
  for (std::thread& thread : threads) thread.join();
  return std::vector<bool>(ran.begin(), ran.end());
}

std::string prepare_command(const HostSessions& sessions) {
  return "umask 077 && mkdir -p " + sessions.remote_work;
}

std::string stop_command(const HostSessions& sessions) {
  return "umask 077 && touch " + sessions.remote_work + "/" + kStopFlag;
}

std::string cleanup_command(const HostSessions& sessions) {
  return "rm -rf " + sessions.remote_work + " && { rmdir " + kRemoteTop + " 2>/dev/null; true; }";
}

void end_host_sessions(const HostSessions& sessions, const std::vector<FleetHost>& hosts) {
  for (const FleetHost& host : hosts) {
    ProgramRun run;
    run.args = sessions.ssh;
    run.args.insert(run.args.end(), {"-O", "exit", ssh_destination(host)});
    run_program(run);
  }
  std::error_code ignored;
  if (!sessions.sockets.empty()) fs::remove_all(sessions.sockets, ignored);
}

}  // namespace vornel
