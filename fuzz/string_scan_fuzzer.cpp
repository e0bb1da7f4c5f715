// Holds the copy of plain values from their text to the parser, on arbitrary text taken raw and as the
// value of a dictionary entry. Whenever the scan accepts a value:
// - it ends where the parse of the text ends and names the highest reference the parse names;
// - the value's text with every string written anew parses to the parse's value with the same
//   strings changed the same way (each string reversed and lengthened with bytes a literal string
//   must escape, standing for encryption);
// - the scan of values without strings agrees, and refuses every value with strings.
// A disagreement aborts, so the fuzzer records the input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/PlainValue.h"
#include "pdf/security/SecurityHandler.h"

namespace {

void Fail(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

std::string Changed(std::string bytes) {
  std::reverse(bytes.begin(), bytes.end());
  return bytes + std::string("\\()\r\n\0\xFF", 7);
}

void ChangeStrings(pdf::TPDFObject* object) {
  if (auto* string = pdf::As<pdf::TPDFString>(object)) {
    string->SetValue(Changed(string->Value()));
  } else if (auto* array = pdf::As<pdf::TPDFArray>(object)) {
    for (std::int32_t i = 0; i < array->ItemCount(); ++i) ChangeStrings(array->GetItem(i));
  } else if (auto* dictionary = pdf::As<pdf::TPDFDictionary>(object)) {
    for (std::int32_t i = 0; i < dictionary->EntryCount(); ++i) {
      pdf::TPDFName* key = nullptr;
      pdf::TPDFObject* value = nullptr;
      dictionary->GetEntry(i, key, value);
      ChangeStrings(value);
    }
  }
}

void CheckScan(std::string_view text) {
  std::int64_t highest = 0;
  std::optional<pdf::TPlainValue> value = pdf::ScanPlainValue(text, pdf::kSignatureTypes, &highest);
  const std::optional<std::size_t> containerEnd = pdf::PlainContainerEnd(text);
  if (containerEnd && (!value || !value->strings.empty() || *containerEnd != value->end)) {
    Fail("the scan without strings accepts what the scan refuses, or ends elsewhere");
  }
  if (!value) return;
  if (value->strings.empty() && !containerEnd) Fail("the scan without strings refuses a value without strings");

  pdf::TPDFStructure structure;
  std::size_t consumed = 0;
  pdf::TPDFObject* parsed = structure.ParseObjectAt(text, consumed);
  if (consumed != value->end) Fail("the scan and the parse end the value in different places");
  if (highest != structure.HighestReferenceNumber()) Fail("the scan and the parse name different references");

  for (pdf::TStringToken& token : value->strings) token.bytes = Changed(std::move(token.bytes));
  ChangeStrings(parsed);
  const std::string written = pdf::PlainValueText(text, *value);
  pdf::TPDFStructure second;
  std::size_t writtenConsumed = 0;
  pdf::TPDFObject* reread = second.ParseObjectAt(written, writtenConsumed);
  if (writtenConsumed != written.size()) Fail("the written text is not one value");
  try {
    if (reread->ToText() != parsed->ToText()) Fail("the written text reads otherwise than the parse");
  } catch (const pdf::EPDFError&) {
    return;  // numbers too large to write in fixed-point form, whichever way they were read
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckScan(text);
  CheckScan("<< /K " + std::string(text) + " >>");
  return 0;
}
