// Reads one batch list with the reader a pass uses:
//   bench_target_list FILE
// Prints "<records> <seconds> <peak KiB before> <peak KiB after>", the peak
// being the process's high-water resident set (VmHWM), so the difference is
// what the list cost at its largest.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "targets/target_list.h"

namespace {

long peak_resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  std::FILE* file = std::fopen(argv[1], "r");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  long before = peak_resident_kib();
  auto start = std::chrono::steady_clock::now();
  vornel::TargetRecord* list = vornel::read_target_list(file, argv[1]);
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  long after = peak_resident_kib();
  long records = 0;
  for (const vornel::TargetRecord* r = list; r != nullptr; r = r->next) ++records;
  vornel::free_target_list(list);
  std::fclose(file);
  std::printf("%ld %.6f %ld %ld\n", records, elapsed.count(), before, after);
  return 0;
}
