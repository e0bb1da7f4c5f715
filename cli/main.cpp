// ombreltenc-cli: encrypts and decrypts PDF files in batches and inspects them, from the command line.

#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/core/HeapSettings.h"
#include "cli/CommandLine.h"
#include "cli/DecryptCommand.h"
#include "cli/EncryptCommand.h"
#include "cli/InspectCommand.h"
#include "cli/PasswordSource.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Run(const cli::TCommandLine& line) {
  switch (line.Command) {
    case cli::TCommandLine::TCommand::Help:
      std::cout << cli::HelpText();
      return 0;
    case cli::TCommandLine::TCommand::Version:
      std::cout << "ombreltenc-cli " OMBRELT_VERSION "\n";
      return 0;
    case cli::TCommandLine::TCommand::Inspect:
      return cli::RunInspect(line.Inspect);
    case cli::TCommandLine::TCommand::Encrypt:
      return cli::RunEncrypt(line.Encrypt);
    case cli::TCommandLine::TCommand::Decrypt:
      return cli::RunDecrypt(line.Decrypt);
  }
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file size limit (ulimit -f) a write must fail that one copy, not end the whole batch:
  // the signal's default action would kill the process.
  std::signal(SIGXFSZ, SIG_IGN);
  ombrelt::app::KeepLargeBuffersForReuse();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  try {
    return Run(cli::ParseCommandLine(arguments));
  } catch (const cli::TUsageError& error) {
    std::cerr << "ombreltenc-cli: " << error.what() << '\n' << cli::ShortUsage();
    return kExitUsage;
  } catch (const cli::TPasswordError& error) {
    std::cerr << "ombreltenc-cli: " << error.what() << '\n';
    return kExitUsage;
  } catch (const std::exception& error) {
    std::cerr << "ombreltenc-cli: " << error.what() << '\n';
    return kExitFailure;
  }
}
