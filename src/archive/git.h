#ifndef VORNEL_ARCHIVE_GIT_H_
#define VORNEL_ARCHIVE_GIT_H_

#include <string>
#include <vector>

namespace vornel {

// git, the program, run on one repository's work tree the same way whoever
// runs it: what the operator's environment or git configuration says cannot
// change what is written.
//   - Every GIT_* variable of the environment is dropped (GIT_DIR,
//     GIT_WORK_TREE, GIT_INDEX_FILE, GIT_OBJECT_DIRECTORY, GIT_CONFIG_*, the
//     author and committer, ...), and neither the system's nor the user's
//     git configuration is read: only the repository's own, over which the
//     settings below are given on the command line.
//   - No line-end, encoding or filter conversion (core.autocrlf=false, and
//     the attributes of ensure_byte_for_byte() for the operator's own git
//     commands), no hooks (core.hooksPath leads nowhere: update-ref and
//     update-index would run some), no fsmonitor program, no signing, no
//     sparse checkout.
//   - Nothing is fetched from anywhere, so no command of the repository's
//     config runs: every transport is refused (protocol.allow=never) and a
//     missing object is never fetched from a promisor remote
//     (GIT_NO_LAZY_FETCH=1; a partial clone's core.sshCommand would run).
//   - Author and committer are "Vornel"; messages in the C locale.
struct GitCall {
  std::vector<std::string> args;  // after "git -C WORK_TREE <settings>"
  std::string input;
  std::string index_file;  // GIT_INDEX_FILE, when not the repository's own
};

struct GitResult {
  bool ok = false;     // it ran and exited with status 0
  int status = -1;     // its exit status, -1 when it did not run to its end
  std::string output;  // its standard output
  std::string why;     // when not ok: git's own first line of complaint, or
                       // why git could not be run
};

GitResult run_git(const std::string& work_tree, const GitCall& call);

// The line of .git/info/attributes, the attributes that outrank every other
// (a .gitattributes of the tree included), that keeps every file as its
// bytes in both directions (-text: no line-end change; -filter, -ident,
// -working-tree-encoding: no conversion) and compares it as text even
// with a NUL byte or CR in it (diff), so that a change is counted in lines.
inline constexpr char kByteForByte[] = "* -text -filter -ident -working-tree-encoding diff";

}  // namespace vornel

#endif  // VORNEL_ARCHIVE_GIT_H_
