#ifndef VORNEL_FLEET_ARGUMENTS_H_
#define VORNEL_FLEET_ARGUMENTS_H_

#include <string>
#include <vector>

namespace vornel {

// A command line taken apart the POSIX way, the same on every platform (the
// C library's getopt is not everywhere): options before the operands, each
// "-x", "-x VALUE" or "-xVALUE", flags may share one dash ("-ri"), "--" ends
// the options, and so does the first word that does not begin with '-'.
struct CommandOption {
  char name = 0;
  std::string value;  // empty for a flag
};

struct CommandLine {
  std::vector<CommandOption> options;  // in the order given
  std::vector<std::string> operands;
};

// Reads args against letters, getopt's option letters ("o:n:r": o and n take a value,
// r doesn't). A long option "--NAME VALUE" or "--NAME=VALUE" of long_names
// stands for its letter, which must take a value. False with *error naming
// the option that is unknown or lacks its value.
struct LongOption {
  const char* name;
  char letter;
};
bool parse_command_line(const std::vector<std::string>& args, const char* letters,
                        CommandLine* line, std::string* error,
                        const std::vector<LongOption>& long_names = {});

// A number of at most six decimal digits, nothing else. False otherwise.
bool parse_number(const std::string& text, int* value);

// A count of 1 or more written so; 0 otherwise.
int parse_count(const std::string& text);

}  // namespace vornel

#endif  // VORNEL_FLEET_ARGUMENTS_H_
