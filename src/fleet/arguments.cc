#include "fleet/arguments.h"

#include <cstring>

namespace vornel {

bool parse_command_line(const std::vector<std::string>& args, const char* letters,
                        CommandLine* line, std::string* error,
                        const std::vector<LongOption>& long_names) {
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--") {
      ++i;
      break;
    }
    if (word.size() < 2 || word[0] != '-') break;
    if (word[1] == '-') {
      std::string name = word.substr(2, word.find('=') - 2);
      const LongOption* found = nullptr;
      for (const LongOption& known : long_names) found = name == known.name ? &known : found;
      if (found == nullptr) {
        *error = "unknown option --" + name;
        return false;
      }
      CommandOption option{found->letter, ""};
      if (word.find('=') != std::string::npos) {
        option.value = word.substr(word.find('=') + 1);
      } else if (i + 1 < args.size()) {
        option.value = args[++i];
      } else {
        *error = "option --" + name + " wants a value";
        return false;
      }
      line->options.push_back(option);
      continue;
    }
    for (std::size_t at = 1; at < word.size(); ++at) {
      char name = word[at];
      const char* found = name == ':' ? nullptr : std::strchr(letters, name);
      if (found == nullptr) {
        *error = std::string("unknown option -") + name;
        return false;
      }
      CommandOption option{name, ""};
      if (found[1] == ':') {
        if (at + 1 < word.size()) {
          option.value = word.substr(at + 1);
        } else if (i + 1 < args.size()) {
          option.value = args[++i];
        } else {
          *error = std::string("option -") + name + " wants a value";
          return false;
        }
        line->options.push_back(option);
        break;
      }
      line->options.push_back(option);
    }
  }
  line->operands.assign(args.begin() + static_cast<long>(i), args.end());
  return true;
}

bool parse_number(const std::string& text, int* value) {
  if (text.empty() || text.size() > 6) return false;
  *value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + (c - '0');
  }
  return true;
}

int parse_count(const std::string& text) {
  int count;
  return parse_number(text, &count) ? count : 0;
}

}  // namespace vornel
