#include "cli/PasswordSource.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <memory>

#include "cli/Utf8Text.h"

namespace cli {

namespace {

// Far beyond any password; a bigger file is the wrong file, not a password.
constexpr std::size_t kPasswordFileLimit = 64 * 1024;

std::string Describe(const TPasswordSource& source) {
  if (source.Kind == TPasswordSource::TKind::Environment) return "the environment variable " + source.Name;
  return source.Name == "-" ? std::string("standard input") : "the password file " + source.Name;
}

std::string ReadLimited(std::istream& input, const TPasswordSource& source) {
  std::string bytes(kPasswordFileLimit + 1, '\0');
  input.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (input.bad()) throw TPasswordError("cannot read " + Describe(source));
  bytes.resize(static_cast<std::size_t>(input.gcount()));
  return bytes;
}

std::string ReadFileBytes(const TPasswordSource& source) {
  const std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(source.Name.c_str(), "rb"), &std::fclose);
  if (!file) throw TPasswordError("cannot open " + Describe(source) + ": " + std::strerror(errno));
  std::string bytes(kPasswordFileLimit + 1, '\0');
  const std::size_t count = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (std::ferror(file.get())) throw TPasswordError("cannot read " + Describe(source) + ": " + std::strerror(errno));
  bytes.resize(count);
  return bytes;
}

void RemoveOneLineEnd(std::string& text) {
  if (text.ends_with("\r\n")) {
    text.resize(text.size() - 2);
  } else if (text.ends_with('\n')) {
    text.pop_back();
  }
}

}  // namespace

std::string ReadPassword(const TPasswordSource& source, std::istream& standardInput) {
  std::string password;
  switch (source.Kind) {
    case TPasswordSource::TKind::None:
      return password;
    case TPasswordSource::TKind::Environment: {
      const char* value = std::getenv(source.Name.c_str());
      if (value == nullptr) throw TPasswordError(Describe(source) + " is not set");
      password = value;
      break;
    }
    case TPasswordSource::TKind::File:
      password = source.Name == "-" ? ReadLimited(standardInput, source) : ReadFileBytes(source);
      if (password.size() > kPasswordFileLimit) throw TPasswordError(Describe(source) + " is too large for a password");
      RemoveOneLineEnd(password);
      break;
  }
  // Converting ill-formed bytes would quietly change the password into one the user never typed.
  if (!IsWellFormedUTF8(password)) throw TPasswordError("the password in " + Describe(source) + " is not UTF-8 text");
  return password;
}

}  // namespace cli
