#ifndef VORNEL_FTP_CLIENT_H_
#define VORNEL_FTP_CLIENT_H_

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace vornel {

// A fetch whose bytes did not come to the size the server announced for the
// file (more or fewer).
struct SizeMismatch {
  long long announced = 0;
  long long received = 0;
};

// One logged-in FTP session on a connection of its own. Destroying it sends
// QUIT and closes the connection, so a session ends exactly once, on every
// path. Local names are relative to the working directory, remote names to
// the directory the server gives the user at login.
class FtpConnection {
 public:
  FtpConnection() = default;
  virtual ~FtpConnection() = default;
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  // Lists the names in remote_dir ("" for the login directory) into local_file,
  // one name per line. The file is replaced only by a complete listing; when the
  // listing fails no local_file is left at all (or, where the directory takes
  // no changes, none the caller may read as a listing). False on failure.
  virtual bool list(const char* remote_dir, const char* local_file) = 0;

  // Fetches remote_name into local_name ("" stores it under remote_name). The
  // local name is written only once the whole file has arrived; a failed fetch
  // leaves no partial file and an existing file untouched. False on failure.
  virtual bool get(const char* remote_name, const char* local_name) = 0;

  // Set when the last get failed because the file's bytes did not come to
  // the size the server announced for it; empty otherwise.
  virtual std::optional<SizeMismatch> size_mismatch() const { return std::nullopt; }

  // Sends local_name, stored on the device as remote_name. False on failure.
  virtual bool put(const char* local_name, const char* remote_name) = 0;

  // Sends what remains of local_file, a file the caller opened for reading
  // and still owns, stored on the device as remote_name; so the bytes sent
  // are those of the file the caller checked, whatever its name means by now.
  // False on failure.
  virtual bool put_file(std::FILE* local_file, const char* remote_name) = 0;

  // The server's last reply text.
  virtual std::string reply() const = 0;
};

// The FTP client the device operations use.
class FtpClient {
 public:
  virtual ~FtpClient() = default;

  // Connects to host's FTP service and logs in. The session, or nullptr when
  // the connection or the login fails (nothing is then left to quit).
  virtual std::unique_ptr<FtpConnection> login(const char* host, const char* user,
                                               const char* password) = 0;
};

}  // namespace vornel

#endif  // VORNEL_FTP_CLIENT_H_
