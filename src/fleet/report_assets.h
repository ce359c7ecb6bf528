#ifndef VORNEL_FLEET_REPORT_ASSETS_H_
#define VORNEL_FLEET_REPORT_ASSETS_H_

namespace vornel {

// The report page's style sheet (without the outcomes' colours, which come
// from kOutcomeKinds) and its one script. The script only sorts and filters
// the device table and opens a diff: the page says everything without it.
extern const char kReportStyle[];
extern const char kReportScript[];

}  // namespace vornel

#endif  // VORNEL_FLEET_REPORT_ASSETS_H_
