#ifndef VORNEL_SESSION_PASS_TEXTS_H_
#define VORNEL_SESSION_PASS_TEXTS_H_

namespace vornel {

// The lines both passes write about each target, worded alike but for the
// pass's verb.

// Announces a target: its INI file name, then its address. No newline at
// its end: the next step's label starts with one.
inline constexpr char kUploadingLine[] = "\n\tUploading %s      to       %s";
inline constexpr char kDownloadingLine[] = "\n\tDownloading %s    from     %s";

// Closes a target whose file was transferred.
inline constexpr char kUploadDone[] = "\tINI upload                         Successful\n";
inline constexpr char kDownloadDone[] = "\tINI download                       Successful\n";

}  // namespace vornel

#endif  // VORNEL_SESSION_PASS_TEXTS_H_
