#include "app/core/PasswordSources.h"

#include "app/core/BatchValidation.h"
#include "app/core/CopyVerification.h"
#include "app/core/FileFailure.h"
#include "app/core/PasswordGenerator.h"
#include "pdf/facade/ErrorWords.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

using TCurrentKind = TCurrentPasswordSettings::TKind;

TFileFailure LibraryFailure(std::int32_t code) { return {code, pdf::UTF8ToUnicode(pdf::ErrorWords(code))}; }

std::u16string Quoted(std::u16string_view text) { return u"\"" + std::u16string(text) + u"\""; }

std::u16string PasswordFor(const TPasswordSettings& password) {
  switch (password.mode) {
    case TPasswordMode::kTyped:
      return password.typed;
    case TPasswordMode::kGenerated: {
      const TGeneratorSettings& g = password.generator;
      return CreatePassword(g.lengthText, g.numeric, g.alphabet, g.specialCharacters, g.lowerCase);
    }
    case TPasswordMode::kNone:
    case TPasswordMode::kListed:
      break;
  }
  return {};
}

}  // namespace

TPasswordSources::TPasswordSources(const TBatchSettings& settings) : settings_(settings) {
  if (settings.currentPassword.kind == TCurrentKind::kLedger) {
    ledger_.emplace(settings.currentPassword.ledgerPath, TListUse::kLedger);
  }
  const bool listed = settings.openPassword.mode == TPasswordMode::kListed ||
                      settings.restrictionsPassword.mode == TPasswordMode::kListed;
  if (listed && settings.operation == TOperation::kEncrypt) {
    list_.emplace(settings.passwordListPath, TListUse::kNewPasswords);
    list_->CheckOneLinePerInput(settings.files);
  }
}

TInputFacts TPasswordSources::Examine(std::u16string_view input) const {
  const TInspection plain = Inspect(input, u"", false);
  const bool encrypted = plain.errorCode == pdf::kErrorPassword || (plain.Opened() && plain.encryption != u"None");
  if (!encrypted) {
    if (!plain.Opened()) throw LibraryFailure(plain.errorCode);
    if (settings_.operation == TOperation::kDecrypt) throw LibraryFailure(pdf::kErrorNotEncrypted);
    return {false, u"", plain.pages};
  }
  if (settings_.currentPassword.kind == TCurrentKind::kNone) throw LibraryFailure(pdf::kErrorEncrypted);
  return OpenEncrypted(input);
}

// The first candidate that opens the input as owner, else the first that opens it at all: only
// the owner's password may change protection, unless the file grants everything to its users.
TInputFacts TPasswordSources::OpenEncrypted(std::u16string_view input) const {
  const std::vector<std::u16string> candidates = CurrentCandidates(input);
  std::optional<TInputFacts> opened;
  for (const std::u16string& password : candidates) {
    const TInspection inspection = Inspect(input, password, true);
    if (!inspection.Opened()) continue;
    if (inspection.encryption == u"Owner") return {true, password, inspection.pages};
    if (!opened) opened = TInputFacts{true, password, inspection.pages};
  }
  if (opened) return *opened;
  if (!ledger_) throw LibraryFailure(pdf::kErrorPassword);
  if (candidates.empty()) throw TFileFailure{0, u"no line of the ledger " + Quoted(ledger_->Path()) + u" names this file"};
  throw TFileFailure{0, u"no password of its lines in the ledger " + Quoted(ledger_->Path()) + u" opens the file"};
}

std::vector<std::u16string> TPasswordSources::CurrentCandidates(std::u16string_view input) const {
  return ledger_ ? ledger_->PasswordsFor(input) : std::vector<std::u16string>{settings_.currentPassword.typed};
}

TNewPasswords TPasswordSources::NewPasswords(std::u16string_view input) const {
  std::vector<TPasswordRecord> lines;
  if (list_) {
    lines = list_->LinesFor(input, TNameMatch::kEqual);
    if (lines.empty()) throw TFileFailure{0, u"no line of the password list " + Quoted(list_->Path()) + u" names this file"};
  }
  return {Listed(settings_.openPassword, lines, true), Listed(settings_.restrictionsPassword, lines, false)};
}

// A listed password the level cannot hold fails its file alone: the other lines are good.
std::u16string TPasswordSources::Listed(const TPasswordSettings& side, const std::vector<TPasswordRecord>& lines,
                                        bool open) const {
  if (side.mode != TPasswordMode::kListed) return PasswordFor(side);
  std::u16string password = open ? lines.front().openPassword : lines.front().ownerPassword;
  if (!LevelHoldsPassword(settings_.level, password)) {
    const std::u16string which = open ? u"open" : u"owner";
    throw TFileFailure{0, u"the " + which + u" password of its line in the password list " + Quoted(list_->Path()) +
                              u" has characters this encryption level cannot hold"};
  }
  return password;
}

}  // namespace ombrelt::app
