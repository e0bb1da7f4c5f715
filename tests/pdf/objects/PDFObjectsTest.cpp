#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

TEST(ToText, Numbers) {
  const std::pair<double, const char*> cases[] = {
      {612, "612"},       {0.5, "0.5"},        {-0.25, "-0.25"},    {1.23456, "1.23456"},
      {0.00004, "0.00004"},     {100, "100"},        {1.5, "1.5"},        {2.0, "2"},
      {-3.14159, "-3.14159"}, {-0.0, "0"},      {0.00005, "0.00005"},     
      {-0.00004, "-0.00004"},    {123456789012.5, "123456789012.5"},   {1e-300, "0"},
      {0.00048828125, "0.000488281"}, {1.33333337, "1.33333337"}, {0.1 + 0.2, "0.3"}, {1e-10, "0"}};
  TPDFStructure structure;
  for (const auto& [value, text] : cases) EXPECT_EQ(structure.NewNumber(value)->ToText(), text) << value;
}

TEST(ToText, UnwritableNumbersRaise) {
  TPDFStructure structure;
  for (double value : {std::nan(""), std::numeric_limits<double>::infinity(), 1e15, -9.3e14}) {
    EXPECT_THROW(structure.NewNumber(value)->ToText(), EPDFError) << value;
  }
}

TEST(ToText, NamesAndStrings) {
  TPDFStructure structure;
  EXPECT_EQ(structure.NewName("A B")->ToText(), "/A#20B");
  EXPECT_EQ(structure.NewName("A/B")->ToText(), "/A#2FB");
  EXPECT_EQ(structure.NewName("\xE9")->ToText(), "/#E9");
  EXPECT_EQ(structure.NewName("")->ToText(), "/");
  EXPECT_EQ(structure.NewName("#%()<>[]{}\x7F!~")->ToText(), "/#23#25#28#29#3C#3E#5B#5D#7B#7D#7F!~");
  EXPECT_EQ(structure.NewString(std::string("\x0B\x00", 2), false)->ToText(), std::string("(\x0B\x00)", 4));
  EXPECT_EQ(structure.NewString("\b\t\n\f\r()\\", false)->ToText(), "(\\b\\t\\n\\f\\r\\(\\)\\\\)");
  EXPECT_EQ(structure.NewString("\xAB\x01", true)->ToText(), "<AB01>");
  EXPECT_EQ(structure.NewString("", true)->ToText(), "<>");
}

TEST(ToText, ContainersAndStreams) {
  TPDFStructure structure;
  EXPECT_EQ(structure.NewIntegerArray({0, 0, 612, 792})->ToText(), "[ 0 0 612 792 ]");
  EXPECT_EQ(structure.NewArray()->ToText(), "[ ]");
  TPDFDictionary* page = structure.NewDictionary();
  page->SetValue("Type", structure.CommonName("Page"));
  page->SetValue("Parent", structure.NewReference(3, 0));
  EXPECT_EQ(page->ToText(), "<<\n/Type /Page\n/Parent 3 0 R\n>>\n");
  EXPECT_EQ(structure.NewDictionary()->ToText(), "<<\n>>\n");
  EXPECT_EQ(structure.NewArrayOf({structure.NewNumber(1), page})->ToText(),
            "[ 1 <<\n/Type /Page\n/Parent 3 0 R\n>>\n]");
  TPDFStream* stream = structure.NewStream("abc", false);
  EXPECT_EQ(stream->ToText(), "<<\n/Length 3\n>>\nstream\nabc\nendstream");
}

TEST(ToText, LongArraysBreakAfterEightyCharacters) {
  TPDFStructure structure;
  TPDFArray* array = structure.NewArray();
  for (int i = 0; i < 30; ++i) array->Add(structure.NewReference(10 + i, 0));
  const std::string text = array->ToText();
  // Every line but the last passes 80 characters by the one item that broke it.
  std::size_t lineStart = 0;
  int lines = 0;
  for (std::size_t lf = text.find('\n'); lf != std::string::npos; lf = text.find('\n', lineStart)) {
    EXPECT_GT(lf - lineStart, 80u);
    EXPECT_LE(lf - lineStart, 88u);
    lineStart = lf + 1;
    ++lines;
  }
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(text.substr(0, 14), "[ 10 0 R 11 0 ");
  EXPECT_EQ(text.substr(text.size() - 9), " 39 0 R ]");
}

TEST(ToText, UnwritableEntryBecomesBugComment) {
  TPDFStructure structure;
  TPDFDictionary* dict = structure.NewDictionary();
  dict->SetValue("A", structure.NewNumber(1));
  dict->SetValue("B", structure.NewNumber(std::nan("")));
  dict->SetValue("C", structure.NewNumber(2));
  EXPECT_EQ(dict->ToText(), "<<\n/A 1\n% bug \n/C 2\n>>\n");
}

TEST(Dictionary, KeysKeepTheirPositionAndAreCaseSensitive) {
  TPDFStructure structure;
  TPDFDictionary* dict = structure.NewDictionary();
  dict->SetValue("Type", structure.NewNumber(1));
  dict->SetValue("Size", structure.NewNumber(2));
  dict->SetValue("Type", structure.NewNumber(3));
  dict->SetValue("type", structure.NewNumber(4));
  EXPECT_EQ(dict->ToText(), "<<\n/Type 3\n/Size 2\n/type 4\n>>\n");
  EXPECT_EQ(dict->IndexOfKey("type"), 2);
  dict->SetValue("Self", dict);
  EXPECT_EQ(dict->IndexOfKey("Self"), -1);
  dict->RemoveKey("Type");
  EXPECT_EQ(dict->IndexOfKey("Size"), 0);
  dict->DeleteKey("Absent");
  EXPECT_EQ(dict->EntryCount(), 2);
}

TEST(Dictionary, LargeDictionaryLookupsFollowRemovalsAndReplacements) {
  TPDFStructure structure;
  TPDFDictionary* dict = structure.NewDictionary();
  for (int i = 0; i < 100; ++i) dict->PutEntry(structure.NewName("K" + std::to_string(i)), structure.NewNumber(i));
  EXPECT_EQ(dict->GetInteger("K70", -1), 70);
  dict->RemoveKey("K10");
  EXPECT_EQ(dict->IndexOfKey("K70"), 69);
  dict->PutEntry(structure.NewName("K70"), structure.NewNumber(7));
  EXPECT_EQ(dict->GetInteger("K70", -1), 7);
  EXPECT_EQ(dict->IndexOfKey("K10"), -1);
  dict->PutEntry(structure.NewName("K10"), structure.NewNumber(10));
  EXPECT_EQ(dict->IndexOfKey("K10"), 99);
  // A key renamed in place: the index must follow to the new text, not only away from the old.
  TPDFName* key = nullptr;
  TPDFObject* value = nullptr;
  dict->GetEntry(5, key, value);
  key->SetValue("Renamed");
  EXPECT_EQ(dict->IndexOfKey("Renamed"), 5);
  EXPECT_EQ(dict->IndexOfKey("K5"), -1);
}

TEST(Dictionary, LookupsAndTypedGetters) {
  TPDFStructure structure;
  auto* dict = As<TPDFDictionary>(structure.ParseObject("<< /Type /XRef /N 2.5 /R 4 0 R /S (x) >>"));
  ASSERT_NE(dict, nullptr);
  EXPECT_EQ(dict->GetTypeName(), "XRef");
  EXPECT_EQ(dict->GetInteger("N", -1), 2);
  EXPECT_EQ(dict->GetInteger("S", -1), -1);
  EXPECT_EQ(dict->GetInteger("R", -1), -1);  // no resolver installed
  EXPECT_EQ(dict->GetValue("R", true), nullptr);
  TPDFObject* target = structure.NewNumber(42);
  structure.OnResolveReference = [&](TPDFIndRef&, std::int32_t number, std::int32_t) {
    return number == 4 ? target : nullptr;
  };
  EXPECT_EQ(dict->GetValue("R", true), target);
  EXPECT_EQ(dict->GetInteger("R", -1), 42);
}

TEST(Dictionary, CopyFromAcrossStructuresParsesTheText) {
  TPDFStructure source;
  TPDFStructure target;
  auto* from = As<TPDFDictionary>(source.ParseObject("<< /A [ 1 2 ] /B (s) >>"));
  TPDFDictionary* to = target.NewDictionary();
  to->CopyFrom(*from);
  EXPECT_EQ(to->ToText(), from->ToText());
  TPDFName* key = nullptr;
  TPDFObject* value = nullptr;
  to->GetEntry(0, key, value);
  EXPECT_EQ(&value->Structure(), &target);
  to->GetEntry(5, key, value);
  EXPECT_EQ(key, nullptr);
  EXPECT_TRUE(to->IsModified());
}

TEST(Structure, CommonNamesAreSharedAndNeverFreed) {
  TPDFStructure structure;
  TPDFName* type = structure.CommonName("Type");
  EXPECT_EQ(structure.CommonName("Type"), type);
  TPDFName* foo = structure.CommonName("Foo");
  EXPECT_NE(structure.CommonName("Foo"), foo);
  EXPECT_TRUE(foo->Common());
  EXPECT_FALSE(structure.FreeObject(type));
  TPDFName* parsed = As<TPDFName>(structure.ParseObject("/Length"));
  EXPECT_EQ(structure.CommonName("Length"), parsed);  // an existing name is adopted
  EXPECT_TRUE(parsed->Common());
}

TEST(Structure, FreeObjectSparesHeldObjectsAndKeepsOrder) {
  TPDFStructure structure;
  TPDFNumeric* a = structure.NewNumber(1);
  TPDFNumeric* b = structure.NewNumber(2);
  TPDFArray* array = structure.NewArrayOf({a});
  EXPECT_FALSE(structure.FreeObject(a));
  EXPECT_TRUE(structure.FreeObject(b));
  EXPECT_EQ(structure.ObjectCount(), 2);
  EXPECT_EQ(structure.ObjectAt(0), a);
  EXPECT_EQ(structure.ObjectAt(1), array);
  EXPECT_EQ(structure.ObjectAt(2), nullptr);
  TPDFStructure other;
  EXPECT_FALSE(other.FreeObject(a));
}

TEST(Structure, GrowthKeepsAboutOneHundredToOneThousandSpareSlots) {
  TPDFStructure structure;
  for (int i = 0; i < 5000; ++i) {
    structure.NewNull();
    ASSERT_GE(structure.Spare(), 99);
    ASSERT_LE(structure.Spare(), 999);
  }
  structure.Reset();
  EXPECT_EQ(structure.ObjectCount(), 0);
  EXPECT_EQ(structure.Spare(), 0);
}

TEST(Stream, LengthFollowsTheDataAndFilterTheEncoding) {
  TPDFStructure structure;
  auto* dict = As<TPDFDictionary>(
      structure.ParseObject("<< /Length 5 0 R /Filter /LZWDecode /DecodeParms << /Predictor 2 >> >>"));
  TPDFStream* stream = structure.NewStreamOf("raw", dict);
  stream->SetRawData("hello");
  EXPECT_EQ(dict->GetInteger("Length", -1), 5);
  EXPECT_EQ(dict->IndexOfKey("Length"), 0);
  stream->SetData("plain", false);
  EXPECT_EQ(dict->IndexOfKey("Filter"), -1);
  EXPECT_GE(dict->IndexOfKey("DecodeParms"), 0);
  stream->SetData(std::string(1000, 'x'), true);
  EXPECT_EQ(dict->GetTypeName(), "");
  EXPECT_EQ(As<TPDFName>(dict->GetValue("Filter", false))->Value(), "FlateDecode");
  dict->RemoveKey("DecodeParms");
  EXPECT_EQ(stream->GetDecodedData(), std::string(1000, 'x'));
  EXPECT_LT(stream->Data().size(), 100u);
}

TEST(Stream, ReleasingAHeldStreamKeepsItsDictionary) {
  TPDFStructure structure;
  TPDFStream* stream = structure.NewStream("abc", false);
  TPDFArray* holder = structure.NewArrayOf({stream});
  stream->Release();
  EXPECT_EQ(holder->ToText(), "[ <<\n/Length 3\n>>\nstream\nabc\nendstream ]");
  holder->ReplaceItem(0, structure.NewNull());
  const std::int32_t before = structure.ObjectCount();
  stream->Release();
  EXPECT_LT(structure.ObjectCount(), before);
}

TEST(Objects, ModifiedFlagsAndShifting) {
  TPDFStructure structure;
  auto* dict = As<TPDFDictionary>(structure.ParseObject("<< /K [ 1 0 R << /P 2 0 R >> ] >>"));
  EXPECT_FALSE(dict->IsModified());
  dict->ShiftObjectNumbers(10);
  EXPECT_EQ(dict->ToText(), "<<\n/K [ 11 0 R <<\n/P 12 0 R\n>>\n]\n>>\n");
  EXPECT_TRUE(dict->IsModified());
  auto* array = As<TPDFArray>(structure.ParseObject("[ (a) (b) ]"));
  As<TPDFString>(array->GetItem(1))->SetValue("c");
  EXPECT_TRUE(array->IsModified());
  EXPECT_EQ(array->IndexOfText(structure.NewString("c", false)), 1);
  EXPECT_EQ(array->IndexOfText(structure.NewString("c", true)), -1);
}

TEST(Objects, AsIntegerRoundsHalfToEvenAndCutsToThirtyTwoBits) {
  TPDFStructure structure;
  const std::pair<double, std::int32_t> cases[] = {
      {2.5, 2}, {3.5, 4}, {-2.5, -2}, {4294967297.0, 1}, {std::nan(""), 0}, {1e300, 0}};
  for (const auto& [value, expected] : cases) EXPECT_EQ(structure.NewNumber(value)->AsInteger(), expected) << value;
}

}  // namespace
}  // namespace pdf
