#include "targets/target_list.h"

#include <optional>
#include <string>
#include <string_view>

#include "base/bounded_copy.h"
#include "base/control_characters.h"
#include "base/local_name.h"

namespace vornel {
namespace {

constexpr std::size_t kLinePiece = 255;  // a 256-byte line buffer less its terminator
constexpr std::size_t kAddressScan = 16;  // the address comes through a 16-byte buffer

// One piece of a line: up to and including its newline, at most kLinePiece bytes.
struct LineReader {
  std::FILE* file;
  long line_number = 1;  // of the line the last piece belongs to
  long next_line = 1;
  long piece_begin = 0;  // byte offset of the last piece
  long offset = 0;       // bytes consumed so far

  bool read(std::string* piece) {
    piece->clear();
    line_number = next_line;
    piece_begin = offset;
    int c;
    while (piece->size() < kLinePiece && (c = std::getc(file)) != EOF) {
      ++offset;
      piece->push_back(static_cast<char>(c));
      if (c == '\n') {
        ++next_line;
        break;
      }
    }
    return !piece->empty();
  }
};

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Matches "<key>=<value>": the key at the very start, exactly as spelled; blanks
// after the '=' skipped; the value ends at the first blank. False when the key
// doesn't match or no value follows. A NUL ends the line, as for any C string;
// *cut is set when it ends the value itself, which may then be the start of
// another device's address or name.
bool scan_value(std::string_view line, std::string_view key, std::string_view* value,
                bool* cut) {
  std::size_t nul = line.find('\0');
  *cut = false;
  line = line.substr(0, nul);
  if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=')
    return false;
  std::size_t begin = key.size() + 1;
  while (begin < line.size() && is_blank(line[begin])) ++begin;
  std::size_t end = begin;
  while (end < line.size() && !is_blank(line[end])) ++end;
  if (end == begin) return false;
  *value = line.substr(begin, end - begin);
  *cut = end == nul;
  return true;
}

struct Field {
  const char* key;
  char* dst;
  std::size_t size;
  bool file_name;  // must name a file of the working directory
};

std::string too_long(std::size_t width) {
  return "value longer than " + std::to_string(width) + " characters";
}

constexpr char kCutByNul[] = "value ends in a NUL byte";
constexpr char kControlCharacter[] = "value holds a control character";

// Why a value can't be taken, or "" when it can.
std::string refusal(std::string_view value, bool cut, std::size_t width, bool file_name = false) {
  if (cut) return kCutByNul;
  if (value.size() > width) return too_long(width);
  if (has_control_character(value)) return kControlCharacter;
  if (file_name) {
    if (std::optional<std::string_view> why = local_name_refusal(value)) {
      return "value " + std::string(*why);
    }
  }
  return "";
}

// A group line that does not hold its key leaves the field empty; the group
// still runs, so the operator is told before an empty password fails a login.
std::string empty_field_text(const char* file_name, long line, const char* key) {
  return std::string(file_name) + ":" + std::to_string(line) + ": " + key +
         "= expected; the group goes on with an empty " + key;
}

std::string refusal_text(const char* file_name, long line, const char* key,
                         const std::string& reason) {
  return std::string(file_name) + ":" + std::to_string(line) + ": " + key + " " + reason +
         "; the whole group is ignored";
}

}  // namespace

TargetRecord* read_target_list(std::FILE* list_file, const char* file_name, Console* errors,
                               ListGroupSink* groups) {
  TargetRecord* head = nullptr;
  TargetRecord* tail = nullptr;
  LineReader reader{list_file};
  std::string line;
  auto append = [&](TargetRecord* record) {
    if (tail == nullptr) {
      head = record;
    } else {
      tail->next = record;
    }
    tail = record;
  };

  while (reader.read(&line)) {
    std::string_view address;
    bool cut;
    if (!scan_value(line, "SystemIP", &address, &cut)) continue;

    auto* record = new TargetRecord{};
    ListGroup group;
    group.line = reader.line_number;
    group.begin = reader.piece_begin;
    group.record = record;
    std::string why = refusal(address, cut, kAddressScan - 1);
    if (!why.empty()) group.refusal = refusal_text(file_name, reader.line_number, "SystemIP", why);
    copy_bounded(record->ip_address, address);

    const Field fields[] = {
        {"IniFileName", record->ini_file_name, sizeof record->ini_file_name, true},
        {"SystemUserName", record->user_name, sizeof record->user_name, false},
        {"SystemPassword", record->password, sizeof record->password, false},
    };
    std::string notes;
    bool ended = false;
    for (const Field& field : fields) {
      ended = ended || !reader.read(&line);
      std::string_view value;
      if (ended || !scan_value(line, field.key, &value, &cut)) {
        long where = ended ? reader.next_line : reader.line_number;
        notes += "vornel: " + empty_field_text(file_name, where, field.key) + "\n";
        continue;
      }
      copy_bounded(field.dst, field.size, value);
      why = refusal(value, cut, field.size - 1, field.file_name);
      if (!why.empty() && group.refusal.empty())
        group.refusal = refusal_text(file_name, reader.line_number, field.key, why);
    }
    group.end = reader.offset;
    bool refused = !group.refusal.empty();
    std::string said = refused ? "vornel: " + group.refusal + "\n" : notes;
    if (errors != nullptr && !said.empty()) errors->error(said);
    if (groups != nullptr) groups->group(group);
    if (refused) {
      delete record;
    } else {
      append(record);
    }
  }
  return head;
}

void free_target_list(TargetRecord* list) {
  while (list != nullptr) {
    TargetRecord* next = list->next;
    delete list;
    list = next;
  }
}

}  // namespace vornel
