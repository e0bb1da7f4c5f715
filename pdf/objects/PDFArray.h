#pragma once

#include <cstdint>
#include <vector>

#include "pdf/objects/PDFObject.h"

namespace pdf {

class TPDFArray final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Array;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  bool IsModified() const override;
  void WriteText(std::string& out) const override;
  void Release() override;
  void ReleaseHeld() override { Touch(); }
  void ShiftObjectNumbers(std::int32_t delta) override;
  bool Refers(const TPDFObject* object) const override;

  std::int32_t ItemCount() const { return static_cast<std::int32_t>(items_.size()); }
  TPDFObject* GetItem(std::int32_t index) const;
  void Add(TPDFObject* object);
  // Makes room for n more items without regrowth.
  void Reserve(std::int32_t n);
  void ReplaceItem(std::int32_t index, TPDFObject* object);
  // Index of the first item with the same text form as object, -1 if none.
  std::int32_t IndexOfText(const TPDFObject* object) const;

 private:
  std::vector<TPDFObject*> items_;
};

}  // namespace pdf
