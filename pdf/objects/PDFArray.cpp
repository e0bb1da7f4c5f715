#include "pdf/objects/PDFArray.h"

#include <algorithm>

#include "pdf/objects/PDFStructure.h"

namespace pdf {

namespace {
// An array breaks its text into lines once this many characters follow the last break.
constexpr std::size_t kArrayLineLength = 80;
}  // namespace

bool TPDFArray::IsModified() const {
  return TPDFObject::IsModified() ||
         std::any_of(items_.begin(), items_.end(),
                     [](const TPDFObject* item) { return item != nullptr && item->IsModified(); });
}

void TPDFArray::WriteText(std::string& out) const {
  std::size_t lineStart = out.size();
  out += "[ ";
  for (const TPDFObject* item : items_) {
    if (item != nullptr) item->WriteText(out);
    if (out.back() != '\n') out += ' ';
    if (out.size() - lineStart > kArrayLineLength) {
      out += '\n';
      lineStart = out.size();
    }
  }
  out += ']';
}

void TPDFArray::Release() {
  // The items are not offered for freeing: this array still holds them, so the structure
  // would refuse each one after a search of all its objects, which is quadratic for a long
  // array. They stay owned by the structure until it is reset.
  Touch();
  TPDFObject::Release();
}

void TPDFArray::ShiftObjectNumbers(std::int32_t delta) {
  for (TPDFObject* item : items_) {
    if (item != nullptr) item->ShiftObjectNumbers(delta);
  }
  Touch();
}

bool TPDFArray::Refers(const TPDFObject* object) const {
  return std::find(items_.begin(), items_.end(), object) != items_.end();
}

TPDFObject* TPDFArray::GetItem(std::int32_t index) const {
  if (index < 0 || index >= ItemCount()) return nullptr;
  return items_[static_cast<std::size_t>(index)];
}

void TPDFArray::Add(TPDFObject* object) {
  items_.push_back(object);
  Touch();
}

void TPDFArray::Reserve(std::int32_t n) {
  if (n > 0) items_.reserve(items_.size() + static_cast<std::size_t>(n));
}

void TPDFArray::ReplaceItem(std::int32_t index, TPDFObject* object) {
  if (index < 0 || index >= ItemCount()) return;
  // The old item is not freed: it stays owned by the structure, as every dropped member does.
  items_[static_cast<std::size_t>(index)] = object;
  Touch();
}

std::int32_t TPDFArray::IndexOfText(const TPDFObject* object) const {
  const std::string wanted = object != nullptr ? object->ToText() : std::string();
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::string text = items_[i] != nullptr ? items_[i]->ToText() : std::string();
    if (text == wanted) return static_cast<std::int32_t>(i);
  }
  return -1;
}

}  // namespace pdf
