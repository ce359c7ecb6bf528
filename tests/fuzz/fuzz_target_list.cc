// Batch lists come from whatever an operator's editor or a copy from a
// spreadsheet leaves behind: NUL bytes, CR-only lines, no final newline,
// lines far past any field. Whatever the bytes, every record must hold
// terminated fields no wider than the device accepts, each taken from the
// input itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "fakes/fakes.h"
#include "targets/target_list.h"

namespace {

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// A field value is a run of non-blank bytes copied out of the list.
template <std::size_t N>
void check_field(const char (&field)[N], std::string_view input, std::size_t widest) {
  std::size_t length = strnlen(field, N);
  require(length < N, "field not terminated within its width");
  require(length <= widest, "field longer than its limit");
  std::string_view value(field, length);
  require(value.find_first_of(" \t\n\r\v\f") == std::string_view::npos, "blank inside a value");
  require(input.find(value) != std::string_view::npos, "value that is not in the list");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "r")
                             : std::fopen("/dev/null", "r");
  if (file == nullptr) return 0;
  vornel::testing::ScriptedConsole errors;
  vornel::TargetRecord* list = vornel::read_target_list(file, "upload_list.txt", &errors);
  require(std::fgetc(file) == EOF, "list not read to its end");
  std::fclose(file);

  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t openings = 0;
  for (std::size_t at = input.find("SystemIP="); at != std::string_view::npos;
       at = input.find("SystemIP=", at + 1)) {
    ++openings;
  }
  std::size_t records = 0;
  for (const vornel::TargetRecord* r = list; r != nullptr; r = r->next) {
    ++records;
    check_field(r->ip_address, input, 15);
    check_field(r->ini_file_name, input, 27);
    check_field(r->user_name, input, 25);
    check_field(r->password, input, 27);
    require(r->ip_address[0] != '\0', "record without an address");
    require(r->status == 0, "status set by the reader");
  }
  require(records <= openings, "more records than SystemIP lines");
  require(errors.out.empty(), "the reader wrote to standard output");
  vornel::free_target_list(list);
  return 0;
}
