#pragma once
// Encrypts a PDF file object by object through the reader, the security state and the
// writer, for tests that hand the result to other readers.

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/security/EncryptionTarget.h"
#include "pdf/security/SecurityInfo.h"
#include "tests/support/TestTools.h"

namespace pdf::testing {

inline void EncryptCopy(const std::filesystem::path& input, const std::filesystem::path& output,
                        const std::string& owner, const std::string& user, std::uint8_t strength,
                        std::uint8_t basic, std::uint8_t extended) {
  TMemoryStream source(ReadFile(input));
  TSmartPDFReader reader(source);
  if (reader.OpenError() != 0) throw std::runtime_error("cannot open " + input.string());
  TSmartPDFInfo info(reader, false, u"");
  if (info.EncryptionState() != 0) throw std::runtime_error("already encrypted: " + input.string());
  reader.PrepareTrailer();
  reader.Trailer()->DeleteKey("XRefStm");
  const std::int32_t last = reader.MaxObjectNumber();
  TEncryptionTarget encryption(info.ReadFileID());
  TPDFDictionary* encrypt = encryption.BuildEncryptDictionary(reader.Arena(), owner, user, strength, basic, extended);
  reader.Trailer()->SetValue("Encrypt", reader.Arena().NewReference(last + 1, 0));
  reader.Trailer()->SetValue("Size", reader.Arena().NewNumber(last + 2.0));
  TMemoryStream target;
  TSmartPDFWriter writer(target);
  writer.WriteHeader(strength <= 1 ? "1.4" : strength == 2 ? "1.6" : "1.7");
  auto arena = std::make_unique<TPDFStructure>();
  for (std::int32_t number = 1; number <= last; ++number) {
    TPDFObject* object = reader.GetObject(number, arena.get());
    const std::int32_t generation = reader.Generation(number);
    encryption.EncryptObject(object, number, generation);
    writer.WriteObject(number, generation, object != nullptr ? object->ToText() : "null");
    if (number % 100 == 0) arena = std::make_unique<TPDFStructure>();
  }
  writer.WriteObject(last + 1, 0, encrypt->ToText());
  writer.WriteXRefTable(*reader.Trailer(), 0, false);
  WriteFile(output, target.Bytes());
}

}  // namespace pdf::testing
