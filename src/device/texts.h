#ifndef VORNEL_DEVICE_TEXTS_H_
#define VORNEL_DEVICE_TEXTS_H_

namespace vornel {

// Result texts that complete a progress label. Which of the two follows which
// label is part of the transcript operators compare, so each use names one.
inline constexpr char kSuccessfulPlain[] = "Successful\n";
inline constexpr char kSuccessfulSpaced[] = "Successful \n";

inline constexpr char kLoggingInLabel[] = "\tLogging in                         ";

}  // namespace vornel

#endif  // VORNEL_DEVICE_TEXTS_H_
