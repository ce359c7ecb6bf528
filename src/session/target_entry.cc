#include "session/target_entry.h"

#include <optional>
#include <string>
#include <string_view>

#include "base/bounded_copy.h"
#include "base/control_characters.h"
#include "base/local_name.h"

namespace vornel {
namespace {

constexpr char kDownloadFileName[] = "config.ini";

// The wording of one dialogue. A null prompt means the field is not asked for.
struct DialogueTexts {
  const char* address_prompt;
  const char* file_prompt;
  const char* user_prompt;
  const char* password_prompt;
  const char* block_start;
  const char* file_line;  // with ini_file_name; null: no line
  const char* user_line;
  const char* password_line;
};

constexpr DialogueTexts kUploadTexts = {
    .address_prompt = "\n\tIP Address: ",
    .file_prompt = "\tINI filename: ",
    .user_prompt = "\tUser Name   : ",
    .password_prompt = "\tPassword    : ",
    .block_start = "\n\n",
    .file_line = "\t\tINI filename: %s\n",
    .user_line = "\t\tUser Name   : %s\n",
    .password_line = "\t\tPassword    : %s\n\n",
};

constexpr DialogueTexts kDownloadTexts = {
    .address_prompt = "\tIP Address: ",
    .file_prompt = nullptr,
    .user_prompt = "\tUser Name: ",
    .password_prompt = "\tPassword : ",
    .block_start = "\n",
    .file_line = nullptr,
    .user_line = "\t\tUser Name : %s\n",
    .password_line = "\t\tPassword  : %s\n\n",
};

constexpr char kHeading[] = "\tYou have entered:\n";
constexpr char kAddressLine[] = "\t\tIP Address: %s\n";
constexpr char kChoices[] =
    "\t1: Continue with these parameters \n"
    "\t2: Enter new parameters \n"
    "\t3: Quit \n";
constexpr char kActionPrompt[] = "\tAction: ";
constexpr char kConfirmed[] = "\n\n";

std::string fill(const char* line, const char* value) {
  std::string text(line);
  text.replace(text.find("%s"), 2, value);
  return text;
}

// Asks until a line fits the field (and, for a file_name, names a file of
// the working directory). False when the input has ended.
template <std::size_t N>
bool read_field(Console& console, const char* prompt, char (&field)[N], bool file_name = false) {
  std::string line;
  for (;;) {
    console.write(prompt);
    if (!console.read_line(&line)) return false;
    std::optional<std::string_view> not_local;
    if (line.size() >= N) {
      console.error("vornel: at most " + std::to_string(N - 1) +
                    " characters fit here; please enter it again\n");
    } else if (has_control_character(line)) {
      console.error(
          "vornel: control characters can't be sent to a device; please enter it again\n");
    } else if (file_name && (not_local = local_name_refusal(line))) {
      console.error("vornel: the file name " + std::string(*not_local) +
                    "; only a file of the working directory can be sent; please enter it "
                    "again\n");
    } else {
      break;
    }
  }
  copy_bounded(field, line);
  return true;
}

bool read_fields(Console& console, const DialogueTexts& texts, TargetRecord* record) {
  if (!read_field(console, texts.address_prompt, record->ip_address)) return false;
  if (texts.file_prompt == nullptr) {
    copy_bounded(record->ini_file_name, kDownloadFileName);
  } else if (!read_field(console, texts.file_prompt, record->ini_file_name, true)) {
    return false;
  }
  return read_field(console, texts.user_prompt, record->user_name) &&
         read_field(console, texts.password_prompt, record->password);
}

void show_block(Console& console, const DialogueTexts& texts, const TargetRecord& record) {
  std::string block = texts.block_start;
  block += kHeading;
  block += fill(kAddressLine, record.ip_address);
  if (texts.file_line != nullptr) block += fill(texts.file_line, record.ini_file_name);
  block += fill(texts.user_line, record.user_name);
  block += fill(texts.password_line, record.password);
  block += kChoices;
  block += kActionPrompt;
  console.write(block);
}

EntryOutcome run_dialogue(Console& console, const DialogueTexts& texts, TargetRecord* record) {
  std::string line;
  for (;;) {
    if (!read_fields(console, texts, record)) return EntryOutcome::kLeft;
    char answer[4];
    do {
      show_block(console, texts, *record);
      if (!console.read_line(&line)) return EntryOutcome::kLeft;
      copy_bounded(answer, line);
    } while (answer[0] != '1' && answer[0] != '2' && answer[0] != '3');
    if (answer[0] == '3') return EntryOutcome::kLeft;
    if (answer[0] == '1') {
      console.write(kConfirmed);
      return EntryOutcome::kConfirmed;
    }
  }
}

}  // namespace

EntryOutcome prompt_upload_target(Console& console, TargetRecord* record) {
  return run_dialogue(console, kUploadTexts, record);
}

EntryOutcome prompt_download_target(Console& console, TargetRecord* record) {
  return run_dialogue(console, kDownloadTexts, record);
}

}  // namespace vornel
