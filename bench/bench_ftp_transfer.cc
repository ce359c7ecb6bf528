// One FTP session through CurlFtpClient, timed from login to quit:
//   bench_ftp_transfer put|get ADDRESS USER PASSWORD LOCAL REMOTE
// Prints the seconds taken; exits 1 when any step failed.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ftp/curl_client.h"

int main(int argc, char** argv) {
  if (argc != 7 || (std::strcmp(argv[1], "put") != 0 && std::strcmp(argv[1], "get") != 0)) {
    std::fprintf(stderr, "usage: %s put|get ADDRESS USER PASSWORD LOCAL REMOTE\n", argv[0]);
    return 2;
  }
  const bool put = std::strcmp(argv[1], "put") == 0;
  vornel::CurlFtpClient ftp;
  auto start = std::chrono::steady_clock::now();
  std::unique_ptr<vornel::FtpConnection> session = ftp.login(argv[2], argv[3], argv[4]);
  if (session == nullptr) {
    std::fprintf(stderr, "login failed\n");
    return 1;
  }
  bool done = put ? session->put(argv[5], argv[6]) : session->get(argv[6], argv[5]);
  std::string reply = session->reply();
  session.reset();  // QUIT
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!done) {
    std::fprintf(stderr, "%s failed: %s\n", argv[1], reply.c_str());
    return 1;
  }
  std::printf("%.6f\n", elapsed.count());
  return 0;
}
