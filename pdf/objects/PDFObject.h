#pragma once
// The base of every PDF value in memory. Objects belong to one TPDFStructure, which
// creates and frees them; containers only hold pointers to members of the same structure.

#include <cstdint>
#include <string>

namespace pdf {

class TPDFStructure;

// Token: a bare word the object model has no value for ("1e-05", a lone "-"), kept as it was written.
enum class TPDFObjectKind { Null, Boolean, Numeric, Name, String, Array, Dictionary, Stream, IndRef, Token };

class TPDFObject {
 public:
  explicit TPDFObject(TPDFStructure& structure) : structure_(&structure) {}
  virtual ~TPDFObject() = default;
  TPDFObject(const TPDFObject&) = delete;
  TPDFObject& operator=(const TPDFObject&) = delete;

  virtual TPDFObjectKind Kind() const = 0;
  virtual bool IsModified() const { return modified_; }
  // Appends the object in PDF syntax; ToText is the same as a fresh string.
  virtual void WriteText(std::string& out) const = 0;
  std::string ToText() const;
  // Offers the object (and, in containers, its members) to the structure for freeing.
  virtual void Release();
  // What Release leaves of a member its container still holds: the structure never frees a
  // held object, so only the marks of change remain, without a search of the structure.
  virtual void ReleaseHeld() {}
  virtual void ShiftObjectNumbers(std::int32_t /*delta*/) {}
  // True when the given object is held directly by this one.
  virtual bool Refers(const TPDFObject* /*object*/) const { return false; }

  void SetModified(bool flag) { modified_ = flag; }
  void MakeIndirect(std::int32_t objectNumber, std::int32_t generation);
  bool Indirect() const { return indirect_; }
  std::int32_t ObjectNumber() const { return objectNumber_; }
  std::int32_t GenerationNumber() const { return generationNumber_; }
  TPDFStructure& Structure() const { return *structure_; }

 protected:
  void Touch() { modified_ = true; }

 private:
  TPDFStructure* structure_;
  bool indirect_ = false;
  std::int32_t objectNumber_ = 0;
  std::int32_t generationNumber_ = 0;
  bool modified_ = false;
};

// Checked downcast by kind: nullptr for nullptr or an object of another class.
template <class T>
T* As(TPDFObject* object) {
  return object != nullptr && object->Kind() == T::kKind ? static_cast<T*>(object) : nullptr;
}
template <class T>
const T* As(const TPDFObject* object) {
  return object != nullptr && object->Kind() == T::kKind ? static_cast<const T*>(object) : nullptr;
}

}  // namespace pdf
