#ifndef VORNEL_ARCHIVE_ARCHIVE_H_
#define VORNEL_ARCHIVE_ARCHIVE_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_lock.h"

namespace vornel {

// The history of fetched configurations (vornel-fleet -A ARCHIVE): a git
// repository whose work tree holds one ADDRESS.ini per device, byte for
// byte as last fetched, and one commit per download run that changed any.
// A device that was not fetched keeps its file: nothing is ever removed.
//
// A run never leaves half of itself behind: the new files are hashed into
// the repository and the commit is built beside the work tree (with an index
// of the run's own, under a name no other run uses); the one step that
// records it is git update-ref, and only after it are the work tree and
// index brought up to the new commit by git read-tree. An interrupt before
// update-ref leaves the archive as it was.

// How long a run waits while another run archives in the same archive.
inline constexpr unsigned kArchiveLockWaitMs = 60'000;

// What prepare_archive() refuses, and what may be done instead: the archive
// is the operator's history, never to be mixed with other changes.
//   - ARCHIVE exists and is no directory, or is not the top of a git work
//     tree (a folder inside another repository is not one);
//   - its .git is no folder of the running user's own (a link, another
//     user's, one its group or others may write), or its .git/config is no
//     such file: a config others may write could run commands; git reads
//     neither before this check;
//   - a link stands at .git/index, .git/info, .git/info/attributes or
//     .git/vornel.lock, where a run writes;
//   - it has uncommitted changes or files git does not track (what is
//     ignored aside);
//   - WORKDIR, the run's working folder, would be inside it.
// A folder that is not there yet (its parent must be) or is empty is made a
// repository (git init, branch main). Either way the repository is set to
// keep files byte for byte (core.autocrlf=false in its config, kByteForByte
// as the last line of its .git/info/attributes, which is written to a new
// file renamed into place).
// Once .git is found the user's own, and before git is run on anything
// else, it takes the archive's lock (.git/vornel.lock) into *lock, which the
// caller holds for the rest of its step, so that two runs never work on one
// archive at once: while another run holds it, it says so on standard error
// and waits up to kArchiveLockWaitMs, then gives up; an interrupt ends the
// wait too.
// True when the run may go on; else *error says why, as words after the
// archive's name.
bool prepare_archive(const std::string& archive, const std::string& work_dir, FileLock* lock,
                     std::string* error);

enum class ConfigChange { kNotFetched, kNew, kChanged, kUnchanged };

// As results.csv names it: new, changed, unchanged; empty when not fetched.
const char* config_change_name(ConfigChange change);

// A device's file against the archived one.
struct DeviceChange {
  ConfigChange change = ConfigChange::kNotFetched;
  long added = 0;  // lines, as git diff --numstat counts them
  long removed = 0;
};

// "new, 12 lines", "changed, 1 line", "unchanged".
std::string change_words(const DeviceChange& change);

// What git diff-tree -r --raw --numstat printed, per path.
std::map<std::string, DeviceChange> read_tree_diff(std::string_view text);

struct ArchiveRequest {
  // Each fetched device once: its address and the fetched file.
  std::vector<std::pair<std::string, std::string>> fetched;
  int not_fetched = 0;   // the list's devices without a fetched file
  std::string run_time;  // "YYYY-MM-DD HH:MM:SS"
  std::string work_dir;  // named in the message
};

struct ArchiveReport {
  enum class Kind {
    kCommitted,
    kNothingChanged,  // no commit: every fetched file is the archived one
    kNotArchived,     // the archive is as it was; why says why
    kTreeNotWritten,  // the commit is made, the work tree is behind it
  };
  Kind kind = Kind::kNotArchived;
  std::string commit;  // its short name, when made
  std::string why;
  int changed = 0;
  int unchanged = 0;
  int added = 0;                                // new devices
  std::map<std::string, DeviceChange> devices;  // by address
};

// "1 changed, 40 unchanged, 2 new, 3 not fetched": a run's counts, as its
// commit's title and the fleet's summary say them.
std::string run_counts(const ArchiveRequest& request, const ArchiveReport& report);

// The first line of the message of a run's commit.
std::string run_title(const ArchiveRequest& request, const ArchiveReport& report);

// The whole message: the title, one line per new or changed device (in the
// order fetched), then who fetched them where.
std::string commit_message(const ArchiveRequest& request, const ArchiveReport& report,
                           std::string_view user, std::string_view host);

// Archives the fetched files in the order given, holding the archive's lock
// throughout. Runs prepare_archive() again first: the operator may have
// worked in the archive while the devices were fetched, and an archive named
// only now (vornel-shard outcomes -A by hand) is made and set up the same
// way. An interrupt noted by the platform's handlers (platform/interrupt.h)
// before the commit is recorded stops the run with the archive as it was.
ArchiveReport archive_run(const std::string& archive, const ArchiveRequest& request);

// One run the archive recorded, read back from its commit's title.
struct ArchivedRun {
  std::string commit;    // short name
  std::string run_time;  // "YYYY-MM-DD HH:MM:SS", as the title says it
  int changed = 0;
  int unchanged = 0;
  int added = 0;
  int not_fetched = 0;
};

// Reads a title run_title() wrote; false for any other.
bool read_run_title(std::string_view title, ArchivedRun* run);

// The runs of the archive's history, newest first, at most `most` of them
// (commits of other titles left out). Empty when it can't be read.
std::vector<ArchivedRun> archived_runs(const std::string& archive, int most);

// The change a commit made to one file, as git's unified diff; "" when it
// made none or it can't be had.
std::string archived_diff(const std::string& archive, const std::string& commit,
                          const std::string& file);

}  // namespace vornel

#endif  // VORNEL_ARCHIVE_ARCHIVE_H_
