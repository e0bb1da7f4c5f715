#include "pdf/objects/StreamFilters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The fixtures live beside the test sources (made by make_fixtures.py), so any build folder finds them.
#define STREAM_FILTER_FIXTURES (std::filesystem::path(OMBRELT_TEST_DATA_DIR) / "filters")

namespace pdf {
namespace {

using namespace std::string_literals;

std::string ReadFixture(const std::string& name) {
  std::ifstream file(STREAM_FILTER_FIXTURES / name, std::ios::binary);
  if (!file) ADD_FAILURE() << "missing fixture " << name;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int value : values) out.push_back(static_cast<char>(value));
  return out;
}

TPDFFlateParms Parms(std::int32_t predictor, std::int32_t colors, std::int32_t bits, std::int32_t columns) {
  TPDFFlateParms parms;
  parms.Predictor = predictor;
  parms.Colors = colors;
  parms.BitsPerComponent = bits;
  parms.Columns = columns;
  return parms;
}

TPDFLZWParms LzwParms(std::int32_t predictor, std::int32_t colors, std::int32_t columns) {
  TPDFLZWParms parms;
  parms.Predictor = predictor;
  parms.Colors = colors;
  parms.Columns = columns;
  return parms;
}

// The same 31-bit LCG text as lzw_text() in make_fixtures.py.
std::string LzwText(std::size_t length) {
  std::uint32_t x = 12345;
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
    const std::uint32_t v = (x >> 16) % 20;
    out.push_back(v < 16 ? static_cast<char>('a' + v) : (out.empty() ? 'a' : out.back()));
  }
  return out;
}

// LZW codes packed most significant bit first; each pair is (code, width in bits).
std::string PackCodes(const std::vector<std::pair<unsigned, unsigned>>& codes) {
  std::string out;
  std::uint32_t pending = 0;
  unsigned count = 0;
  for (const auto& [code, width] : codes) {
    pending = pending << width | code;
    count += width;
    while (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>(pending >> count));
    }
    pending &= (1u << count) - 1;
  }
  if (count > 0) out.push_back(static_cast<char>(pending << (8 - count)));
  return out;
}

std::string PackNineBit(std::initializer_list<unsigned> codes) {
  std::vector<std::pair<unsigned, unsigned>> pairs;
  for (const unsigned code : codes) pairs.emplace_back(code, 9);
  return PackCodes(pairs);
}

// "a", then codes that each define and output the entry one longer than the last (258, 259, ...
// up to 4095, which fills the table), then `tail` in 12 bits. Every code is written in the width
// the decoder expects for it.
std::string LzwRunOfA(bool earlyChange, const std::vector<unsigned>& tail) {
  const auto width = [&](unsigned nextCode) {
    const unsigned n = nextCode + (earlyChange ? 1 : 0);
    return n < 512 ? 9u : n < 1024 ? 10u : n < 2048 ? 11u : 12u;
  };
  std::vector<std::pair<unsigned, unsigned>> codes = {{256, 9}, {'a', 9}};
  for (unsigned code = 258; code <= 4095; ++code) codes.emplace_back(code, width(code));
  for (const unsigned code : tail) codes.emplace_back(code, 12);
  codes.emplace_back(257, 12);
  return PackCodes(codes);
}

const std::string kFox = "The quick brown fox jumps over the lazy dog";
// zlib.compress(kFox, 9) from Python.
const std::string kFoxZlib =
    "\x78\xda\x0b\xc9\x48\x55\x28\x2c\xcd\x4c\xce\x56\x48\x2a\xca\x2f\xcf\x53\x48\xcb\xaf\x50\xc8\x2a\xcd"
    "\x2d\x28\x56\xc8\x2f\x4b\x2d\x52\x28\x01\x4a\xe7\x24\x56\x55\x2a\xa4\xe4\xa7\x03\x00\x5b\xdc\x0f\xda"s;
// zlib.compress(b"0123456789", 0): one stored block.
const std::string kStoredZlib =
    "\x78\x01\x01\x0a\x00\xf5\xff\x30\x31\x32\x33\x34\x35\x36\x37\x38\x39\x0a\xff\x02\x0e"s;

// ---------------------------------------------------------------------------------------------
// Flate

struct InflateCase {
  const char* name;
  std::string input;
  std::string expected;
};

TEST(InflateDataTest, KeepsWhatWasDecodedBeforeDamage) {
  const std::string rawDeflate = kFoxZlib.substr(2, kFoxZlib.size() - 6);
  std::string wrongCheck = kFoxZlib;
  wrongCheck.back() ^= 0x01;
  const std::vector<InflateCase> cases = {
      {"complete stream", kFoxZlib, kFox},
      {"data after the stream end is ignored", kFoxZlib + "garbage", kFox},
      {"wrong Adler-32 still gives all data", wrongCheck, kFox},
      {"stored block cut after four bytes", kStoredZlib.substr(0, 11), "0123"},
      {"empty input", "", ""},
      {"header only", kFoxZlib.substr(0, 2), ""},
      {"invalid block type", "\x78\x01\x07"s, ""},
      {"raw deflate without zlib header", rawDeflate, ""},
      {"gzip wrapper", "\x1f\x8b\x08\x00\x00\x00\x00\x00\x02\x03"s + rawDeflate, ""},
  };
  for (const InflateCase& c : cases) EXPECT_EQ(InflateData(c.input), c.expected) << c.name;
}

TEST(InflateDataTest, TruncatedCompressedBlockGivesAPrefix) {
  const std::string decoded = InflateData(kFoxZlib.substr(0, 30));
  EXPECT_FALSE(decoded.empty());
  EXPECT_LT(decoded.size(), kFox.size());
  EXPECT_EQ(kFox.substr(0, decoded.size()), decoded);
}

TEST(DeflateDataTest, RoundTripsThroughInflate) {
  std::string noise(1 << 20, '\0');
  std::uint32_t x = 1;
  for (char& c : noise) c = static_cast<char>((x = x * 1664525u + 1013904223u) >> 24);
  std::string text;
  while (text.size() < 300000) text += kFox + " " + std::to_string(text.size()) + "\n";
  for (const std::string& input : {"x"s, "\0\0\0"s, text, noise}) {
    const std::string compressed = DeflateData(input);
    ASSERT_GE(compressed.size(), 2u);
    EXPECT_EQ(compressed.substr(0, 2), "\x78\x9c") << "zlib header of the default level";
    EXPECT_EQ(InflateData(compressed), input) << input.size();
  }
  EXPECT_EQ(DeflateData(""), "");
}

// ---------------------------------------------------------------------------------------------
// Predictors, from zlib data predicted and compressed by make_fixtures.py

struct PredictorFixture {
  const char* stem;
  TPDFFlateParms parms;
};

class PredictorFixtureTest : public testing::TestWithParam<PredictorFixture> {};

TEST_P(PredictorFixtureTest, InflatesAndUndoesPrediction) {
  const PredictorFixture& fixture = GetParam();
  const std::string stem = fixture.stem;
  EXPECT_EQ(InflateWithPredictor(ReadFixture(stem + ".zlib"), fixture.parms), ReadFixture(stem + ".raw"));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PredictorFixtureTest,
    testing::Values(PredictorFixture{"png_rgb8", Parms(15, 3, 8, 7)},  // all filter types, and type 7
                    PredictorFixture{"png_gray2", Parms(10, 1, 2, 13)},
                    PredictorFixture{"png_rgb16", Parms(12, 3, 16, 3)},
                    PredictorFixture{"tiff_8bit_3colors", Parms(2, 3, 8, 5)},
                    PredictorFixture{"tiff_8bit_12colors", Parms(2, 12, 8, 3)},
                    PredictorFixture{"tiff_4bit_2colors", Parms(2, 2, 4, 7)},
                    PredictorFixture{"tiff_2bit_3colors", Parms(2, 3, 2, 5)},
                    PredictorFixture{"tiff_1bit_1color", Parms(2, 1, 1, 19)},
                    PredictorFixture{"tiff_16bit_2colors", Parms(2, 2, 16, 3)}),
    [](const testing::TestParamInfo<PredictorFixture>& info) { return std::string(info.param.stem); });

struct PredictorCase {
  const char* name;
  std::string data;
  TPDFFlateParms parms;
  std::string expected;
};

TEST(UndoFlatePredictorTest, RowLayoutCases) {
  const std::vector<PredictorCase> cases = {
      {"PNG partial last row is zero-filled", Bytes({2, 1, 2, 3, 2, 1}), Parms(12, 1, 8, 3),
       Bytes({1, 2, 3, 2, 2, 3})},
      {"PNG last row with only its type byte", Bytes({0, 5, 6, 7, 1}), Parms(12, 1, 8, 3),
       Bytes({5, 6, 7, 0, 0, 0})},
      {"PNG Paeth prefers left on a tie with upper left", Bytes({0, 10, 15, 4, 246, 7}), Parms(12, 1, 8, 2),
       Bytes({10, 15, 0, 7})},
      {"PNG Paeth prefers up on a tie with upper left", Bytes({0, 5, 15, 4, 251, 7}), Parms(12, 1, 8, 2),
       Bytes({5, 15, 0, 22})},
      {"PNG unknown filter type", Bytes({9, 1, 2, 3}), Parms(12, 1, 8, 3), Bytes({1, 2, 3})},
      {"PNG Sub wraps modulo 256", Bytes({1, 200, 100}), Parms(11, 1, 8, 2), Bytes({200, 44})},
      {"PNG 4-bit RGB uses a two-byte distance", Bytes({1, 1, 2, 3}), Parms(10, 3, 4, 2), Bytes({1, 2, 4})},
      {"TIFF partial last row is zero-filled", Bytes({1, 1, 1, 4}), Parms(2, 1, 8, 3),
       Bytes({1, 2, 3, 4, 4, 4})},
      {"TIFF 16-bit carries into the high byte", Bytes({0, 0xFF, 0, 1}), Parms(2, 1, 16, 2),
       Bytes({0, 0xFF, 1, 0})},
      {"TIFF 3-bit is left as it is", Bytes({1, 2, 3}), Parms(2, 1, 3, 8), Bytes({1, 2, 3})},
      {"TIFF 32-bit is left as it is", Bytes({1, 2, 3, 4, 5, 6, 7, 8}), Parms(2, 1, 32, 2),
       Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
      {"predictor 5 only pads the last row", Bytes({1, 2, 3, 4, 5}), Parms(5, 1, 8, 3),
       Bytes({1, 2, 3, 4, 5, 0})},
      {"predictor 1 changes nothing", Bytes({1, 2, 3, 4, 5}), Parms(1, 1, 8, 3), Bytes({1, 2, 3, 4, 5})},
  };
  for (const PredictorCase& c : cases) EXPECT_EQ(UndoFlatePredictor(c.data, c.parms), c.expected) << c.name;
}

// Parameters straight from a hostile file. Those that cannot describe the data leave it unpredicted;
// the odd but usable ones must stay within the data (run this under the sanitizers).
TEST(UndoFlatePredictorTest, HostileParametersAreSafe) {
  std::string data(64, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 37 + 11);
  const std::vector<TPDFFlateParms> unusable = {
      Parms(0, 1, 8, 0),         Parms(0, 1, 8, -1),       Parms(0, 1, 8, INT_MAX),
      Parms(0, 0, 8, 4),         Parms(0, -3, 8, 4),       Parms(0, INT_MAX, 8, 1),
      Parms(0, 1, 0, 4),         Parms(0, 1, -8, 4),       Parms(0, 1, INT_MAX, 1),
      Parms(0, INT_MAX, INT_MAX, INT_MAX), Parms(0, 1, 8, 100000),
  };
  const std::vector<TPDFFlateParms> odd = {
      Parms(0, 100, 1, 4), Parms(0, 10, 16, 1), Parms(0, 3, 16, 2), Parms(0, 1, 16, 1),
      Parms(0, 64, 8, 1),  Parms(0, 7, 1, 1),   Parms(0, 5, 4, 3),  Parms(0, 2, 2, 31),
      Parms(0, 1, 8, 100),  // one row longer than the data: decoded zero-filled
  };
  for (const std::int32_t predictor : {2, 5, 10, 12, 15, INT_MAX}) {
    for (TPDFFlateParms parms : unusable) {
      parms.Predictor = predictor;
      EXPECT_EQ(UndoFlatePredictor(data, parms), data) << predictor << " " << parms.Colors << " "
                                                       << parms.BitsPerComponent << " " << parms.Columns;
    }
    for (TPDFFlateParms parms : odd) {
      parms.Predictor = predictor;
      EXPECT_LE(UndoFlatePredictor(data, parms).size(), 2 * data.size());
      EXPECT_LE(InflateWithPredictor(DeflateData(data), parms, 50).size(), 50u);
    }
  }
}

// A row shorter than /Columns (data cut short) is decoded zero-filled, never passed on with its
// PNG type byte.
TEST(UndoFlatePredictorTest, ShortPngRowIsDecodedZeroFilled) {
  TPDFFlateParms parms = Parms(12, 1, 8, 6);
  EXPECT_EQ(UndoFlatePredictor(std::string("\x02\x05\x07", 3), parms), std::string("\x05\x07\0\0\0\0", 6));
  parms.Predictor = 2;
  EXPECT_EQ(UndoFlatePredictor(std::string("\x05\x07", 2), parms), std::string("\x05\x0C\x0C\x0C\x0C\x0C", 6));
}

// ---------------------------------------------------------------------------------------------
// LZW

constexpr std::size_t kLzwTextLength = 9600;  // LZW_TEXT_LENGTH in make_fixtures.py

class LzwFixtureTest : public testing::TestWithParam<bool> {};

// Long enough for the 9-, 10-, 11- and 12-bit widths and a Clear on the full table.
TEST_P(LzwFixtureTest, DecodesIndependentlyEncodedText) {
  const bool earlyChange = GetParam();
  const std::string encoded = ReadFixture(earlyChange ? "lzw_early1.bin" : "lzw_early0.bin");
  EXPECT_EQ(TPDFLZWDecompressor(earlyChange).Decode(encoded, {}), LzwText(kLzwTextLength));
  EXPECT_NE(TPDFLZWDecompressor(!earlyChange).Decode(encoded, {}), LzwText(kLzwTextLength));
}

INSTANTIATE_TEST_SUITE_P(EarlyChange, LzwFixtureTest, testing::Bool());

struct LzwCase {
  const char* name;
  std::string data;
  std::string expected;
};

TEST(LzwDecodeTest, CodeSequenceCases) {
  const std::vector<LzwCase> cases = {
      {"leading Clear is skipped", PackNineBit({256, 'A', 'B', 257}), "AB"},
      {"no leading Clear", PackNineBit({'A', 'B', 257}), "AB"},
      {"entry defined from two codes", PackNineBit({'A', 'B', 258, 257}), "ABAB"},
      {"code equal to the next free code", PackNineBit({'a', 258, 257}), "aaa"},
      {"code beyond the next free code", PackNineBit({'a', 400, 257}), "aaa"},
      {"end code first does not end", PackNineBit({257, 'A', 258, 257}), "AA"},
      {"Clear resets the table", PackNineBit({'a', 'b', 256, 'c', 258, 257}), "abccc"},
      {"data after the end code is ignored", PackNineBit({'A', 257, 'B'}), "A"},
      // A code may still start in the first byte after the data; its missing bits read as zeros.
      {"missing end code", PackNineBit({'A', 'B'}), "AB\0\0"s},
      {"empty data", "", "\0"s},
  };
  for (const LzwCase& c : cases) {
    EXPECT_EQ(TPDFLZWDecompressor(true).Decode(c.data, {}), c.expected) << c.name;
  }
}

TEST(LzwDecodeTest, FullTableKeepsReplacingItsLastEntry) {
  for (const bool earlyChange : {true, false}) {
    // Entry k holds k - 256 letters. The tail outputs entry 4094 (3838 letters, and entry 4095
    // becomes 3840 long), then twice the "next free code" 4095, replaced by 3839 and 3840 letters.
    const std::string decoded =
        TPDFLZWDecompressor(earlyChange).Decode(LzwRunOfA(earlyChange, {4094, 4095, 4095}), {});
    const std::size_t chain = 3839 * 3840 / 2 - 1;  // 2 + 3 + ... + 3839
    EXPECT_EQ(decoded.size(), 1 + chain + 3838 + 3839 + 3840) << earlyChange;
    EXPECT_EQ(std::count(decoded.begin(), decoded.end(), 'a'), static_cast<std::ptrdiff_t>(decoded.size()));
  }
}

TEST(LzwDecodeTest, PredictorAfterLzw) {
  const std::string codes = PackNineBit({1, 1, 1, 2, 2, 2, 5, 257});
  const std::string decoded = Bytes({1, 1, 1, 2, 2, 2, 5});
  const std::vector<std::pair<TPDFLZWParms, std::string>> cases = {
      {LzwParms(2, 1, 3), Bytes({1, 2, 3, 2, 4, 6, 5})},  // the partial last row is left as it is
      {LzwParms(2, 3, 1), decoded},                        // one pixel per row: nothing to add
      {LzwParms(2, 1, 2), Bytes({1, 2, 1, 3, 2, 4, 5})},
      {LzwParms(12, 1, 3), decoded},  // PNG predictor bytes are handed on
      {LzwParms(2, 0, 3), decoded},
      {LzwParms(2, 1, 0), decoded},
      {LzwParms(2, -1, -3), decoded},
      {LzwParms(2, INT_MAX, INT_MAX), decoded},
  };
  for (const auto& [parms, expected] : cases) {
    EXPECT_EQ(TPDFLZWDecompressor(true).Decode(codes, parms), expected)
        << parms.Predictor << " " << parms.Colors << " " << parms.Columns;
  }
}

// ---------------------------------------------------------------------------------------------
// ASCII85, ASCIIHex, RunLength

struct TextCase {
  const char* input;
  std::string expected;
};

TEST(ASCII85Test, DecodesGroups) {
  const std::vector<TextCase> cases = {
      {"87cURDZ~>", "Hello"},
      {"FCfN8~>", "test"},
      {"z~>", "\0\0\0\0"s},
      {"5l~>", "A"},
      {"5~>", ""},                                // one trailing character gives nothing
      {"s8W-!~>", "\xff\xff\xff\xff"s},
      {"s8W-\"~>", "\0\0\0\0"s},                  // beyond 32 bits
      {"uuu~>", "\0\0"s},                         // partial group beyond 32 bits
      {"8z~>", "\x47\x8f\xeb\xe7"s},              // "z" is five "!" even inside a group
      {" 87cU\tRD\r\nZ ~\n> ", "Hello"},          // white space, also inside the end marker
      {"87cvwxy{|}URDZ~>", "Hello"},              // bytes beyond "u" are dropped
      {"87cURDZ~>junk", "Hello"},
      {"87cURDZ~>~>", "Hell\x6f\x06\x91"s},       // cut at the last marker: the first is data
      {"87cURDZ", ""},
      {"87cURDZ~", ""},
      {"~>", ""},
      {"", ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(DecodeASCII85(c.input), c.expected) << c.input;
}

TEST(ASCII85Test, DecodesPythonA85Encode) {
  EXPECT_EQ(DecodeASCII85(ReadFixture("ascii85.txt")), ReadFixture("ascii85.raw"));
}

TEST(ASCIIHexTest, DecodesPairs) {
  const std::vector<TextCase> cases = {
      {"<48 65 6C 6C 6F>", "Hello"},
      {"<48656c6c6f>", "Hello"},
      {"<414>>", "\x41\x40"},       // odd count gets a trailing 0
      {"<41>42>", "AB"},            // data after the end marker counts too
      {"<4\t1\r\n4 2>", "AB"},
      {"<4G41>", "\0A"s},            // a pair that is not hexadecimal
      {"<zz-41%>", "\0A"s},
      {"<>", ""},
      {"48>", ""},
      {"<48", ""},
      {"<", ""},
      {"", ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(DecodeASCIIHex(c.input), c.expected) << c.input;
}

TEST(RunLengthTest, DecodesRuns) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Bytes({2, 'a', 'b', 'c', 0xFE, 'x', 0x80}), "abcxxx"},
      {Bytes({0, 'a', 0xFF, 'b', 0x81, 'c'}), "abb" + std::string(128, 'c')},
      {Bytes({4, 'a', 'b'}), "ab"},  // literal cut by the end of the data
      {Bytes({'a' - 'a', 'q', 0xFE}), "q"},  // repeat without its byte
      {Bytes({0x80, 0, 'a'}), ""},
      {"", ""},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(DecodeRunLength(input), expected);
  EXPECT_EQ(DecodeRunLength(ReadFixture("runlength.bin")), ReadFixture("runlength.raw"));
}

// ---------------------------------------------------------------------------------------------
// Output bound: small hostile inputs that expand far beyond the limit

TEST(OutputBoundTest, EveryDecoderStopsAtMaxOutput) {
  constexpr std::size_t kLimit = 4097;
  std::string runLength;
  for (int i = 0; i < 1000; ++i) runLength += Bytes({0x81, 'x'});
  std::vector<std::pair<unsigned, unsigned>> growingEntries = {{'a', 9}};
  for (unsigned code = 258; code < 511; ++code) growingEntries.emplace_back(code, 9);
  const std::string lzwNineBit = PackCodes(growingEntries);
  const std::string lzwFullTable = LzwRunOfA(false, std::vector<unsigned>(100000, 4095));
  const std::string zlibBomb = DeflateData(std::string(std::size_t{8} << 20, '\0'));
  ASSERT_LT(zlibBomb.size(), 64u << 10);
  const std::string a85Zeros = std::string(5000, 'z') + "~>";

  struct BoundCase {
    const char* name;
    std::function<std::string(std::size_t)> decode;
    bool fillsLimit;  // PNG prediction drops the type bytes of what was inflated up to the limit
  };
  const std::vector<BoundCase> cases = {
      {"RunLength", [&](std::size_t max) { return DecodeRunLength(runLength, max); }, true},
      {"LZW 9-bit",
       [&](std::size_t max) { return TPDFLZWDecompressor(true).Decode(lzwNineBit, {}, max); }, true},
      {"LZW full table",
       [&](std::size_t max) { return TPDFLZWDecompressor(false).Decode(lzwFullTable, {}, max); }, true},
      {"Flate", [&](std::size_t max) { return InflateData(zlibBomb, max); }, true},
      {"Flate with TIFF predictor",
       [&](std::size_t max) { return InflateWithPredictor(zlibBomb, Parms(2, 3, 8, 7), max); }, true},
      {"Flate with PNG predictor",
       [&](std::size_t max) { return InflateWithPredictor(zlibBomb, Parms(12, 1, 8, 5), max); }, false},
      {"ASCII85", [&](std::size_t max) { return DecodeASCII85(a85Zeros, max); }, true},
  };
  for (const BoundCase& c : cases) {
    const std::size_t size = c.decode(kLimit).size();
    EXPECT_LE(size, kLimit) << c.name;
    if (c.fillsLimit) {
      EXPECT_EQ(size, kLimit) << c.name;
    }
    EXPECT_EQ(c.decode(0).size(), 0u) << c.name;
  }
  EXPECT_EQ(InflateData(zlibBomb).size(), std::size_t{8} << 20);
}

}  // namespace
}  // namespace pdf
