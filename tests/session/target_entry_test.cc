#include "session/target_entry.h"

#include <gtest/gtest.h>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::ScriptedConsole;

constexpr char kUploadBlockFmt[] =
    "\n\n\tYou have entered:\n\t\tIP Address: %s\n\t\tINI filename: %s\n"
    "\t\tUser Name   : %s\n\t\tPassword    : %s\n\n"
    "\t1: Continue with these parameters \n\t2: Enter new parameters \n\t3: Quit \n\tAction: ";
constexpr char kUploadPrompts[] =
    "\n\tIP Address: \tINI filename: \tUser Name   : \tPassword    : ";

std::string upload_block(const char* ip, const char* ini, const char* user, const char* pw) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, kUploadBlockFmt, ip, ini, user, pw);
  return buffer;
}

TEST(PromptUploadTarget, StoresWhatWasTypedAndConfirms) {
  ScriptedConsole console({"10.0.0.5", "site a.ini", "ad min", "p w", "1"});
  TargetRecord record;
  ASSERT_EQ(prompt_upload_target(console, &record), EntryOutcome::kConfirmed);
  EXPECT_STREQ(record.ip_address, "10.0.0.5");
  EXPECT_STREQ(record.ini_file_name, "site a.ini");
  EXPECT_STREQ(record.user_name, "ad min");
  EXPECT_STREQ(record.password, "p w");
  EXPECT_EQ(console.out,
            std::string(kUploadPrompts) + upload_block("10.0.0.5", "site a.ini", "ad min", "p w") +
                "\n\n");
}

TEST(PromptUploadTarget, AnswerTwoAsksEverythingAgainOthersShowTheBlockAgain) {
  ScriptedConsole console({"10.0.0.5", "a.ini", "u", "p", "2", "10.0.0.6", "b.ini", "v", "q",
                           "", " 1", "x", "12"});
  TargetRecord record;
  ASSERT_EQ(prompt_upload_target(console, &record), EntryOutcome::kConfirmed);
  EXPECT_STREQ(record.ip_address, "10.0.0.6");
  EXPECT_STREQ(record.ini_file_name, "b.ini");
  std::string second = upload_block("10.0.0.6", "b.ini", "v", "q");
  EXPECT_EQ(console.out, std::string(kUploadPrompts) + upload_block("10.0.0.5", "a.ini", "u", "p") +
                             kUploadPrompts + second + second + second + second + "\n\n");
}

TEST(PromptDownloadTarget, SetsConfigIniWithoutAsking) {
  ScriptedConsole console({"10.0.0.5", "admin", "secret", "1"});
  TargetRecord record;
  ASSERT_EQ(prompt_download_target(console, &record), EntryOutcome::kConfirmed);
  EXPECT_STREQ(record.ini_file_name, "config.ini");
  EXPECT_EQ(console.out,
            "\tIP Address: \tUser Name: \tPassword : "
            "\n\tYou have entered:\n\t\tIP Address: 10.0.0.5\n\t\tUser Name : admin\n"
            "\t\tPassword  : secret\n\n"
            "\t1: Continue with these parameters \n\t2: Enter new parameters \n\t3: Quit \n"
            "\tAction: \n\n");
}

TEST(PromptTarget, QuitAndEndOfInputEndTheDialogueWithoutMoreText) {
  ScriptedConsole quit({"10.0.0.5", "admin", "secret", "3"});
  TargetRecord record;
  EXPECT_EQ(prompt_download_target(quit, &record), EntryOutcome::kLeft);
  EXPECT_TRUE(quit.out.ends_with("\tAction: "));

  // The input may end at any prompt; the dialogue must not ask again.
  for (int lines = 0; lines <= 5; ++lines) {
    std::vector<std::string> script = {"10.0.0.5", "a.ini", "u", "p", "x"};
    script.resize(lines);
    ScriptedConsole ended(script);
    TargetRecord r;
    EXPECT_EQ(prompt_upload_target(ended, &r), EntryOutcome::kLeft) << lines;
    EXPECT_EQ(ended.reads, lines + 1) << lines;
  }
}

TEST(PromptTarget, OverlongLineIsRefusedAndAskedAgain) {
  ScriptedConsole console({std::string(26, '1'), std::string(25, '1'), "a.ini",
                           std::string(26, 'u'), "u", std::string(28, 'p'), std::string(27, 'p'),
                           std::string(1000, '1')});
  TargetRecord record;
  // The long answer counts by its first character.
  ASSERT_EQ(prompt_upload_target(console, &record), EntryOutcome::kConfirmed);
  EXPECT_EQ(std::string(record.ip_address), std::string(25, '1'));
  EXPECT_STREQ(record.user_name, "u");
  EXPECT_EQ(std::string(record.password), std::string(27, 'p'));
  EXPECT_EQ(console.err,
            "vornel: at most 25 characters fit here; please enter it again\n"
            "vornel: at most 25 characters fit here; please enter it again\n"
            "vornel: at most 27 characters fit here; please enter it again\n");
  EXPECT_TRUE(console.out.starts_with("\n\tIP Address: \n\tIP Address: \tINI filename: "));
}

TEST(PromptTarget, ControlCharactersAreRefusedAndAskedAgain) {
  // A NUL would cut "10.0.0.25" to another device's "10.0.0.2"; CR and LF
  // would end the FTP command and start another.
  ScriptedConsole console({std::string("10.0.0.2\0" "5", 10), "10.0.0.25", "a\tb.ini", "a.ini",
                           "admin\r\nDELE config.ini", "ad\x1bmin", "admin", "se\x7f", "secret",
                           "1"});
  TargetRecord record;
  ASSERT_EQ(prompt_upload_target(console, &record), EntryOutcome::kConfirmed);
  EXPECT_STREQ(record.ip_address, "10.0.0.25");
  EXPECT_STREQ(record.ini_file_name, "a.ini");
  EXPECT_STREQ(record.user_name, "admin");
  EXPECT_STREQ(record.password, "secret");
  std::string refusal =
      "vornel: control characters can't be sent to a device; please enter it again\n";
  EXPECT_EQ(console.err, refusal + refusal + refusal + refusal + refusal);
  EXPECT_EQ(console.out.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace vornel
