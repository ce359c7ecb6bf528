#include "ftp/replies.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace vornel {
namespace {

// A reply is text from the device: kept bounded, and without control
// characters so that it can be logged or shown as it is.
constexpr std::size_t kMaxReplyBytes = 1024;

void append_reply_text(std::string* text, std::string_view line) {
  for (char c : line) {
    if (text->size() >= kMaxReplyBytes) return;
    unsigned char byte = static_cast<unsigned char>(c);
    text->push_back(byte < 0x20 || byte == 0x7f ? '?' : c);
  }
}

bool starts_with_code(std::string_view line) {
  return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
         std::isdigit(static_cast<unsigned char>(line[1])) &&
         std::isdigit(static_cast<unsigned char>(line[2]));
}

// "ddd text" or "ddd": the line that ends a reply.
bool is_final_line(std::string_view line, std::string_view code) {
  return starts_with_code(line) && (code.empty() || line.substr(0, 3) == code) &&
         (line.size() == 3 || line[3] == ' ');
}

// The decimal number at the start of text, -1 when there is none or it is
// absurdly long.
long long leading_number(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && std::isdigit(static_cast<unsigned char>(text[n]))) ++n;
  if (n == 0 || n > 18) return -1;
  return std::strtoll(std::string(text.substr(0, n)).c_str(), nullptr, 10);
}

}  // namespace

void ReplyRecorder::add_line(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (code_.empty()) {
    // Lines that are no reply (curl passes some of its own) are skipped.
    if (!starts_with_code(line)) return;
    if (line.size() > 3 && line[3] == '-') {
      code_ = std::string(line.substr(0, 3));
      pending_.clear();
      append_reply_text(&pending_, line);
    } else if (is_final_line(line, "")) {
      last_.clear();
      append_reply_text(&last_, line);
    }
    return;
  }
  if (pending_.size() < kMaxReplyBytes) pending_.push_back('\n');
  append_reply_text(&pending_, line);
  if (is_final_line(line, code_)) {
    last_ = std::move(pending_);
    pending_.clear();
    code_.clear();
  }
}

long long size_announced_in(std::string_view line) {
  if (line.substr(0, 4) == "213 ") return leading_number(line.substr(4));
  if (line.substr(0, 4) != "150 " && line.substr(0, 4) != "125 ") return -1;
  std::string_view::size_type bytes = line.rfind(" bytes)");
  if (bytes == std::string_view::npos) return -1;
  std::string_view::size_type open = line.rfind('(', bytes);
  if (open == std::string_view::npos) return -1;
  std::string_view digits = line.substr(open + 1, bytes - open - 1);
  long long size = leading_number(digits);
  return size >= 0 && std::to_string(size).size() == digits.size() ? size : -1;
}

}  // namespace vornel
