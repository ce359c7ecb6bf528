#ifndef VORNEL_FTP_REPLIES_H_
#define VORNEL_FTP_REPLIES_H_

#include <string>
#include <string_view>

namespace vornel {

// What a device says on the control connection is read here as text, and
// nothing else reads it: any bytes may come, so what is kept is bounded and
// printable.

// Keeps the server's last complete reply from the control connection's lines.
class ReplyRecorder {
 public:
  void add_line(std::string_view line);
  const std::string& last() const { return last_; }

 private:
  std::string pending_;  // a multi-line reply not yet ended
  std::string code_;     // its reply code, "" when no multi-line reply is open
  std::string last_;
};

// The size a reply line announces for the file being fetched: the answer
// to SIZE ("213 N") or the "(N bytes)" of a 150 or 125 reply. -1 when the
// line announces none, or a number too long to be a size.
long long size_announced_in(std::string_view line);

}  // namespace vornel

#endif  // VORNEL_FTP_REPLIES_H_
