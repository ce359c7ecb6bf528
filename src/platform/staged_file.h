#ifndef VORNEL_PLATFORM_STAGED_FILE_H_
#define VORNEL_PLATFORM_STAGED_FILE_H_

#include <cstdio>
#include <string>

namespace vornel {

// A file written under a temporary name beside its target (same directory,
// ".vornel-XXXXXX.part") and renamed over the target only by commit(), so the
// target name never holds a partial file and an older file of that name stays
// as it was until the new one is complete. An uncommitted StagedFile removes
// its temporary when destroyed. On POSIX systems the file is its user's
// alone (0600) whatever the umask: what a device sends may hold secrets.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile();

  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  enum class Opened {
    kYes,
    // The directory takes no new names (no write permission, read-only
    // medium): a file that exists there already may still be writable.
    kDirectoryRefuses,
    kNo,  // anything else
  };

  // Creates the temporary for target.
  Opened open(const std::string& target);
  // The temporary, open for writing. REQUIRES: open() returned Opened::kYes.
  std::FILE* file() const { return file_; }
  // Makes the file readable by every user once renamed (on Linux mode 0644,
  // whatever the file mode creation mask; on Windows a new file takes the
  // access list of its folder, and nothing changes). For a file another
  // service reads, holding nothing private. REQUIRES: open() returned
  // Opened::kYes.
  bool let_everyone_read();
  // Flushes the data to disk, closes the temporary and renames it over the
  // target. False (and the temporary removed) when any step fails.
  bool commit();

 private:
  void discard();

  // This platform's own calls, the rest of the class being shared: puts the
  // flushed stream's data on the disk; moves from over to (a file there is
  // replaced, a directory is not); removes path.
  static bool sync_to_disk(std::FILE* file);
  static bool replace(const std::string& from, const std::string& to);
  static void remove_file(const std::string& path);

  std::string target_;
  std::string temp_path_;
  std::FILE* file_ = nullptr;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_STAGED_FILE_H_
