#ifndef VORNEL_REPORT_SUMMARY_TEXTS_H_
#define VORNEL_REPORT_SUMMARY_TEXTS_H_

#include "targets/target_record.h"

namespace vornel {

// The summary's texts: print_summary writes them, and a record's reason is
// the sentence of its target's line (failure_sentence), so the two never
// word a failure differently.

inline constexpr char kSummaryHeader[] = "\n  ** Summary **\n";

// Begins the line of each target that did not succeed; its reason follows.
inline constexpr char kSummaryTargetLine[] = "\t%s: ";

// Why a target did not succeed, by its status; the log words one of them
// differently. "%s" in a reason is the target's INI file name.
struct SummaryReason {
  int status;
  const char* console;
  const char* log;
};

inline constexpr char kReasonTransfer[] = "  Could not download INI File due to an FTP error.\n";
inline constexpr char kReasonNotResponsive[] = "  This address is not responsive.\n";
inline constexpr char kReasonLoginConsole[] = "  Could not log into the FTP server.\n";
inline constexpr char kReasonLoginLog[] = "  Could not log in to FTP server.\n";
inline constexpr char kReasonFileNotOpened[] = "  Could not open file %s.\n";
inline constexpr char kReasonNotSupported[] = "  Does not support INI files.\n";

inline constexpr SummaryReason kSummaryReasons[] = {
    {STATUS_TRANSFER_FAILED, kReasonTransfer, kReasonTransfer},
    {STATUS_NOT_RESPONSIVE, kReasonNotResponsive, kReasonNotResponsive},
    {STATUS_LOGIN_FAILED, kReasonLoginConsole, kReasonLoginLog},
    {STATUS_FILE_NOT_OPENED, kReasonFileNotOpened, kReasonFileNotOpened},
    {STATUS_INI_NOT_SUPPORTED, kReasonNotSupported, kReasonNotSupported},
};

// Any other status but success: no status number stands behind it.
inline constexpr char kReasonUnknown[] = "  Unknown failure.\n";

}  // namespace vornel

#endif  // VORNEL_REPORT_SUMMARY_TEXTS_H_
