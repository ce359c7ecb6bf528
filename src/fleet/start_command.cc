// vornel-shard start: vornel-fleet's options read and checked, the working
// folder made and the list cut into it; the later steps (round, watch,
// finish) read what it keeps there. Nothing is run when anything is wrong.
#include <cstdio>
#include <ctime>

#include "archive/archive.h"
#include "fleet/commands.h"
#include "fleet/cut.h"
#include "fleet/layout.h"
#include "fleet/run_settings.h"
#include "platform/run_program.h"
#include "platform/system_clock.h"
#include "platform/terminal.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

constexpr char kFleetUsage[] =
    "usage: vornel-fleet [-k JOBS] [-n SHARDS] [-m upload|download|check|check-download]\n"
    "                    [-A ARCHIVE] [-b VORNEL_BATCH] [-w WORKDIR]\n"
    "                    [-S HOSTS|@FILE [-M SITEMAP] [-B REMOTE_VORNEL_BATCH] [-r]]\n"
    "                    [--waves STEPS] [--max-fail N|P%] [--confirm] [--metrics FILE] LIST\n";

constexpr char kFleetHelp[] =
    "\n"
    "Works every device of the batch list LIST with several vornel-batch processes\n"
    "side by side (here, or on ssh hosts), and ends with one summary, results.csv,\n"
    "the lists of devices to run again and report.html in its working folder.\n"
    "\n"
    "  -k JOBS          shards at a time (default 8; on a host of -S without a count)\n"
    "  -n SHARDS        shards to cut the list into (default eight a job slot)\n"
    "  -m MODE          upload (default), download, check (an upload's preflight: no\n"
    "                   transfer; ready_list.txt holds the ready groups), check-download\n"
    "  -A ARCHIVE       download: keep the fetched files' history in this git repository\n"
    "  -b VORNEL_BATCH  vornel-batch here (default: the one beside vornel-shard)\n"
    "  -w WORKDIR       the working folder, made afresh (default ./shards-DATE-TIME)\n"
    "  -S HOSTS|@FILE   run on these ssh hosts, [COUNT/][user@]host[:port] each\n"
    "  -M SITEMAP       which host works which devices\n"
    "  -B VORNEL_BATCH  vornel-batch on the hosts (default vornel-batch)\n"
    "  -r               run a shard a lost host left again, once\n"
    "  --waves STEPS     roll out in waves: cumulative shares of the devices, counts or\n"
    "                   percentages rounded up, e.g. 1,5%,25%,100%; each wave runs to\n"
    "                   its end before the next starts\n"
    "  --max-fail N|P%  stop once failures REACH N, or P% of the devices attempted so\n"
    "                   far: at, not above. --max-fail 2 stops at the second failure;\n"
    "                   --max-fail 10% stops once failures x 100 >= 10 x attempted\n"
    "                   (1 of 10 stops, 1 of 11 does not). No device starts after a\n"
    "                   stop: those left are held back, in remaining_list.txt\n"
    "  --confirm        ask on the terminal before each next wave\n"
    "  --metrics FILE   the run's figures for node_exporter's textfile collector\n"
    "\n"
    "Exit status: 0 every device ok (or ready), 1 a device failed or was skipped,\n"
    "2 nothing was run, 3 a shard ended abnormally, 4 a host was lost or not\n"
    "reached, 5 the archive was not updated, 6 the run was stopped (--max-fail, or\n"
    "no at --confirm), 129/130/143 interrupted. See vornel-fleet(1).\n";

int refuse(const std::string& why) {
  std::fprintf(stderr, "vornel-fleet: %s\n", printable_text(why).c_str());
  return static_cast<int>(FleetExit::kUsage);
}

bool runnable(const fs::path& path) {
  std::error_code failed;
  fs::file_status status = fs::status(path, failed);
  return fs::is_regular_file(status) &&
         (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
}

std::string default_work_dir() {
  char stamp[32] = "shards";
  std::time_t now = std::time(nullptr);
  if (const std::tm* local = std::localtime(&now))
    std::strftime(stamp, sizeof stamp, "shards-%Y%m%d-%H%M%S", local);
  return stamp;
}

bool git_is_there() {
  ProgramRun run;
  run.args = {"git", "--version"};
  ProgramEnd end = run_program(run);
  return end.ran && end.exit_status == 0;
}

}  // namespace

int start_command(const std::string& program, const std::vector<std::string>& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf("%s%s", kFleetUsage, kFleetHelp);
    return static_cast<int>(FleetExit::kAllOk);
  }
  RunSettings settings;
  std::string error;
  if (!parse_fleet_arguments(args, &settings, &error)) {
    std::fprintf(stderr, "vornel-fleet: %s\n%s", printable_text(error).c_str(), kFleetUsage);
    return static_cast<int>(FleetExit::kUsage);
  }
  // vornel-batch: -b, or the one beside this program (the package installs
  // both in one folder, a build makes both in one). Over ssh the hosts'
  // runs (-B); none is needed here.
  if (settings.hosts.empty()) {
    if (settings.batch.empty()) settings.batch = (fs::path(program).parent_path() / "vornel-batch").string();
    if (!runnable(settings.batch)) return refuse("no vornel-batch at " + settings.batch + " (give one with -b)");
    settings.batch = fs::absolute(settings.batch).lexically_normal().string();
  }
  if (settings.confirm && !terminal_available())
    return refuse("--confirm asks on the terminal, and there is none");
  if (!settings.archive.empty() && !git_is_there())
    return refuse("git is missing (Debian package git); -A needs it");
  if (!settings.metrics.empty()) {
    fs::path folder = fs::absolute(settings.metrics).parent_path();
    std::error_code failed;
    if (!fs::is_directory(folder, failed)) return refuse("--metrics: no folder " + folder.string());
    settings.metrics = fs::absolute(settings.metrics).lexically_normal().string();
  }

  // A fresh working folder: no name that exists, a link included, so no one
  // else's files mix with the run's.
  if (settings.work.empty()) settings.work = default_work_dir();
  std::error_code failed;
  if (fs::exists(fs::symlink_status(settings.work, failed)))
    return refuse(settings.work + " exists already; give a new working directory with -w");
  // The archive, checked (and made, when new or empty) before anything is
  // fetched: a git work tree of its own without uncommitted changes, not
  // holding the working folder.
  if (!settings.archive.empty()) {
    settings.archive = fs::absolute(settings.archive).lexically_normal().string();
    FileLock lock;
    if (!prepare_archive(settings.archive, settings.work, &lock, &error)) {
      complain(settings.archive + " " + error);
      return refuse(settings.archive + " cannot keep the run's history; nothing was run");
    }
  }

  CutRequest request;
  request.dir = settings.work;
  request.list = settings.list;
  request.upload = is_upload(settings.mode);
  request.shards = settings.shards;
  request.jobs = settings.jobs;
  request.hosts = settings.hosts;
  request.site_map = settings.site_map;
  if (!settings.waves.empty()) parse_waves(settings.waves, &request.waves, &error);
  CutResult cut;
  if (!cut_list(request, &cut, &error)) {
    complain_lines(error);
    return refuse(settings.list + " was not cut into shards");
  }
  settings.work = fs::absolute(settings.work).lexically_normal().string();
  settings.started_ms = SystemClock().utc_ms();
  if (!write_run_settings(settings.work, settings)) {
    fs::remove_all(settings.work, failed);
    return refuse("cannot keep the run's settings in " + settings.work);
  }
  std::string plan = std::to_string(cut.groups) + " groups of " + settings.list + " in " +
                     std::to_string(cut.shards) + " shards";
  if (cut.waves > 1) plan += " and " + std::to_string(cut.waves) + " waves";
  if (cut.hosts.empty()) {
    plan += ", " + std::to_string(settings.jobs) + " at a time";
  } else {
    plan += " on " + std::to_string(cut.hosts.size()) + " hosts";
  }
  std::printf("vornel-fleet: %s, under %s\n%s\n", printable_text(plan).c_str(),
              printable_text(settings.work).c_str(), settings.work.c_str());
  return 0;
}

}  // namespace vornel
