// Random object trees written with ToText and parsed back must be equal to the originals,
// and writing the parsed tree again must give the same bytes.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>

#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

class RandomTreeBuilder {
 public:
  RandomTreeBuilder(TPDFStructure& structure, unsigned seed) : structure_(structure), random_(seed) {}

  TPDFObject* Make(int depth) {
    const int kind = Uniform(0, depth > 0 ? 8 : 6);
    switch (kind) {
      case 0: return structure_.NewNull();
      case 1: return structure_.NewBoolean(Uniform(0, 1) == 1);
      case 2: return structure_.NewNumber(RandomNumber());
      case 3: return structure_.NewName(RandomBytes(12));
      case 4: return structure_.NewString(RandomBytes(40), Uniform(0, 1) == 1);
      case 5: return structure_.NewString(RandomBytes(40), false);
      case 6: return structure_.NewReference(Uniform(-5, 1 << 30), Uniform(0, 65535));
      case 7: return MakeArray(depth - 1);
      default: return MakeDictionary(depth - 1);
    }
  }

 private:
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  double RandomNumber() {
    // Values with at most four decimals and below the fixed-point range survive a round trip.
    const double scaled = static_cast<double>(std::uniform_int_distribution<std::int64_t>(
        -900000000000000000LL, 900000000000000000LL)(random_) >> Uniform(0, 60));
    return scaled / 10000.0;
  }

  std::string RandomBytes(int maxLength) {
    std::string bytes(static_cast<std::size_t>(Uniform(0, maxLength)), '\0');
    for (char& c : bytes) c = static_cast<char>(Uniform(0, 255));
    return bytes;
  }

  TPDFObject* MakeArray(int depth) {
    TPDFArray* array = structure_.NewArray();
    for (int i = Uniform(0, 12); i > 0; --i) array->Add(Make(depth));
    return array;
  }

  TPDFObject* MakeDictionary(int depth) {
    TPDFDictionary* dictionary = structure_.NewDictionary();
    std::set<std::string> keys;
    for (int i = Uniform(0, 8); i > 0; --i) {
      std::string key = RandomBytes(10);
      if (keys.insert(key).second) dictionary->PutEntry(structure_.NewName(key), Make(depth));
    }
    return dictionary;
  }

  TPDFStructure& structure_;
  std::mt19937 random_;
};

void ExpectEqualTrees(const TPDFObject* a, const TPDFObject* b);

void ExpectEqualContainers(const TPDFArray& a, const TPDFArray& b) {
  ASSERT_EQ(a.ItemCount(), b.ItemCount());
  for (std::int32_t i = 0; i < a.ItemCount(); ++i) ExpectEqualTrees(a.GetItem(i), b.GetItem(i));
}

void ExpectEqualContainers(const TPDFDictionary& a, const TPDFDictionary& b) {
  ASSERT_EQ(a.EntryCount(), b.EntryCount());
  for (std::int32_t i = 0; i < a.EntryCount(); ++i) {
    TPDFName *keyA = nullptr, *keyB = nullptr;
    TPDFObject *valueA = nullptr, *valueB = nullptr;
    a.GetEntry(i, keyA, valueA);
    b.GetEntry(i, keyB, valueB);
    EXPECT_EQ(keyA->Value(), keyB->Value());
    ExpectEqualTrees(valueA, valueB);
  }
}

void ExpectEqualTrees(const TPDFObject* a, const TPDFObject* b) {
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(a->Kind(), b->Kind()) << a->ToText() << " vs " << b->ToText();
  if (auto* x = As<TPDFBoolean>(a)) {
    EXPECT_EQ(x->Value(), As<TPDFBoolean>(b)->Value());
  }
  if (auto* x = As<TPDFNumeric>(a)) {
    EXPECT_NEAR(x->Value(), As<TPDFNumeric>(b)->Value(), 1e-9 * (1 + std::fabs(x->Value())));
  }
  if (auto* x = As<TPDFName>(a)) {
    EXPECT_EQ(x->Value(), As<TPDFName>(b)->Value());
  }
  if (auto* x = As<TPDFString>(a)) {
    EXPECT_EQ(x->Value(), As<TPDFString>(b)->Value());
    EXPECT_EQ(x->HexForm(), As<TPDFString>(b)->HexForm());
  }
  if (auto* x = As<TPDFIndRef>(a)) {
    EXPECT_EQ(x->TargetNumber(), As<TPDFIndRef>(b)->TargetNumber());
    EXPECT_EQ(x->TargetGeneration(), As<TPDFIndRef>(b)->TargetGeneration());
  }
  if (auto* x = As<TPDFArray>(a)) ExpectEqualContainers(*x, *As<TPDFArray>(b));
  if (auto* x = As<TPDFDictionary>(a)) ExpectEqualContainers(*x, *As<TPDFDictionary>(b));
}

TEST(RoundTrip, RandomTreesParseBackEqualAndRewriteIdentically) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    TPDFStructure original;
    TPDFObject* tree = RandomTreeBuilder(original, seed).Make(5);
    const std::string text = tree->ToText();
    TPDFStructure parsedStructure;
    std::size_t consumed = 0;
    TPDFObject* parsed = parsedStructure.ParseObjectAt(text, consumed);
    ExpectEqualTrees(tree, parsed);
    EXPECT_EQ(parsed->ToText(), text) << "seed " << seed;
    EXPECT_EQ(consumed, text.size() - (text.back() == '\n' ? 1 : 0)) << "seed " << seed;
    if (HasFailure()) FAIL() << "seed " << seed << ": " << text;
  }
}

}  // namespace
}  // namespace pdf
