#include "app/core/FileOperation.h"

#include "app/core/CopyVerification.h"

namespace ombrelt::app {

namespace {

std::int32_t PermissionValue(const TPermissionFlags& p) {
  return pdf::TVelloPDF::BuildPermissionMask(p.print, p.copy, p.change, p.annotations, p.formFilling,
                                             p.accessibility, p.assembling, p.highQualityPrint);
}

// An encrypted copy; an input encrypted already is decrypted with its current password on the way.
class TEncryptOperation final : public TFileOperation {
 public:
  TEncryptOperation(std::int32_t level, std::int32_t permissions, bool keepMetadataReadable)
      : level_(level), permissions_(permissions), keepMetadataReadable_(keepMetadataReadable) {}

  std::int32_t Copy(pdf::TVelloPDF& library, std::u16string_view input, std::u16string_view copy,
                    const TInputFacts& facts, const TNewPasswords& passwords) const override {
    library.KeepMetadataReadable = keepMetadataReadable_;
    if (facts.encrypted) {
      library.ReencryptFileToFile(input, copy, facts.currentPassword, passwords.owner, passwords.open, level_,
                                  permissions_);
    } else {
      library.EncryptFileToFile(input, copy, passwords.owner, passwords.open, level_, permissions_);
    }
    return library.ErrorCode();
  }

  void Verify(std::u16string_view copy, const TInputFacts& facts, const TNewPasswords& passwords) const override {
    VerifyEncryptedCopy(copy, passwords.open, passwords.owner, level_, facts.pages);
  }

  bool MakesPasswords() const override { return true; }

 private:
  std::int32_t level_;
  std::int32_t permissions_;
  bool keepMetadataReadable_;
};

// A copy in clear of an encrypted input.
class TDecryptOperation final : public TFileOperation {
 public:
  std::int32_t Copy(pdf::TVelloPDF& library, std::u16string_view input, std::u16string_view copy,
                    const TInputFacts& facts, const TNewPasswords& /*passwords*/) const override {
    library.DecryptFileToFile(input, copy, facts.currentPassword);
    return library.ErrorCode();
  }

  void Verify(std::u16string_view copy, const TInputFacts& facts, const TNewPasswords& /*passwords*/) const override {
    VerifyClearCopy(copy, facts.pages);
  }

  bool MakesPasswords() const override { return false; }
};

}  // namespace

std::unique_ptr<TFileOperation> OperationFor(const TBatchSettings& settings) {
  if (settings.operation == TOperation::kDecrypt) return std::make_unique<TDecryptOperation>();
  return std::make_unique<TEncryptOperation>(settings.level, PermissionValue(settings.permissions),
                                             settings.keepMetadataReadable);
}

}  // namespace ombrelt::app
