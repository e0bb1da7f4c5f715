#include "pdf/security/SecurityInfo.h"

#include "pdf/io/ByteText.h"

namespace pdf {

TSmartPDFInfo::TSmartPDFInfo(TSmartPDFReader& reader, bool load, std::u16string_view password,
                             TRandomSource& random)
    : reader_(reader), headerVersion_(reader.Version()) {
  // The /Encrypt dictionary is read before the handler exists, so the hooks that call the
  // handler are installed only afterwards. An /Encrypt kept in an object stream (which the
  // format forbids) loads that stream undecrypted: it is forgotten once the handler can decrypt.
  ReadEncryption();
  handler_ = std::make_unique<TSmartPDFCrypt>(record_, ReadFileID(), encryptionState_, random);
  handler_->SetPassword(password);
  reader_.OnFileIDChanged = [this](TSmartPDFReader&) { RefreshFileID(); };
  reader_.OnObjectStreamLoaded = [this](std::int32_t number, TPDFStream& stream) { DecryptObjectStream(number, stream); };
  if (encryptionState_ != 0) reader_.ForgetLoadedObjects();
  if (load && (encryptionState_ == 0 || (encryptionState_ == 1 && CheckPassword(password)))) LoadDocument();
}

TSmartPDFInfo::~TSmartPDFInfo() {
  // The reader lives on: its hooks must not call into a destroyed object.
  reader_.OnFileIDChanged = nullptr;
  reader_.OnObjectStreamLoaded = nullptr;
}

TPDFObject* TSmartPDFInfo::Resolve(TPDFObject* object) {
  const auto* reference = As<TPDFIndRef>(object);
  return reference != nullptr ? reader_.GetObject(reference->TargetNumber()) : object;
}

bool TSmartPDFInfo::CheckPassword(std::u16string_view password) {
  return handler_->CheckUserPassword(password) || handler_->CheckOwnerPassword(password);
}

void TSmartPDFInfo::SetPassword(std::u16string_view password) {
  givenPassword_ = password;
  handler_->SetPassword(password);
  LoadCatalog();
}

void TSmartPDFInfo::LoadDocument() {
  LoadCatalog();
  LoadFormFields();
}

void TSmartPDFInfo::LoadCatalog() {
  if (reader_.Trailer() == nullptr) return;
  catalogReference_ = reader_.TrailerReference("Root");
  catalog_ = reader_.TrailerDictionary("Root");
  docInfoReference_ = reader_.TrailerReference("Info");
  docInfo_ = reader_.TrailerDictionary("Info");
  if (catalog_ == nullptr) return;
  const auto* metadata = As<TPDFIndRef>(catalog_->GetValue("Metadata", false));
  metadataNumber_ = metadata != nullptr ? metadata->TargetNumber() : 0;
  TPDFObject* pages = catalog_->GetValue("Pages", false);
  if (auto* reference = As<TPDFIndRef>(pages)) {
    pageTreeReference_ = reference;
    pages = reader_.GetObject(reference->TargetNumber());
  }
  pageTreeRoot_ = As<TPDFDictionary>(pages);
  if (pageTreeRoot_ == nullptr) return;
  if (pageTreeRoot_->GetTypeName() == "Pages" || pageTreeRoot_->IndexOfKey("Kids") >= 0) {
    if (const auto* count = As<TPDFNumeric>(Resolve(pageTreeRoot_->GetValue("Count", false)))) {
      // A page count cannot be negative; of a huge one the low 32 bits are kept.
      numberOfPages_ = count->Value() < 0 ? 0 : static_cast<std::uint32_t>(count->AsInteger());
    }
  }
}

void TSmartPDFInfo::LoadFormFields() {
  if (catalog_ == nullptr) return;
  formDictionary_ = As<TPDFDictionary>(Resolve(catalog_->GetValue("AcroForm", false)));
  if (formDictionary_ == nullptr) return;
  if (const auto* fields = As<TPDFArray>(Resolve(formDictionary_->GetValue("Fields", false)))) {
    numberOfFields_ = static_cast<std::uint32_t>(fields->ItemCount());
  }
}

std::u16string TSmartPDFInfo::InfoString(std::string_view key) {
  if (docInfo_ == nullptr) return {};
  const TPDFIndRef* owner = docInfoReference_;
  TPDFObject* value = docInfo_->GetValue(key, false);
  if (auto* reference = As<TPDFIndRef>(value)) {
    owner = reference;
    value = reader_.GetObject(reference->TargetNumber());
  }
  auto* text = As<TPDFString>(value);
  auto* stream = As<TPDFStream>(value);
  if (text == nullptr && stream == nullptr) return {};
  const auto readText = [&] { return text != nullptr ? text->AsText() : stream->AsText(); };
  // An Info dictionary given directly in the trailer has no object number to derive a key
  // from; its strings are read as they are.
  if (handler_->EncryptionState() != 1 || owner == nullptr || reader_.IsCompressed(owner->TargetNumber())) {
    return readText();
  }
  const std::int32_t number = owner->TargetNumber();
  TPDFStructure scratch;
  if (text != nullptr) {
    // Decrypted beside the reader's string, which stays as the file has it.
    const std::string objectKey = handler_->ObjectKey(number, owner->TargetGeneration());
    return scratch.NewString(handler_->DecryptString(objectKey, text->Value()), false)->AsText();
  }
  // The reader keeps its object as the file has it: the stream is decrypted in a parse of its own,
  // by the rule every stream follows (crypt filters may leave it in clear).
  auto* own = As<TPDFStream>(reader_.GetObject(number, &scratch));
  if (own == nullptr) return {};
  DecryptObject(own, number, owner->TargetGeneration());
  return own->AsText();
}

std::string TSmartPDFInfo::SecurityItemText(std::int32_t index) { return std::to_string(handler_->SecurityItem(index)); }

bool TSmartPDFInfo::OpenedAsOwner() { return handler_->CheckOwnerPassword(givenPassword_); }

TPDFDictionary* TSmartPDFInfo::UsageRights() {
  if (catalog_ == nullptr) return nullptr;
  auto* perms = As<TPDFDictionary>(Resolve(catalog_->GetValue("Perms", false)));
  return perms != nullptr ? As<TPDFDictionary>(Resolve(perms->GetValue("UR3", false))) : nullptr;
}

bool TSmartPDFInfo::HasUsageRights() { return UsageRights() != nullptr; }

std::u16string TSmartPDFInfo::UsageRightsName() {
  TPDFDictionary* rights = UsageRights();
  const auto* name = rights != nullptr ? As<TPDFString>(Resolve(rights->GetValue("Name", false))) : nullptr;
  return name != nullptr ? name->AsText() : std::u16string();
}

bool TSmartPDFInfo::MayChangeProtection(std::u16string_view password) {
  if (encryptionState_ == 0) return true;
  // The owner check derives the file key anew, and a failed one leaves another: the accepted
  // password sets it again afterwards.
  const bool owner = handler_->CheckOwnerPassword(password);
  const bool opens = handler_->SetPassword(password);
  return opens && (owner || handler_->GrantsEveryPermission());
}

void TSmartPDFInfo::DecryptObject(TPDFObject* object, std::int32_t number, std::int32_t generation) {
  if (object == nullptr) return;
  if (const std::optional<std::string> key = DecryptionKey(number, generation)) handler_->DecryptObject(*key, object);
}

std::optional<std::string> TSmartPDFInfo::DecryptionKey(std::int32_t number, std::int32_t generation) const {
  if (handler_->EncryptionState() != 1 || reader_.IsCompressed(number)) return std::nullopt;
  // Only the catalog's own metadata stays in clear: a page's or an image's XMP is encrypted as
  // readers expect (they decrypt every other stream).
  if (number != 0 && number == metadataNumber_ && !record_.MetadataEncrypted) return std::nullopt;
  return handler_->ObjectKey(number, generation);
}

std::string TSmartPDFInfo::DecryptString(std::string_view objectKey, std::string_view bytes) const {
  return handler_->DecryptString(objectKey, bytes);
}

void TSmartPDFInfo::RefreshFileID() { handler_->SetFileIdentifier(ReadFileID()); }

void TSmartPDFInfo::DecryptObjectStream(std::int32_t number, TPDFStream& stream) {
  if (handler_->EncryptionState() == 1) handler_->DecryptObject(handler_->ObjectKey(number, 0), &stream);
}

std::string TSmartPDFInfo::ReadFileID() const {
  const TPDFDictionary* trailer = reader_.Trailer();
  const auto* id = trailer != nullptr ? As<TPDFArray>(trailer->GetValue("ID", false)) : nullptr;
  const auto* first = id != nullptr ? As<TPDFString>(id->GetItem(0)) : nullptr;
  return first != nullptr ? first->Value() : std::string();
}

}  // namespace pdf
