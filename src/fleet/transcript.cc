#include "fleet/transcript.h"

#include "report/pass_texts.h"
#include "report/summary_texts.h"

namespace vornel {
namespace {

// A text as it stands on its line: without the newlines around it.
std::string_view as_line(std::string_view text) {
  while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return text;
}

// The parts of a line format around its "%s" conversions.
struct Pattern {
  int conversions = 0;       // 0, 1 or 2
  std::string_view before;   // up to the first %s, or the whole text
  std::string_view between;  // between the first and the second
  std::string_view after;    // after the last
};

Pattern pattern_of(std::string_view format) {
  format = as_line(format);
  Pattern pattern;
  std::size_t first = format.find("%s");
  pattern.before = format.substr(0, first);
  if (first == std::string_view::npos) return pattern;
  std::string_view rest = format.substr(first + 2);
  std::size_t second = rest.find("%s");
  pattern.conversions = second == std::string_view::npos ? 1 : 2;
  if (pattern.conversions == 1) {
    pattern.after = rest;
  } else {
    pattern.between = rest.substr(0, second);
    pattern.after = rest.substr(second + 2);
  }
  return pattern;
}

bool starts_with(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

bool ends_with(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool is_word(std::string_view text) {
  return !text.empty() && text.find_first_of(" \t") == std::string_view::npos;
}

// An announcement "NAME ... ADDRESS": the address is what follows the last
// `between`, as neither a list's names nor its addresses hold a blank.
bool match_announcement(std::string_view line, const Pattern& pattern, std::string* address) {
  if (!starts_with(line, pattern.before) || !ends_with(line, pattern.after)) return false;
  line.remove_suffix(pattern.after.size());
  std::size_t at = line.rfind(pattern.between);
  if (at == std::string_view::npos || at < pattern.before.size()) return false;
  std::string_view found = line.substr(at + pattern.between.size());
  if (!is_word(found)) return false;
  *address = found;
  return true;
}

int status_of_reason(std::string_view reason) {
  for (const SummaryReason& known : kSummaryReasons) {
    Pattern pattern = pattern_of(known.console);
    bool matches = pattern.conversions == 0
                       ? reason == pattern.before
                       : reason.size() >= pattern.before.size() + pattern.after.size() &&
                             starts_with(reason, pattern.before) &&
                             ends_with(reason, pattern.after);
    if (matches) return known.status;
  }
  return 0;
}

// "\tADDRESS:   REASON" after the summary's header.
bool match_summary_line(std::string_view line, const Pattern& pattern, SummaryLine* failure) {
  if (!starts_with(line, pattern.before)) return false;
  std::size_t at = line.find(pattern.after, pattern.before.size());
  if (at == std::string_view::npos) return false;
  std::string_view address = line.substr(pattern.before.size(), at - pattern.before.size());
  if (!is_word(address)) return false;
  std::string_view reason = line.substr(at + pattern.after.size());
  failure->address = address;
  failure->status = status_of_reason(reason);
  while (!reason.empty() && reason.front() == ' ') reason.remove_prefix(1);
  failure->reason = reason;
  return true;
}

}  // namespace

ShardTranscript read_transcript(std::string_view text) {
  static const Pattern kUploading = pattern_of(kUploadingLine);
  static const Pattern kDownloading = pattern_of(kDownloadingLine);
  static const Pattern kTargetLine = pattern_of(kSummaryTargetLine);
  const std::string_view upload_done = as_line(kUploadDone);
  const std::string_view download_done = as_line(kDownloadDone);
  const std::string_view header = as_line(kSummaryHeader);

  ShardTranscript transcript;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    WorkedTarget target;
    SummaryLine failure;
    if (transcript.summary) {
      if (match_summary_line(line, kTargetLine, &failure)) {
        transcript.failures.push_back(failure);
      }
    } else if (line == header) {
      transcript.summary = true;
    } else if (match_announcement(line, kUploading, &target.address) ||
               (target.download = match_announcement(line, kDownloading, &target.address))) {
      transcript.targets.push_back(target);
    } else if (!transcript.targets.empty() &&
               line == (transcript.targets.back().download ? download_done : upload_done)) {
      transcript.targets.back().done = true;
    }
  }
  return transcript;
}

}  // namespace vornel
