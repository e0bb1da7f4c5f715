#include "cli/ArgumentWalk.h"

#include <algorithm>
#include <array>

namespace cli {

namespace {

// Spellings people try for a password value; they get an explanation rather than "unknown option".
constexpr std::array<std::string_view, 6> kPasswordValueOptions = {
    "--password", "--open-password", "--owner-password", "--user-password", "--pass", "-p"};

}  // namespace

[[noreturn]] void RefuseUnknownOption(const std::string& name, std::string_view passwordHint) {
  const bool singleDash = !name.starts_with("--");
  for (const std::string_view spelling : kPasswordValueOptions) {
    // "-psecret" is a password glued to its option.
    if (name == spelling || (singleDash && spelling == "-p" && name.starts_with(spelling))) {
      // The value itself is never repeated back.
      throw TUsageError("passwords are not accepted on the command line, where other users can read them; use " +
                        std::string(passwordHint));
    }
  }
  // Of an unknown short option only the letter is shown: the rest may be a glued-on value.
  throw TUsageError("unknown option " + (singleDash && name.size() > 2 ? name.substr(0, 2) + "..." : name));
}

std::string NonEmpty(const std::string& name, std::string value) {
  if (value.empty()) throw TUsageError(name + " needs a non-empty value");
  return value;
}

void SetPasswordSource(TPasswordSource& source, TPasswordSource::TKind kind, const std::string& name,
                       std::string value, std::string_view what) {
  if (source.Kind != TPasswordSource::TKind::None) {
    throw TUsageError("the " + std::string(what) + " password is given twice (a file and a variable)");
  }
  source = {kind, NonEmpty(name, std::move(value))};
}


bool ParseCurrentPasswordOption(const TCurrentPasswordOptions& options, const std::string& name, TArgumentWalk& walk,
                                TPasswordSource& password, std::string& ledger) {
  const std::string prefix(options.prefix);
  if (name == prefix + "password-file") {
    SetPasswordSource(password, TPasswordSource::TKind::File, name, walk.Value(name), options.what);
  } else if (name == prefix + "password-env") {
    SetPasswordSource(password, TPasswordSource::TKind::Environment, name, walk.Value(name), options.what);
  } else if (name == options.ledgerOption) {
    ledger = NonEmpty(name, walk.Value(name));
  } else {
    return false;
  }
  return true;
}

// A decimal number from low to high, digits only.
void CheckOutputOptions(const TOutputOptions& options) {
  if (options.outputFolder.empty() == options.outputFile.empty()) {
    throw TUsageError("give exactly one of --output-dir DIR and -o FILE");
  }
  if (!options.outputFile.empty()) {
    if (options.inputs.size() != 1) throw TUsageError("-o FILE takes exactly one input file");
    if (options.suffixGiven || options.keepName || options.recursive) {
      throw TUsageError("-o FILE names the output itself: --suffix, --keep-name and --recursive do not apply");
    }
  }
  if (options.suffixGiven && options.keepName) throw TUsageError("give --suffix or --keep-name, not both");
  if (options.suffix.find('/') != std::string::npos) throw TUsageError("--suffix must not contain '/'");
}

int WholeNumber(const std::string& name, const std::string& text, int low, int high) {
  const std::string problem =
      name + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high);
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    throw TUsageError(problem);
  }
  const int number = std::stoi(text);
  if (number < low || number > high) throw TUsageError(problem);
  return number;
}


}  // namespace cli
