#ifndef VORNEL_FLEET_TRANSCRIPT_H_
#define VORNEL_FLEET_TRANSCRIPT_H_

#include <string>
#include <string_view>
#include <vector>

namespace vornel {

// What one Vornel's console transcript (a shard's console.txt) tells about
// its devices, read by the texts Vornel writes it with (report/pass_texts.h,
// report/summary_texts.h). Lines may end in LF or CRLF (the Windows build).

// A device the pass announced, in the order worked.
struct WorkedTarget {
  std::string address;
  bool download = false;  // announced by the download pass
  bool done = false;      // its closing "INI upload/download ... Successful" line followed
};

// A line of the pass's summary: a device that did not succeed and why.
struct SummaryLine {
  std::string address;
  std::string reason;  // as shown, without the blanks before it
  int status = 0;      // the status behind the reason, 0 for an unknown failure
};

struct ShardTranscript {
  std::vector<WorkedTarget> targets;
  bool summary = false;  // the summary began: the pass went through its list
  std::vector<SummaryLine> failures;
};

ShardTranscript read_transcript(std::string_view text);

}  // namespace vornel

#endif  // VORNEL_FLEET_TRANSCRIPT_H_
