#ifndef VORNEL_REPORT_PASS_TEXTS_H_
#define VORNEL_REPORT_PASS_TEXTS_H_

namespace vornel {

// The lines a pass writes about each target that the fleet's outcome reader
// (vornel-shard outcomes) reads back from a console transcript. One
// definition serves the writer and the reader, so a change of wording can't
// leave the reader behind.

// Announces a target: its INI file name, then its address. No newline at
// its end: the next step's label starts with one.
inline constexpr char kUploadingLine[] = "\n\tUploading %s      to       %s";
inline constexpr char kDownloadingLine[] = "\n\tDownloading %s    from     %s";

// Closes a target whose file was transferred.
inline constexpr char kUploadDone[] = "\tINI upload                         Successful\n";
inline constexpr char kDownloadDone[] = "\tINI download                       Successful\n";

}  // namespace vornel

#endif  // VORNEL_REPORT_PASS_TEXTS_H_
