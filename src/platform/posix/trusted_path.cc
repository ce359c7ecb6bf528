#include "platform/posix/trusted_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <string_view>

namespace vornel {
namespace {

// Links followed on one path before giving up: the kernel's own limit.
constexpr int kMaxLinks = 40;

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

// Only O_PATH | O_NOFOLLOW opens a link itself; any other open fails on it.
bool is_link(int fd) {
  struct stat info;
  return fstat(fd, &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace

// The rule the kernel keeps for links in sticky folders
// (fs.protected_symlinks), here in every folder.
bool trusted_owner(uid_t owner) { return owner == geteuid() || owner == 0; }

// Each component is opened relative to the folder already held and without
// following a link at it (O_NOFOLLOW): a link met is judged by its owner,
// and what it says is walked in its place. So a name swapped for a link
// after it was judged is never followed.
int open_by_trusted_links(const char* path, int flags, mode_t mode, std::string* error,
                          bool* foreign_link) {
  if (foreign_link != nullptr) *foreign_link = false;
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
      int fd = openat(at, part.c_str(), flags | O_NOFOLLOW, mode);
      if (fd >= 0 && !is_link(fd)) return fd;
      if (fd >= 0) {
        close(fd);  // O_PATH opened the link itself: judged below like any other
      } else if (errno != ELOOP) {
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
      if (foreign_link != nullptr) *foreign_link = true;
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

}  // namespace vornel
