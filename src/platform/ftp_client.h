#ifndef VORNEL_PLATFORM_FTP_CLIENT_H_
#define VORNEL_PLATFORM_FTP_CLIENT_H_

#include <cstdio>

namespace vornel {

// The FTP client the device operations use. A session handle is an int; -1 is
// "no session" and every other value, 0 included, is a live session.
// Local names are relative to the working directory, remote names to the
// directory the server gives the user at login.
class FtpClient {
 public:
  static constexpr int kNoSession = -1;

  virtual ~FtpClient() = default;

  // Connects to host's FTP service and logs in. `account` is unused and may be "".
  // Returns a session handle, or -1 when the connection or the login fails.
  virtual int ftp_login(const char* host, const char* user, const char* password,
                        const char* account) = 0;

  // Lists the names in remote_dir ("" for the login directory) into local_file,
  // one name per line. The file is replaced only by a complete listing; when the
  // listing fails no local_file is left at all (or, where the directory takes
  // no changes, none the caller may read as a listing). Returns 0, or -1 on
  // failure.
  virtual int ftp_ls(int session, const char* remote_dir, const char* local_file) = 0;

  // Fetches remote_name into local_name ("" stores it under remote_name). The
  // local name is written only once the whole file has arrived; a failed fetch
  // leaves no partial file and an existing file untouched. -1 on failure.
  virtual int ftp_get(int session, const char* remote_name, const char* local_name) = 0;

  // True when the last ftp_get of session failed because the file's bytes did
  // not come to the size the server announced for it (more or fewer); the two
  // counts are then in *announced and *received. False otherwise, and for an
  // unknown session.
  virtual bool ftp_size_mismatch(int /*session*/, long long* /*announced*/,
                                 long long* /*received*/) {
    return false;
  }

  // Sends local_name, stored on the device as remote_name. -1 on failure.
  virtual int ftp_put(int session, const char* local_name, const char* remote_name) = 0;

  // Sends what remains of local_file, a file the caller opened for reading
  // and still owns, stored on the device as remote_name; so the bytes sent
  // are those of the file the caller checked, whatever its name means by now.
  // -1 on failure.
  virtual int ftp_put_file(int session, std::FILE* local_file, const char* remote_name) = 0;

  // Copies the server's last reply text into buffer: at most size bytes, always
  // terminated. Does nothing for -1 or an unknown handle. Returns the length
  // copied, or -1.
  virtual int ftp_copyreplystr(int session, char* buffer, int size) = 0;

  // Sends QUIT and closes the connection. -1 and unknown handles are ignored
  // and touch no other session. Returns 0, or -1 for no such session.
  virtual int ftp_quit(int session) = 0;
};

}  // namespace vornel

#endif  // VORNEL_PLATFORM_FTP_CLIENT_H_
