// The decrypt command's options.

#include "cli/ArgumentWalk.h"
#include "cli/CommandLine.h"

namespace cli {

namespace {

void CheckDecryptSettings(const TDecryptSettings& settings, bool keepName) {
  if (settings.Inputs.empty()) throw TUsageError("decrypt needs at least one file or folder");
  if ((settings.Password.Kind != TPasswordSource::TKind::None) == !settings.Ledger.empty()) {
    throw TUsageError("give exactly one of --password-file F, --password-env VAR and --ledger LIST.csv");
  }
  CheckOutputOptions({settings.Inputs, settings.OutputFolder, settings.OutputFile, settings.Suffix,
                      settings.SuffixGiven, keepName, settings.Recursive});
}

}  // namespace

TDecryptSettings ParseDecrypt(const std::vector<std::string>& arguments, bool& help) {
  TDecryptSettings settings;
  bool keepName = false;
  TArgumentWalk walk(arguments, 1);
  while (const std::optional<std::string> option = walk.NextOption(settings.Inputs)) {
    const std::string& name = *option;
    if (ParseCurrentPasswordOption({"--", "--ledger", "input"}, name, walk, settings.Password, settings.Ledger)) continue;
    if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "--output-dir") {
      settings.OutputFolder = NonEmpty(name, walk.Value(name));
    } else if (name == "-o") {
      settings.OutputFile = NonEmpty(name, walk.Value(name));
    } else if (name == "--suffix") {
      settings.Suffix = walk.Value(name);
      settings.SuffixGiven = true;
    } else if (name == "--keep-name") {
      walk.NoValue(name);
      keepName = true;
    } else if (name == "--recursive") {
      walk.NoValue(name);
      settings.Recursive = true;
    } else if (name == "--jobs") {
      settings.Jobs = WholeNumber(name, walk.Value(name), 1, kMaxJobs);
    } else if (name == "--no-verify") {
      walk.NoValue(name);
      settings.Verify = false;
    } else {
      RefuseUnknownOption(name, "--password-file F or --password-env VAR");
    }
  }
  if (!help) CheckDecryptSettings(settings, keepName);
  return settings;
}

}  // namespace cli
