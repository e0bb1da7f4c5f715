#pragma once
// One-pass recursive-descent parser of PDF object syntax into a TPDFStructure.

#include <cstddef>
#include <string_view>

namespace pdf {

class TPDFObject;
class TPDFStructure;

// True for plain decimal number texts: digits, at most one ".", "-" only in front
// (surrounding white space and control bytes are ignored; the empty text passes).
bool IsNumberText(std::string_view text);
// The value of a decimal text; 0 when IsNumberText fails. Decimals past the ninth are ignored.
double ParseDecimalText(std::string_view text);

class TPDFParser {
 public:
  TPDFParser(TPDFStructure& structure, std::string_view text);
  // Parses one object; a null object when none can be read. Never throws.
  TPDFObject* ParseObjectAt(std::size_t& consumed);
  // False when a dictionary or array ended without its closing delimiter (cut-off text).
  bool ClosedEveryContainer() const { return !unclosed_; }

 private:
  TPDFObject* ParseValue();
  bool EnterContainer();
  TPDFObject* ParseDictionary();
  bool SkipStrayCloser();
  TPDFObject* ParseArray();
  TPDFObject* ParseWord();
  std::size_t WordEnd(std::size_t from) const;
  TPDFObject* ParseReferenceAfter(double objectNumber);
  TPDFObject* ParseLiteralString();
  TPDFObject* ParseHexString();
  TPDFObject* ParseName();
  void SkipWhiteSpaceAndComments();
  void ReserveReferenceSlots(class TPDFArray& array) const;
  bool At(std::string_view token) const;
  int Peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1; }

  TPDFStructure& structure_;
  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  // Set once nesting passes the limit: every open container then ends where it stands.
  bool tooDeep_ = false;
  bool unclosed_ = false;
};

}  // namespace pdf
