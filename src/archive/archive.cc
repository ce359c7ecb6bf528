#include "archive/archive.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "archive/git.h"
#include "base/printable_text.h"
#include "base/whole_file.h"
#include "platform/file_lock.h"
#include "platform/file_owner.h"
#include "platform/interrupt.h"
#include "platform/staged_file.h"
#include "platform/user_and_host.h"

namespace fs = std::filesystem;

namespace vornel {
namespace {

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

// Each of these fails with git's own words after what we were doing.
bool git_step(const std::string& archive, const GitCall& call, std::string* output,
              std::string* error) {
  GitResult result = run_git(archive, call);
  if (!result.ok) {
    *error = result.why;
    return false;
  }
  if (output != nullptr) *output = result.output;
  return true;
}

bool is_top_of_work_tree(const std::string& archive, std::string* error) {
  GitResult top = run_git(archive, {{"rev-parse", "--show-toplevel"}, "", ""});
  std::error_code failed;
  fs::path here = fs::canonical(archive, failed);
  if (top.status < 0) {
    *error = "cannot be kept: " + top.why;
    return false;
  }
  if (!top.ok || failed || fs::path(first_line(top.output)) != here) {
    *error = "is not a git work tree";
    // Not being a repository at all is what it says; anything else is git's.
    if (!top.ok && top.status != 128) *error += " (" + top.why + ")";
    return false;
  }
  return true;
}

bool has_no_changes(const std::string& archive, std::string* error) {
  // Untracked files too: one named after a device would be overwritten, and
  // any other would be a change the operator has not recorded.
  std::string changes;
  if (!git_step(archive, {{"status", "--porcelain", "--untracked-files=normal"}, "", ""}, &changes,
                error)) {
    *error = "cannot be checked: " + *error;
    return false;
  }
  if (!changes.empty()) {
    *error = "has uncommitted changes (see git -C " + archive + " status)";
    return false;
  }
  return true;
}

// False with *error when path is a link or no regular file: the archive
// writes nothing through a link inside its .git.
bool not_a_link(const fs::path& path, std::string* error) {
  std::error_code failed;
  fs::file_status status = fs::symlink_status(path, failed);
  if (fs::is_symlink(status)) {
    *error = "cannot be kept: " + path.string() + " is a link";
  } else if (fs::exists(status) && !fs::is_regular_file(status)) {
    *error = "cannot be kept: " + path.string() + " is not a regular file";
  }
  return error->empty();
}

// The repository's folder and config must be this user's alone: a config
// that others may write could run commands, and a link there could send a
// write elsewhere. Checked before git reads either.
bool is_own_repository(const std::string& archive, std::string* error) {
  const fs::path git = fs::path(archive) / ".git";
  std::error_code failed;
  if (!fs::exists(fs::symlink_status(git, failed))) {
    *error = "is not a git work tree";
    return false;
  }
  for (const auto& [path, folder] : {std::pair{git, true}, std::pair{git / "config", false}}) {
    if (std::optional<std::string> why = foreign_control(path.string(), folder)) {
      *error = "cannot be trusted: its " + path.lexically_relative(archive).string() + " " + *why;
      return false;
    }
  }
  // git writes its index by renaming a new one over it, but follows a link there.
  return not_a_link(git / "index", error);
}

// core.autocrlf=false for the operator's own git commands too, and the
// attributes line last in .git/info/attributes, so that it outranks every
// other line there. The file is written afresh and renamed into place, never
// through a link.
bool keep_byte_for_byte(const std::string& archive, std::string* error) {
  std::string path;
  if (!git_step(archive, {{"config", "core.autocrlf", "false"}, "", ""}, nullptr, error) ||
      !git_step(archive, {{"rev-parse", "--git-path", "info/attributes"}, "", ""}, &path, error))
    return false;
  fs::path attributes = fs::path(archive) / first_line(path);
  std::error_code failed;
  fs::file_status folder = fs::symlink_status(attributes.parent_path(), failed);
  if (fs::is_symlink(folder) || (fs::exists(folder) && !fs::is_directory(folder))) {
    *error = "cannot be kept: " + attributes.parent_path().string() + " is not a folder";
    return false;
  }
  if (!not_a_link(attributes, error)) return false;
  std::string text;
  read_whole_file(attributes, &text);
  std::vector<std::string_view> lines = lines_of(text);
  if (!lines.empty() && lines.back() == kByteForByte) return true;
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += std::string(kByteForByte) + "\n";
  fs::create_directory(attributes.parent_path(), failed);
  StagedFile staged;
  if (staged.open(attributes.string()) != StagedFile::Opened::kYes ||
      std::fwrite(text.data(), 1, text.size(), staged.file()) != text.size() || !staged.commit()) {
    *error = "cannot write " + attributes.string();
    return false;
  }
  return true;
}

// Takes the archive's lock, .git/vornel.lock, waiting for another run's
// step to end.
bool hold(const std::string& archive, FileLock* lock, std::string* error) {
  const std::string path = (fs::path(archive) / ".git" / "vornel.lock").string();
  FileLock::Taken taken = lock->take(path, 0, error);
  if (taken == FileLock::Taken::kBusy) {
    std::fprintf(stderr, "vornel-shard: another run is archiving in %s; waiting up to %u s\n",
                 printable_text(archive).c_str(), kArchiveLockWaitMs / 1000);
    taken = lock->take(path, kArchiveLockWaitMs, error);
  }
  switch (taken) {
    case FileLock::Taken::kYes:
      return true;
    case FileLock::Taken::kBusy:
      *error = "is still held by another run's archiving step after " +
               std::to_string(kArchiveLockWaitMs / 1000) + " s";
      break;
    case FileLock::Taken::kInterrupted:
      *error = "was not waited for: the run was interrupted";
      break;
    case FileLock::Taken::kNo:
      *error = "cannot be locked: " + path + ": " + *error;
      break;
  }
  return false;
}

bool is_inside(fs::path inner, fs::path outer) {
  // "a/" is "a".
  for (fs::path* path : {&inner, &outer}) {
    if (!path->has_filename()) *path = path->parent_path();
  }
  auto [end, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
  return end == outer.end();
}

std::string lines_of_count(long lines) {
  return std::to_string(lines) + (lines == 1 ? " line" : " lines");
}

std::string file_of(const std::string& address) { return address + ".ini"; }

// A count of numstat; 0 for its "-" (a file git takes for binary).
long count_of(std::string_view digits) {
  long count = 0;
  if (digits.empty() || digits.size() > 12) return 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    count = count * 10 + (c - '0');
  }
  return count;
}

// Each step of archive_run(); false with report->why.
struct Archiving {
  const std::string& archive;
  const ArchiveRequest& request;
  ArchiveReport* report;
  FileLock lock;      // held from check() to the end of the step
  std::string index;  // the run's own index, inside the repository
  std::string parent;
  std::string old_tree;
  std::string new_tree;

  bool check() {
    if (prepare_archive(archive, "", &lock, &report->why)) return true;
    report->why = pending_interrupt() != 0 ? "the run was interrupted" : "it " + report->why;
    return false;
  }
  bool build_tree();
  bool classify();
  bool record();
};

bool Archiving::build_tree() {
  GitResult head = run_git(archive, {{"rev-parse", "-q", "--verify", "HEAD^{commit}"}, "", ""});
  if (head.ok) {
    parent = first_line(head.output);
  } else if (head.status != 1) {
    report->why = head.why;
    return false;
  }
  std::string git_dir;
  if (!git_step(archive, {{"rev-parse", "--absolute-git-dir"}, "", ""}, &git_dir, &report->why))
    return false;
  // An index of this run's own, under a name no other run uses and where
  // nothing stands yet (git would write through a link).
  std::random_device random;
  std::error_code missing;
  do {
    char name[40];
    std::snprintf(name, sizeof name, "/vornel-index-%08x%08x", random(), random());
    index = first_line(git_dir) + name;
  } while (fs::exists(fs::symlink_status(index, missing)));
  std::string paths;
  std::string entries;
  for (const auto& [address, file] : request.fetched) {
    if (file.find('\n') != std::string::npos) {
      report->why = "a fetched file's path holds a line end";
      return false;
    }
    paths += file + "\n";
  }
  std::string hashes;
  if (!git_step(archive, {{"read-tree", parent.empty() ? "--empty" : parent}, "", index}, nullptr,
                &report->why) ||
      !git_step(archive, {{"hash-object", "-w", "--no-filters", "--stdin-paths"}, paths, ""},
                &hashes, &report->why))
    return false;
  std::vector<std::string_view> hash_lines = lines_of(hashes);
  if (hash_lines.size() != request.fetched.size()) {
    report->why = "git hash-object gave " + std::to_string(hash_lines.size()) + " hashes for " +
                  std::to_string(request.fetched.size()) + " files";
    return false;
  }
  for (std::size_t i = 0; i < hash_lines.size(); ++i) {
    entries +=
        "100644 " + std::string(hash_lines[i]) + "\t" + file_of(request.fetched[i].first) + "\n";
  }
  std::string tree;
  std::string empty;
  if (!git_step(archive, {{"update-index", "--index-info"}, entries, index}, nullptr,
                &report->why) ||
      !git_step(archive, {{"write-tree"}, "", index}, &tree, &report->why) ||
      !git_step(archive, {{"mktree"}, "", ""}, &empty, &report->why))
    return false;
  new_tree = first_line(tree);
  old_tree = parent.empty() ? first_line(empty) : parent + "^{tree}";
  return true;
}

bool Archiving::classify() {
  std::string diff;
  if (!git_step(archive,
                {{"diff-tree", "-r", "--no-renames", "--no-ext-diff", "--no-textconv", "--raw",
                  "--numstat", old_tree, new_tree},
                 "",
                 ""},
                &diff, &report->why))
    return false;
  std::map<std::string, DeviceChange> changes = read_tree_diff(diff);
  for (const auto& [address, file] : request.fetched) {
    auto found = changes.find(file_of(address));
    DeviceChange change;
    change.change = ConfigChange::kUnchanged;
    if (found != changes.end()) change = found->second;
    report->devices[address] = change;
    report->changed += change.change == ConfigChange::kChanged;
    report->unchanged += change.change == ConfigChange::kUnchanged;
    report->added += change.change == ConfigChange::kNew;
  }
  return true;
}

bool Archiving::record() {
  std::string message = commit_message(request, *report, user_name(), host_name());
  std::vector<std::string> args = {"commit-tree", new_tree, "-F", "-"};
  if (!parent.empty()) args.insert(args.end(), {"-p", parent});
  std::string commit;
  if (!git_step(archive, {args, message, ""}, &commit, &report->why)) return false;
  commit = first_line(commit);
  // The last moment to stop with the archive as it was.
  if (pending_interrupt() != 0) {
    report->why = "the run was interrupted";
    return false;
  }
  if (!git_step(archive,
                {{"update-ref", "-m", "vornel-fleet: " + run_title(request, *report), "HEAD",
                  commit, parent},
                 "",
                 ""},
                nullptr, &report->why))
    return false;
  std::string name;
  report->commit =
      git_step(archive, {{"rev-parse", "--short", commit}, "", ""}, &name, &report->why)
          ? first_line(name)
          : commit;
  report->kind = ArchiveReport::Kind::kCommitted;
  // The work tree and the index follow the commit: only the new and changed
  // files are written, as git writes them, with nothing converted.
  if (!git_step(archive, {{"read-tree", "-m", "-u", old_tree, new_tree}, "", ""}, nullptr,
                &report->why)) {
    report->kind = ArchiveReport::Kind::kTreeNotWritten;
    return false;
  }
  // Each run adds a loose object per new or changed file: once git finds
  // too many (gc.auto, 6,700 by default) it packs them, here and now rather
  // than in a process left behind. The archive is whole either way.
  run_git(archive, {{"-c", "gc.autoDetach=false", "gc", "--auto", "--quiet"}, "", ""});
  return true;
}

}  // namespace

bool prepare_archive(const std::string& archive, const std::string& work_dir, FileLock* lock,
                     std::string* error) {
  std::error_code failed;
  if (!work_dir.empty()) {
    fs::path work = fs::weakly_canonical(work_dir, failed);
    fs::path top = fs::weakly_canonical(archive, failed);
    if (!failed && is_inside(work, top)) {
      *error = "would hold the working directory " + work_dir + "; give one outside it with -w";
      return false;
    }
  }
  fs::file_status status = fs::status(archive, failed);
  if (status.type() == fs::file_type::not_found && !fs::create_directory(archive, failed) &&
      failed) {
    *error = "cannot be made: " + failed.message();
    return false;
  }
  if (!fs::is_directory(archive, failed)) {
    *error = "is not a git work tree";
    return false;
  }
  bool fresh = fs::directory_iterator(archive, failed) == fs::directory_iterator();
  if (failed) {
    *error = "cannot be read: " + failed.message();
    return false;
  }
  if (fresh && !git_step(archive, {{"init", "-q", "-b", "main"}, "", ""}, nullptr, error)) {
    *error = "cannot be kept: " + *error;
    return false;
  }
  return is_own_repository(archive, error) && hold(archive, lock, error) &&
         is_top_of_work_tree(archive, error) && keep_byte_for_byte(archive, error) &&
         has_no_changes(archive, error);
}

const char* config_change_name(ConfigChange change) {
  switch (change) {
    case ConfigChange::kNew:
      return "new";
    case ConfigChange::kChanged:
      return "changed";
    case ConfigChange::kUnchanged:
      return "unchanged";
    case ConfigChange::kNotFetched:
      break;
  }
  return "";
}

std::string change_words(const DeviceChange& change) {
  std::string words = config_change_name(change.change);
  if (change.change == ConfigChange::kNew || change.change == ConfigChange::kChanged)
    words += ", " + lines_of_count(change.added + change.removed);
  return words;
}

std::map<std::string, DeviceChange> read_tree_diff(std::string_view text) {
  std::map<std::string, DeviceChange> changes;
  for (std::string_view line : lines_of(text)) {
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    std::string_view fields = line.substr(0, tab);
    if (line.starts_with(':')) {
      // :OLD_MODE NEW_MODE OLD NEW STATUS<TAB>PATH
      DeviceChange& change = changes[std::string(line.substr(tab + 1))];
      change.change = fields.ends_with(" A") ? ConfigChange::kNew : ConfigChange::kChanged;
      continue;
    }
    // ADDED<TAB>REMOVED<TAB>PATH; "-" for a file git takes for binary.
    std::size_t second = line.find('\t', tab + 1);
    if (second == std::string_view::npos) continue;
    DeviceChange& change = changes[std::string(line.substr(second + 1))];
    change.added = count_of(fields);
    change.removed = count_of(line.substr(tab + 1, second - tab - 1));
  }
  return changes;
}

std::string run_counts(const ArchiveRequest& request, const ArchiveReport& report) {
  return std::to_string(report.changed) + " changed, " + std::to_string(report.unchanged) +
         " unchanged, " + std::to_string(report.added) + " new, " +
         std::to_string(request.not_fetched) + " not fetched";
}

std::string run_title(const ArchiveRequest& request, const ArchiveReport& report) {
  return "download run " + printable_text(request.run_time) + ": " + run_counts(request, report);
}

std::string commit_message(const ArchiveRequest& request, const ArchiveReport& report,
                           std::string_view user, std::string_view host) {
  // The title alone on its line: git takes the first paragraph as the subject.
  std::string message = run_title(request, report) + "\n\n";
  for (const auto& [address, file] : request.fetched) {
    auto found = report.devices.find(address);
    if (found == report.devices.end() || found->second.change == ConfigChange::kUnchanged) continue;
    message += printable_text(file_of(address)) + ": " + change_words(found->second) + "\n";
  }
  message += "\nFetched by " + printable_text(user.empty() ? "an unknown user" : user) + " on " +
             printable_text(host.empty() ? "an unknown host" : host) + " into " +
             printable_text(request.work_dir) + "\n";
  return message;
}

ArchiveReport archive_run(const std::string& archive, const ArchiveRequest& request) {
  ArchiveReport report;
  Archiving run{archive, request, &report, {}, "", "", "", ""};
  bool done = run.check() && run.build_tree() && run.classify();
  if (done && report.changed + report.added == 0) {
    report.kind = ArchiveReport::Kind::kNothingChanged;
  } else if (done) {
    run.record();
  }
  if (!run.index.empty()) {
    std::error_code ignored;
    fs::remove(run.index, ignored);
  }
  return report;
}

bool read_run_title(std::string_view title, ArchivedRun* run) {
  constexpr std::string_view kStart = "download run ";
  if (!title.starts_with(kStart)) return false;
  title.remove_prefix(kStart.size());
  std::size_t colon = title.find(": ", 17);
  if (colon != 19) return false;
  run->run_time = title.substr(0, colon);
  std::string counts(title.substr(colon + 2));
  char tail[2];
  return std::sscanf(counts.c_str(), "%d changed, %d unchanged, %d new, %d not fetched%1s",
                     &run->changed, &run->unchanged, &run->added, &run->not_fetched, tail) == 4;
}

std::vector<ArchivedRun> archived_runs(const std::string& archive, int most) {
  std::vector<ArchivedRun> runs;
  std::string log;
  std::string why;
  if (!git_step(archive,
                {{"log", "-n", std::to_string(most), "--format=%h%x09%s", "HEAD", "--"}, "", ""},
                &log, &why))
    return runs;
  for (std::string_view line : lines_of(log)) {
    std::size_t tab = line.find('\t');
    ArchivedRun run;
    if (tab == std::string_view::npos || !read_run_title(line.substr(tab + 1), &run)) continue;
    run.commit = line.substr(0, tab);
    runs.push_back(run);
  }
  return runs;
}

std::string archived_diff(const std::string& archive, const std::string& commit,
                          const std::string& file) {
  std::string diff;
  std::string why;
  git_step(archive,
           {{"diff-tree", "-p", "--root", "--no-renames", "--no-ext-diff", "--no-textconv",
             "--format=", commit, "--", file},
            "",
            ""},
           &diff, &why);
  return diff;
}

}  // namespace vornel
