#ifndef VORNEL_SESSION_VERSION_H_
#define VORNEL_SESSION_VERSION_H_

namespace vornel {

// The version both programs show: vornel's banner, vornel-batch --version.
inline constexpr char kVersion[] = "Vornel version 1.0d";
// The banner line, with kVersion, and an empty line after it.
inline constexpr char kBanner[] = "%s\n\n";

}  // namespace vornel

#endif  // VORNEL_SESSION_VERSION_H_
