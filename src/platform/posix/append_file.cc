#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <string_view>

#include "platform/posix/regular_file.h"

namespace vornel {
namespace {

// Links followed on one path before giving up: the kernel's own limit.
constexpr int kMaxLinks = 40;

constexpr char kForeignLink[] =
    "a link owned by another user is on its way (only your own links and root's are followed)";

// Follows a link only for its owner or root, the rule the kernel keeps in
// sticky folders, here in every folder: a user who may write the working
// directory (or a folder on the log's way) cannot send the log of someone
// else's run, root's say, into a file of their choosing.
bool trusted_owner(uid_t owner) { return owner == geteuid() || owner == 0; }

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  void reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Puts the components of path in front of those still to walk.
void push_components(std::string_view path, std::deque<std::string>* left) {
  std::deque<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    if (i > begin) parts.emplace_back(path.substr(begin, i - begin));
    begin = i + 1;
  }
  left->insert(left->begin(), parts.begin(), parts.end());
}

// What a link says, read from the very link that was judged (fd, opened
// with O_PATH | O_NOFOLLOW), never from whatever holds its name by then.
bool read_link(int fd, std::string* end, std::string* error) {
  char text[PATH_MAX];
  ssize_t length = readlinkat(fd, "", text, sizeof text);
  if (length <= 0 || length == static_cast<ssize_t>(sizeof text)) {
    *error = std::strerror(length < 0 ? errno : ENAMETOOLONG);
    return false;
  }
  end->assign(text, static_cast<std::size_t>(length));
  return true;
}

// Walks path one component at a time, each opened relative to the folder
// already held and without following a link at it (O_NOFOLLOW): a link met
// is judged by its owner, and what it says is walked in its place. So no
// link of an untrusted owner is followed anywhere on the way, and a name
// swapped for a link after it was judged is never followed. The last
// component is opened for appending, created when missing. -1, with
// *error, otherwise.
int open_log_descriptor(const char* path, std::string* error) {
  std::deque<std::string> left;
  push_components(path, &left);
  if (left.empty()) {
    *error = std::strerror(ENOENT);
    return -1;
  }
  Descriptor folder(path[0] == '/' ? open("/", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
  int links = 0;
  while (!left.empty()) {
    std::string part = left.front();
    left.pop_front();
    int at = folder.get() >= 0 ? folder.get() : AT_FDCWD;
    if (left.empty()) {
      // O_NONBLOCK: a FIFO under the name must not hold the start of the run.
      int fd = openat(at, part.c_str(),
                      O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
      if (fd >= 0) return fd;
      if (errno != ELOOP) {
        *error = std::strerror(errno);
        return -1;
      }
    }
    Descriptor step(openat(at, part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (step.get() < 0 || fstat(step.get(), &info) != 0) {
      *error = std::strerror(errno);
      return -1;
    }
    if (S_ISDIR(info.st_mode) && !left.empty()) {
      folder.reset(step.release());
      continue;
    }
    if (!S_ISLNK(info.st_mode)) {
      // The last name stopped being a link between the two opens: try it again.
      if (left.empty() && ++links <= kMaxLinks) {
        left.push_front(part);
        continue;
      }
      *error = std::strerror(left.empty() ? ELOOP : ENOTDIR);
      return -1;
    }
    if (!trusted_owner(info.st_uid)) {
      *error = kForeignLink;
      return -1;
    }
    std::string end;
    if (++links > kMaxLinks) {
      *error = std::strerror(ELOOP);
      return -1;
    }
    if (!read_link(step.get(), &end, error)) return -1;
    if (end[0] == '/') folder.reset(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    push_components(end, &left);
    if (left.empty()) {
      *error = std::strerror(EISDIR);  // a link to "/"
      return -1;
    }
  }
  *error = std::strerror(ENOENT);
  return -1;
}

}  // namespace

FileHandle open_append_stream(const char* path, std::string* error) {
  int fd = open_log_descriptor(path, error);
  if (fd < 0) return FileHandle();
  // A directory never opens for writing; anything else that is no regular
  // file is refused here, where the operator can be told.
  if (const char* why = regular_file_refusal(fd)) {
    *error = why;
    close(fd);
    return FileHandle();
  }
  FileHandle file(fdopen(fd, "a+"));
  if (!file) {
    *error = std::strerror(errno);
    close(fd);
  }
  return file;
}

}  // namespace vornel
