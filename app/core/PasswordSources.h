#pragma once
// The passwords of each file of a batch: the ones that may open an input encrypted already (one
// typed password, or the file's lines in a ledger) and the ones its copy gets (typed, generated
// afresh, or the file's line in a password list). Lists are read once, when the batch starts.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/BatchSettings.h"
#include "app/core/PasswordList.h"

namespace ombrelt::app {

struct TNewPasswords {
  std::u16string open;
  std::u16string owner;
};

// What the job knows of an input before it copies it.
struct TInputFacts {
  bool encrypted = false;
  std::u16string currentPassword;  // what opens an encrypted input: its owner password where one is known
  std::u16string pages;
};

class TPasswordSources {
 public:
  // Raises EBatchJobError when the ledger or the password list cannot be read, or the list is
  // malformed or gives one of settings.files two different lines.
  explicit TPasswordSources(const TBatchSettings& settings);

  // Inspects the input, with the current passwords when it is encrypted. Throws TFileFailure when
  // the operation cannot take it: encrypted with no password that opens it (or none to try),
  // unreadable, or not encrypted for a decryption.
  TInputFacts Examine(std::u16string_view input) const;
  // The copy's passwords; a generated side is fresh on every call. Throws TFileFailure when a
  // listed side finds no line for the input, or a password the level cannot hold.
  TNewPasswords NewPasswords(std::u16string_view input) const;

 private:
  std::vector<std::u16string> CurrentCandidates(std::u16string_view input) const;
  TInputFacts OpenEncrypted(std::u16string_view input) const;
  std::u16string Listed(const TPasswordSettings& side, const std::vector<TPasswordRecord>& lines, bool open) const;

  const TBatchSettings& settings_;
  std::optional<TPasswordList> ledger_;
  std::optional<TPasswordList> list_;
};

}  // namespace ombrelt::app
