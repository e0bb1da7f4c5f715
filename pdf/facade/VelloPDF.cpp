#include "pdf/facade/VelloPDF.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "pdf/objects/TextConversions.h"

namespace pdf {

namespace {
constexpr std::uint32_t kHandleTag = 0x58000000;
constexpr std::uint32_t kHandleIndexMask = 0x07FFFFFF;
}  // namespace

TVelloPDF::TVelloPDF() = default;
TVelloPDF::~TVelloPDF() = default;

std::int32_t TVelloPDF::ErrorCode() { return std::exchange(lastError_, kErrorNone); }

std::int32_t TVelloPDF::BuildPermissionMask(std::int32_t print, std::int32_t copy, std::int32_t change,
                                            std::int32_t annotate, std::int32_t fillForms,
                                            std::int32_t accessibility, std::int32_t assemble,
                                            std::int32_t printHighQuality) {
  const std::int32_t flags[] = {print, copy, change, annotate, fillForms, accessibility, assemble, printHighQuality};
  std::int32_t mask = 0;
  // Only an exact 1 grants a permission.
  for (int bit = 0; bit < 8; ++bit) mask |= flags[bit] == 1 ? (1 << bit) : 0;
  return mask + (((mask ^ 0xABCD) & 0xFF) << 16);
}

bool TVelloPDF::PermissionMaskIsValid(std::int32_t permissions) {
  const auto value = static_cast<std::uint32_t>(permissions);
  return (((value & 0xFFFF) ^ 0xABCD) & 0xFF) == ((value >> 16) & 0xFF);
}

std::int32_t TVelloPDF::RegisterHandle(const void* object) {
  if (object == nullptr) return 0;
  auto found = std::find(handles_.begin(), handles_.end(), object);
  if (found == handles_.end()) found = handles_.insert(handles_.end(), object);
  return static_cast<std::int32_t>(kHandleTag + static_cast<std::uint32_t>(found - handles_.begin()));
}

const void* TVelloPDF::ResolveHandle(std::int32_t handle) const {
  const auto value = static_cast<std::uint32_t>(handle);
  const std::uint32_t index = value & kHandleIndexMask;
  if ((value & kHandleTag) != kHandleTag || index >= handles_.size()) return nullptr;
  return handles_[index];
}

TVelloPDFStringList* TVelloPDF::ResolveInspection(std::int32_t handle) const {
  const void* object = ResolveHandle(handle);
  for (const auto& list : inspections_) {
    if (list.get() == object) return list.get();
  }
  return nullptr;
}

void TVelloPDF::ReportProgress(std::int32_t percent) {
  if (!OnProgress) return;
  const auto v = static_cast<std::int64_t>(std::nearbyint(percent * ProgressScale + ProgressOffset));
  const std::int64_t steps = std::max(StepCount, 1);
  const auto r = static_cast<std::int32_t>(v / steps + ((StepIndex - 1) * 100LL) / steps);
  if (r == lastProgress_) return;
  lastProgress_ = r;
  OnProgress(r);
}

std::u16string TVelloPDF::InspectionItem(std::int32_t handle, std::int32_t index) const {
  const TVelloPDFStringList* list = ResolveInspection(handle);
  return list != nullptr && index >= 0 && index < list->Count() ? UTF8ToUnicode(list->Item(index)) : std::u16string();
}

std::int32_t TVelloPDF::ReleaseInspection(std::int32_t handle) {
  TVelloPDFStringList* list = ResolveInspection(handle);
  if (list == nullptr) return 0;
  // The slot stays taken so that the index is never handed out again.
  std::replace(handles_.begin(), handles_.end(), static_cast<const void*>(list), static_cast<const void*>(nullptr));
  std::erase_if(inspections_, [list](const auto& owned) { return owned.get() == list; });
  return 1;
}

}  // namespace pdf
