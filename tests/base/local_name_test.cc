// Which names count as files of the working directory, the same on every system.
#include "base/local_name.h"

#include <gtest/gtest.h>

#include <string>

namespace vornel {
namespace {

struct NameRow {
  std::string name;
  const char* refusal;  // nullptr: accepted
};

TEST(LocalNameRefusal, AcceptsPlainNamesOnlyAndSaysWhy) {
  const NameRow rows[] = {
      {"site.ini", nullptr},
      {"my site.ini", nullptr},
      {".hidden.ini", nullptr},
      {"a..b.ini", nullptr},
      {"a%41#b?.ini", nullptr},
      {"console.ini", nullptr},  // only the device name itself is reserved
      {"com10.ini", nullptr},
      {"lpt0", nullptr},
      {"nul-site.ini", nullptr},
      {"COM\xC2\xB4.ini", nullptr},  // an acute accent, no superscript
      {"", "is empty"},
      {"/etc/hostname", "is an absolute path"},
      {"\\windows\\win.ini", "is an absolute path"},
      {"\\\\server\\share\\site.ini", "is a network or device path"},
      {"\\\\.\\PhysicalDrive0", "is a network or device path"},
      {"\\\\?\\C:\\x.ini", "is a network or device path"},
      {"//server/share", "is a network or device path"},
      {"C:site.ini", "names a drive or a stream"},
      {"c:\\site.ini", "names a drive or a stream"},
      {"site.ini:hidden", "names a drive or a stream"},
      {"site.ini::$DATA", "names a drive or a stream"},
      {"..", "leads out of the working directory"},
      {"../secret.ini", "leads out of the working directory"},
      {"..\\secret.ini", "leads out of the working directory"},
      {"sub/../dots.ini", "leads out of the working directory"},
      {"sub\\..", "leads out of the working directory"},
      {"sub/site.ini", "names a folder"},
      {"sub\\site.ini", "names a folder"},
      {"./site.ini", "names a folder"},
      {"site.ini/", "names a folder"},
      {".", "ends in a dot or a blank"},
      {"site.ini.", "ends in a dot or a blank"},
      {"site.ini ", "ends in a dot or a blank"},
      {"CON", "is a reserved device name"},
      {"con.ini", "is a reserved device name"},
      {"Prn.tar.gz", "is a reserved device name"},
      {"aux", "is a reserved device name"},
      {"NUL .ini", "is a reserved device name"},
      {"conin$", "is a reserved device name"},
      {"CONOUT$.txt", "is a reserved device name"},
      {"COM1", "is a reserved device name"},
      {"com9.ini", "is a reserved device name"},
      {"LPT5.ini", "is a reserved device name"},
      {"lpt\xC2\xB9.ini", "is a reserved device name"},
      {"COM\xC2\xB3", "is a reserved device name"},
  };
  for (const NameRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<std::string_view> why = local_name_refusal(row.name);
    if (row.refusal == nullptr) {
      EXPECT_FALSE(why.has_value()) << *why;
    } else {
      ASSERT_TRUE(why.has_value());
      EXPECT_EQ(*why, row.refusal);
    }
  }
}

}  // namespace
}  // namespace vornel
