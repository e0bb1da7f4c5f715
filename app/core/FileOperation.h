#pragma once
// What the batch does to each file, as one small object per operation: the library call that writes
// the copy, the check the copy must pass before it counts, and whether its passwords are recorded.

#include <cstdint>
#include <memory>
#include <string_view>

#include "app/core/BatchSettings.h"
#include "app/core/PasswordSources.h"
#include "pdf/facade/VelloPDF.h"

namespace ombrelt::app {

class TFileOperation {
 public:
  virtual ~TFileOperation() = default;
  // Writes the copy of input at copy; returns the library's error code (0: the copy is complete).
  virtual std::int32_t Copy(pdf::TVelloPDF& library, std::u16string_view input, std::u16string_view copy,
                            const TInputFacts& facts, const TNewPasswords& passwords) const = 0;
  // Throws TFileFailure when the copy is not what the operation promises.
  virtual void Verify(std::u16string_view copy, const TInputFacts& facts, const TNewPasswords& passwords) const = 0;
  // Whether the copy has passwords of its own, which the password file records.
  virtual bool MakesPasswords() const = 0;
};

std::unique_ptr<TFileOperation> OperationFor(const TBatchSettings& settings);

}  // namespace ombrelt::app
