#pragma once
// Reading a password from where the command line says it is: a file, standard input or an
// environment variable.

#include <iosfwd>
#include <stdexcept>
#include <string>

#include "cli/CommandLine.h"

namespace cli {

// A password that cannot be read or used; the program prints it and exits with 2 before any file
// is touched.
class TPasswordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The password of source as UTF-8: a file's content without one trailing LF or CRLF (editors add
// one; a password rarely ends with one), an environment variable's value as it is; empty for no
// source. standardInput is read for the file "-". Throws TPasswordError.
std::string ReadPassword(const TPasswordSource& source, std::istream& standardInput);

}  // namespace cli
