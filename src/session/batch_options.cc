#include "session/batch.h"

namespace vornel {

const char kBatchSynopsis[] =
    "usage: vornel-batch upload [--results FILE] [--stop-file FILE] [LIST]\n"
    "       vornel-batch download [--results FILE] [--name-by-address] [--stop-file FILE] [LIST]\n"
    "       vornel-batch check upload|download [--results FILE] [--stop-file FILE] [LIST]\n"
    "       vornel-batch --help | --version\n";

const char kBatchHelp[] =
    "\n"
    "One pass of Vornel over a batch list of the working directory (upload_list.txt\n"
    "or download_list.txt when LIST is not given), without questions; check is a\n"
    "preflight that sends and fetches nothing.\n"
    "\n"
    "  --results FILE      a record (JSON, one line) per group of the list, written as\n"
    "                      each ends; FILE - is standard output, and the pass's texts\n"
    "                      then go to standard error\n"
    "  --name-by-address   download: name every fetched file ADDRESS.ini\n"
    "  --stop-file FILE    once FILE exists, start no next device (exit status 3)\n"
    "\n"
    "Exit status: 0 every device ok (or ready), 1 a device failed or a group was\n"
    "skipped, 2 nothing was run, 3 stopped by the stop file, 129/130/143 stopped by\n"
    "a signal after the device being worked. See vornel-batch(1).\n";

namespace {

BatchRequest usage_error(std::string error) {
  BatchRequest request;
  request.error = std::move(error);
  return request;
}

bool is_help(const std::string& word) {
  return word == "--help" || word == "-h" || word == "-?" || word == "/?";
}

// Whether args[*i] is the option name ("--results"), and if so its value:
// "--results FILE" (taking the next word) or "--results=FILE". An empty
// value is set when there is none.
bool takes_option(const std::vector<std::string>& args, std::size_t* i, const std::string& name,
                  std::string* value) {
  const std::string& word = args[*i];
  if (word.starts_with(name + "=")) {
    *value = word.substr(name.size() + 1);
  } else if (word != name) {
    return false;
  } else {
    *value = ++*i < args.size() ? args[*i] : "";
  }
  return true;
}

}  // namespace

BatchRequest parse_batch_arguments(const std::vector<std::string>& args) {
  BatchRequest request;
  if (args.size() == 1 && is_help(args[0])) {
    request.kind = BatchRequest::Kind::kHelp;
    return request;
  }
  if (args.size() == 1 && args[0] == "--version") {
    request.kind = BatchRequest::Kind::kVersion;
    return request;
  }
  std::vector<std::string> operands;
  BatchOptions& options = request.options;
  bool results_given = false;
  bool options_ended = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (options_ended || word.size() < 2 || word[0] != '-') {
      operands.push_back(word);
    } else if (word == "--") {
      options_ended = true;
    } else if (takes_option(args, &i, "--results", &options.results)) {
      if (results_given) return usage_error("--results is given twice");
      results_given = true;
      if (options.results.empty()) return usage_error("--results wants a file name, or -");
    } else if (takes_option(args, &i, "--stop-file", &options.stop_file)) {
      if (options.stop_file.empty()) return usage_error("--stop-file wants a file name");
    } else if (word == "--name-by-address") {
      options.name_by_address = true;
    } else if (is_help(word) || word == "--version") {
      return usage_error(word + " stands alone");
    } else {
      return usage_error("unknown option " + word);
    }
  }
  std::size_t list_at = 1;
  if (operands.empty()) return usage_error("say what to do: upload, download or check");
  if (operands[0] == "upload") {
    options.command = BatchCommand::kUpload;
  } else if (operands[0] == "download") {
    options.command = BatchCommand::kDownload;
  } else if (operands[0] == "check" && operands.size() > 1 &&
             (operands[1] == "upload" || operands[1] == "download")) {
    options.command =
        operands[1] == "upload" ? BatchCommand::kCheckUpload : BatchCommand::kCheckDownload;
    list_at = 2;
  } else if (operands[0] == "check") {
    return usage_error("check wants upload or download");
  } else {
    return usage_error("unknown command " + operands[0]);
  }
  if (operands.size() > list_at + 1) return usage_error("one batch list, please");
  if (operands.size() == list_at + 1) options.list = operands[list_at];
  if (options.name_by_address && options.command != BatchCommand::kDownload)
    return usage_error("--name-by-address is for a download");
  request.kind = BatchRequest::Kind::kRun;
  return request;
}

}  // namespace vornel
