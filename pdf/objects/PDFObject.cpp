#include "pdf/objects/PDFObject.h"

#include "pdf/objects/PDFStructure.h"

namespace pdf {

std::string TPDFObject::ToText() const {
  std::string out;
  WriteText(out);
  return out;
}

void TPDFObject::Release() { structure_->FreeObject(this); }

void TPDFObject::MakeIndirect(std::int32_t objectNumber, std::int32_t generation) {
  objectNumber_ = objectNumber;
  generationNumber_ = generation;
  indirect_ = true;
}

}  // namespace pdf
