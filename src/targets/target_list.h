#ifndef VORNEL_TARGETS_TARGET_LIST_H_
#define VORNEL_TARGETS_TARGET_LIST_H_

#include <cstdio>
#include <string>

#include "platform/console.h"
#include "targets/target_record.h"

namespace vornel {

// Reads a batch list: groups of four lines
//   SystemIP=<address>
//   IniFileName=<file>
//   SystemUserName=<user>
//   SystemPassword=<password>
// with anything else between groups. Lines are taken in pieces of at most 255
// bytes. A value is the first run of non-blank characters after the '='.
// The three lines after an opening line belong to its group whatever they
// hold; one that doesn't match its key leaves its field empty.
//
// A group with a value longer than its field is refused whole (its lines are
// still consumed): a cut address could name another device. So is a group
// whose IniFileName is no plain file of the working directory
// (local_name_refusal), in either list. When `errors` is given, one line on
// it names file_name, the line number and the reason.
//
// Returns the first record of a new list in file order, or nullptr when the
// stream holds no group. Reads to the end of the stream and leaves it open.
//
// When `groups` is given it sees every group as it is read, refused ones
// included: a tool that cuts a list into parts (vornel-shard) takes its groups
// from here, so it can never cut them otherwise than they are read.
class ListGroupSink;
TargetRecord* read_target_list(std::FILE* list_file, const char* file_name = "",
                               Console* errors = nullptr, ListGroupSink* groups = nullptr);

// One group as read, with where it lies in the stream.
struct ListGroup {
  long line = 0;   // line of its opening piece
  long begin = 0;  // byte offset of its opening piece
  long end = 0;    // byte offset just past its last piece
  // Its fields as read; for a refused group they may be cut. Valid during
  // the call only.
  const TargetRecord* record = nullptr;
  // Empty, or why the group is refused: "FILE:LINE: KEY REASON; the whole
  // group is ignored", the text the errors line carries after "vornel: ".
  std::string refusal;
};

class ListGroupSink {
 public:
  virtual ~ListGroupSink() = default;
  virtual void group(const ListGroup& group) = 0;
};

// Releases every record from list along next. Null is allowed.
void free_target_list(TargetRecord* list);

}  // namespace vornel

#endif  // VORNEL_TARGETS_TARGET_LIST_H_
