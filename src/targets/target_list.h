#ifndef VORNEL_TARGETS_TARGET_LIST_H_
#define VORNEL_TARGETS_TARGET_LIST_H_

#include <cstdio>

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
// still consumed): a cut address could name another device. When `errors` is
// given, one line on it names file_name, the line number and the reason.
//
// Returns the first record of a new list in file order, or nullptr when the
// stream holds no group. Reads to the end of the stream and leaves it open.
TargetRecord* read_target_list(std::FILE* list_file, const char* file_name = "",
                               Console* errors = nullptr);

// Releases every record from list along next. Null is allowed.
void free_target_list(TargetRecord* list);

}  // namespace vornel

#endif  // VORNEL_TARGETS_TARGET_LIST_H_
