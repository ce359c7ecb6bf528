#include "base/whole_file.h"

#include "base/file_handle.h"

namespace fs = std::filesystem;

namespace vornel {

bool read_all(std::FILE* file, std::string* text) {
  text->clear();
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (text->size() + got > kLargestFile) return false;
    text->append(buffer, got);
  }
  return !std::ferror(file);
}

bool read_whole_file(const fs::path& path, std::string* text, bool follow_link) {
  std::error_code error;
  if (!fs::is_regular_file(follow_link ? fs::status(path, error) : fs::symlink_status(path, error)))
    return false;
  FileHandle file = open_file(path.string().c_str(), "rb");
  return file && read_all(file.get(), text);
}

namespace {

// Writes text to the file opened in mode, and closes it: false when either fails.
bool put(const fs::path& path, const char* mode, std::string_view text) {
  FileHandle file = open_file(path.string().c_str(), mode);
  if (!file) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  return std::fclose(file.release()) == 0 && ok;
}

}  // namespace

bool write_whole_file(const fs::path& path, std::string_view text) { return put(path, "wb", text); }

bool append_to_file(const fs::path& path, std::string_view text) { return put(path, "ab", text); }

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vornel
