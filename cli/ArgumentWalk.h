#pragma once
// The pieces every command's parsing shares: the walk over options and operands, and the checks of
// option values. Each failure is a TUsageError.

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/CommandLine.h"

namespace cli {

// Walks one command's arguments: options (as "--name value" or "--name=value") and operands.
class TArgumentWalk {
 public:
  TArgumentWalk(const std::vector<std::string>& arguments, std::size_t first)
      : arguments_(arguments), next_(first) {}

  // The next option's name, or nothing when the next argument is an operand (which is collected)
  // or the arguments are used up.
  std::optional<std::string> NextOption(std::vector<std::string>& operands) {
    while (next_ < arguments_.size()) {
      const std::string& argument = arguments_[next_++];
      if (optionsEnded_ || argument == "-" || !argument.starts_with("-")) {
        operands.push_back(argument);
        continue;
      }
      if (argument == "--") {
        optionsEnded_ = true;
        continue;
      }
      const std::size_t equals = argument.starts_with("--") ? argument.find('=') : std::string::npos;
      inlineValue_.reset();
      if (equals != std::string::npos) inlineValue_ = argument.substr(equals + 1);
      std::string name = argument.substr(0, equals);
      if (!seen_.insert(name).second) throw TUsageError(name + " is given twice");
      return name;
    }
    return std::nullopt;
  }

  // The value of the option just returned: its "=value" part, or the following argument. A
  // following argument that is itself an option means the value was forgotten.
  std::string Value(const std::string& name) {
    if (inlineValue_) return *std::exchange(inlineValue_, std::nullopt);
    if (next_ >= arguments_.size() || arguments_[next_].starts_with("--")) throw TUsageError(name + " needs a value");
    return arguments_[next_++];
  }

  // An option that takes no value must not have been written with one.
  void NoValue(const std::string& name) const {
    if (inlineValue_) throw TUsageError(name + " takes no value");
  }

 private:
  const std::vector<std::string>& arguments_;
  std::size_t next_;
  bool optionsEnded_ = false;
  std::optional<std::string> inlineValue_;
  std::set<std::string> seen_;
};

// Refuses an option no command knows; a password given as a value gets passwordHint's advice.
[[noreturn]] void RefuseUnknownOption(const std::string& name, std::string_view passwordHint);

std::string NonEmpty(const std::string& name, std::string value);

// Sets source from an option, refusing a second source for the same password (what names it).
void SetPasswordSource(TPasswordSource& source, TPasswordSource::TKind kind, const std::string& name,
                       std::string value, std::string_view what);

// What opens encrypted inputs: the options PREFIX + "password-file", PREFIX + "password-env" and
// ledgerOption. Takes name and its value when it is one of them; false for any other option.
struct TCurrentPasswordOptions {
  std::string_view prefix;        // "--" or "--input-"
  std::string_view ledgerOption;  // "--ledger" or "--input-ledger"
  std::string_view what;          // names the password in messages
};
bool ParseCurrentPasswordOption(const TCurrentPasswordOptions& options, const std::string& name, TArgumentWalk& walk,
                                TPasswordSource& password, std::string& ledger);

// More threads than this only add memory: the work is bound by the processor and the disk.
inline constexpr int kMaxJobs = 256;

// A decimal number from low to high, digits only.
int WholeNumber(const std::string& name, const std::string& text, int low, int high);

// The output options of a batch command (encrypt, decrypt): exactly one of --output-dir and -o,
// -o with one input and none of the naming options, --suffix or --keep-name, a suffix without '/'.
struct TOutputOptions {
  const std::vector<std::string>& inputs;
  const std::string& outputFolder;
  const std::string& outputFile;
  const std::string& suffix;
  bool suffixGiven;
  bool keepName;
  bool recursive;
};
void CheckOutputOptions(const TOutputOptions& options);

}  // namespace cli
