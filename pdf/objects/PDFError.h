#pragma once

#include <stdexcept>
#include <string>

namespace pdf {

// The one exception type raised inside the PDF library; the facade turns it into an error code.
class EPDFError : public std::runtime_error {
 public:
  explicit EPDFError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace pdf
