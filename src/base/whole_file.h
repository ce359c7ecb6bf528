#ifndef VORNEL_BASE_WHOLE_FILE_H_
#define VORNEL_BASE_WHOLE_FILE_H_

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// Far above any list, table, record file or transcript the tools write:
// what is larger was not written by them, and is not taken into memory.
inline constexpr std::size_t kLargestFile = std::size_t{256} << 20;

// The whole of an open file, within kLargestFile. False when it can't be
// read or is larger.
bool read_all(std::FILE* file, std::string* text);

// The whole of a regular file, byte for byte; a link is followed only when
// asked (a file the operator names, not one found in a folder). False when
// it can't be read, is no regular file or holds more than kLargestFile.
bool read_whole_file(const std::filesystem::path& path, std::string* text,
                     bool follow_link = false);

// Writes text as the file's new content. False when that fails.
bool write_whole_file(const std::filesystem::path& path, std::string_view text);

// Appends text to the file (made when missing) and flushes it, so a reader
// meanwhile sees it whole. False when that fails.
bool append_to_file(const std::filesystem::path& path, std::string_view text);

// The lines of a text, LF or CRLF, without their ends. A last line without
// its end counts as a line.
std::vector<std::string_view> lines_of(std::string_view text);

}  // namespace vornel

#endif  // VORNEL_BASE_WHOLE_FILE_H_
