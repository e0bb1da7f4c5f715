#include "pdf/objects/TextConversions.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace pdf {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) bytes.push_back(static_cast<char>(value));
    return bytes;
}

constexpr char16_t kFFFD = 0xFFFD;

// ---------------------------------------------------------------------------
// PDFDocEncodingTable

TEST(PDFDocEncodingTableTest, MatchesLatin1ExceptTypographicBytes) {
    const std::vector<std::pair<int, char16_t>> differences = {
        {22, 0x0017},  {24, 0x02D8},  {25, 0x02C7},  {26, 0x02C6},  {27, 0x02D9},
        {28, 0x02DD},  {29, 0x02DB},  {30, 0x02DA},  {31, 0x02DC},  {127, 0xFFFD},
        {128, 0x2022}, {129, 0x2020}, {130, 0x2021}, {131, 0x2026}, {132, 0x2014},
        {133, 0x2013}, {134, 0x0192}, {135, 0x2044}, {136, 0x2039}, {137, 0x203A},
        {138, 0x2212}, {139, 0x2030}, {140, 0x201E}, {141, 0x201C}, {142, 0x201D},
        {143, 0x2018}, {144, 0x2019}, {145, 0x201A}, {146, 0x2122}, {147, 0xFB01},
        {148, 0xFB02}, {149, 0x0141}, {150, 0x0152}, {151, 0x0160}, {152, 0x0178},
        {153, 0x017D}, {154, 0x0131}, {155, 0x0142}, {156, 0x0153}, {157, 0x0161},
        {158, 0x017E}, {159, 0xFFFD}, {160, 0x20AC}, {173, 0xFFFD},
    };
    std::array<char16_t, 256> expected{};
    for (int byte = 0; byte < 256; ++byte) expected[byte] = static_cast<char16_t>(byte);
    for (const auto& [byte, unit] : differences) expected[byte] = unit;

    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(static_cast<int>(PDFDocEncodingTable[byte]), static_cast<int>(expected[byte]))
            << "byte " << byte;
    }
}

// ---------------------------------------------------------------------------
// PDFTextToUnicode

struct PDFTextCase {
    const char* name;
    std::string bytes;
    std::u16string expected;
};

class PDFTextToUnicodeTest : public testing::TestWithParam<PDFTextCase> {};

TEST_P(PDFTextToUnicodeTest, Decodes) {
    EXPECT_EQ(PDFTextToUnicode(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PDFTextToUnicodeTest,
    testing::Values(
        PDFTextCase{"Empty", "", u""},
        // Big-endian UTF-16 with byte-order mark.
        PDFTextCase{"BigEndianMarkOnly", Bytes({0xFE, 0xFF}), u""},
        PDFTextCase{"BigEndianSurrogatePair",
                    Bytes({0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x3D, 0xDE, 0x00}), u"A\U0001F600"},
        PDFTextCase{"HighSurrogateSwallowsNextUnit", Bytes({0xFE, 0xFF, 0xD8, 0x3D, 0x00, 0x41}),
                    {kFFFD}},
        PDFTextCase{"LoneLowSurrogate", Bytes({0xFE, 0xFF, 0xDE, 0x00, 0x00, 0x41}), {kFFFD, u'A'}},
        PDFTextCase{"HighSurrogateAtEnd", Bytes({0xFE, 0xFF, 0x00, 0x41, 0xD8, 0x3D}),
                    {u'A', kFFFD}},
        PDFTextCase{"OddTrailingByteIsHighHalf", Bytes({0xFE, 0xFF, 0x00, 0x41, 0x42}),
                    {u'A', 0x4200}},
        PDFTextCase{"OnlyLeadingMarkDropped", Bytes({0xFE, 0xFF, 0xFE, 0xFF, 0x00, 0x41}),
                    {0xFEFF, u'A'}},
        PDFTextCase{"NonCharacterFFFE", Bytes({0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF}),
                    {kFFFD, kFFFD}},
        PDFTextCase{"NonCharacterBlock",
                    Bytes({0xFE, 0xFF, 0xFD, 0xCF, 0xFD, 0xD0, 0xFD, 0xEF, 0xFD, 0xF0}),
                    {0xFDCF, kFFFD, kFFFD, 0xFDF0}},
        PDFTextCase{"SupplementaryNonCharacter", Bytes({0xFE, 0xFF, 0xD8, 0x3F, 0xDF, 0xFE}),
                    {kFFFD}},
        PDFTextCase{"HighestValidCodePoint", Bytes({0xFE, 0xFF, 0xDB, 0xFF, 0xDF, 0xFD}),
                    {0xDBFF, 0xDFFD}},
        PDFTextCase{"HighestCodePointIsNonCharacter", Bytes({0xFE, 0xFF, 0xDB, 0xFF, 0xDF, 0xFF}),
                    {kFFFD}},
        // Little-endian UTF-16: copied unit for unit, nothing validated.
        PDFTextCase{"LittleEndianMarkOnly", Bytes({0xFF, 0xFE}), u""},
        PDFTextCase{"LittleEndianUnchecked",
                    Bytes({0xFF, 0xFE, 0x41, 0x00, 0x3D, 0xD8, 0xFF, 0xFF, 0xFF, 0xFE}),
                    {u'A', 0xD83D, 0xFFFF, 0xFEFF}},
        PDFTextCase{"LittleEndianOddByteDropped", Bytes({0xFF, 0xFE, 0x41, 0x00, 0x42}), u"A"},
        // PDFDocEncoding.
        PDFTextCase{"DocEncodingBullet", Bytes({0x80, 0x41}), u"\u2022A"},
        PDFTextCase{"DocEncodingUndefined", Bytes({0x9F}), {kFFFD}},
        PDFTextCase{"DocEncodingEuro", Bytes({0xA0}), u"\u20AC"},
        PDFTextCase{"SingleFEIsDocEncoding", Bytes({0xFE}), u"\u00FE"},
        PDFTextCase{"SingleFFIsDocEncoding", Bytes({0xFF}), u"\u00FF"},
        PDFTextCase{"MarkNotAtStartIsDocEncoding", Bytes({0x41, 0xFE, 0xFF}), u"A\u00FE\u00FF"},
        PDFTextCase{"EmbeddedNulKept", Bytes({0x41, 0x00, 0x42}), std::u16string{u'A', 0, u'B'}}),
    [](const auto& info) { return std::string{info.param.name}; });

// ---------------------------------------------------------------------------
// UnwrapWideText

TEST(UnwrapWideTextTest, ExtractsDeclaredPayload) {
    struct Case {
        const char* name;
        std::u16string text;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {"Empty", u"", u""},
        {"Plain", u"abc", u"abc"},
        {"PayloadLongerThanDeclared", {0xE703, 0xF800, u'a', u'b', u'c', u'd'}, u"abc"},
        {"DeclaredLongerThanPayload", {0xE705, 0xF800, u'a', u'b'}, u"ab"},
        {"ZeroLength", {0xE700, 0xF800, u'a'}, u""},
        {"HeaderOnly", {0xE703, 0xF800}, u""},
        {"NoSecondMarker", {0xE703, u'a'}, {0xE703, u'a'}},
        {"SingleFirstMarker", {0xE703}, {0xE703}},
        {"WrongFirstHighByte", {0xE603, 0xF800, u'a'}, {0xE603, 0xF800, u'a'}},
        {"WrongSecondHighByte", {0xE703, 0xF900, u'a'}, {0xE703, 0xF900, u'a'}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnwrapWideText(c.text), c.expected) << c.name;
    }
}

// The second unit's low byte is the high half of the length: E7 00 / F8 01 declares 256.
TEST(UnwrapWideTextTest, SecondMarkerCarriesHighByteOfLength) {
    std::u16string text = {0xE700, 0xF801};
    text.append(300, u'x');
    EXPECT_EQ(UnwrapWideText(text), std::u16string(256, u'x'));

    text[0] = 0xE702;
    EXPECT_EQ(UnwrapWideText(text), std::u16string(258, u'x'));
}

// ---------------------------------------------------------------------------
// UTF8ToUnicode

struct UTF8Case {
    const char* name;
    std::string bytes;
    std::u16string expected;
};

class UTF8ToUnicodeTest : public testing::TestWithParam<UTF8Case> {};

TEST_P(UTF8ToUnicodeTest, Decodes) {
    EXPECT_EQ(UTF8ToUnicode(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, UTF8ToUnicodeTest,
    testing::Values(
        UTF8Case{"Empty", "", u""},
        UTF8Case{"Ascii", "Hi\x7F", u"Hi\u007F"},
        UTF8Case{"Nul", std::string(1, '\0'), std::u16string(1, u'\0')},
        UTF8Case{"TwoByte", Bytes({0xC3, 0xA9}), u"\u00E9"},
        UTF8Case{"TwoByteBounds", Bytes({0xC2, 0x80, 0xDF, 0xBF}), u"\u0080\u07FF"},
        UTF8Case{"ThreeByteBounds", Bytes({0xE0, 0xA0, 0x80, 0xED, 0x9F, 0xBF, 0xEE, 0x80, 0x80}),
                 u"\u0800\uD7FF\uE000"},
        UTF8Case{"Euro", Bytes({0xE2, 0x82, 0xAC, 0x41}), u"\u20ACA"},
        UTF8Case{"FourByteIsSurrogatePair", Bytes({0xF0, 0x9F, 0x98, 0x80}), u"\U0001F600"},
        UTF8Case{"FourByteBounds", Bytes({0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBD}),
                 u"\U00010000\U0010FFFD"},
        UTF8Case{"LeadingMarkDropped", Bytes({0xEF, 0xBB, 0xBF, 0x41}), u"A"},
        UTF8Case{"OnlyFirstMarkDropped", Bytes({0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF}), u"\uFEFF"},
        UTF8Case{"InnerMarkKept", Bytes({0x41, 0xEF, 0xBB, 0xBF}), u"A\uFEFF"},
        UTF8Case{"MarkAfterReplacementKept", Bytes({0x80, 0xEF, 0xBB, 0xBF}), {kFFFD, 0xFEFF}}),
    [](const auto& info) { return std::string{info.param.name}; });

INSTANTIATE_TEST_SUITE_P(
    IllFormed, UTF8ToUnicodeTest,
    testing::Values(
        UTF8Case{"LoneContinuation", Bytes({0x80, 0x41}), {kFFFD, u'A'}},
        UTF8Case{"OverlongLeads", Bytes({0xC0, 0xAF, 0xC1}), {kFFFD, kFFFD, kFFFD}},
        UTF8Case{"LeadsAboveF4", Bytes({0xF5, 0x80, 0xFF, 0x41}), {kFFFD, kFFFD, kFFFD, u'A'}},
        UTF8Case{"BrokenTwoByteTakesBreaker", Bytes({0xC3, 0x41}), {kFFFD}},
        UTF8Case{"OverlongThreeByte", Bytes({0xE0, 0x80, 0x80}), {kFFFD, kFFFD}},
        UTF8Case{"EncodedSurrogate", Bytes({0xED, 0xA0, 0x80}), {kFFFD, kFFFD}},
        UTF8Case{"BrokenThirdByte", Bytes({0xE2, 0x82, 0x41, 0x42}), {kFFFD, u'B'}},
        UTF8Case{"OverlongFourByte", Bytes({0xF0, 0x8F, 0xBF, 0xBF}), {kFFFD, kFFFD, kFFFD}},
        UTF8Case{"AboveMaxCodePoint", Bytes({0xF4, 0x90, 0x80, 0x80}), {kFFFD, kFFFD, kFFFD}},
        UTF8Case{"BrokenFourthByte", Bytes({0xF0, 0x9F, 0x98, 0x41, 0x42}), {kFFFD, u'B'}},
        // Cut off by the end of input: the lead goes alone, the rest is read afresh.
        UTF8Case{"TruncatedTwoByte", Bytes({0x41, 0xC3}), {u'A', kFFFD}},
        UTF8Case{"TruncatedThreeByte", Bytes({0xE2, 0x82}), {kFFFD, kFFFD}},
        UTF8Case{"TruncatedThreeByteBeforeAscii", Bytes({0xE2, 0x41}), {kFFFD, u'A'}},
        UTF8Case{"FourByteLeadAlone", Bytes({0xF0}), {kFFFD}},
        UTF8Case{"FourByteLeadPlusOne", Bytes({0xF0, 0x41}), {kFFFD, u'A'}},
        UTF8Case{"FourByteLeadPlusTwoTakesOne", Bytes({0xF0, 0x9F, 0x98}), {kFFFD, kFFFD}},
        UTF8Case{"FourByteLeadPlusTwoAscii", Bytes({0xF0, 0x41, 0x42}), {kFFFD, u'B'}}),
    [](const auto& info) { return std::string{info.param.name}; });

INSTANTIATE_TEST_SUITE_P(
    InvalidCodePoints, UTF8ToUnicodeTest,
    testing::Values(
        UTF8Case{"NonCharacterBlockStart", Bytes({0xEF, 0xB7, 0x90}), {kFFFD}},
        UTF8Case{"NonCharacterBlockEnd", Bytes({0xEF, 0xB7, 0xAF}), {kFFFD}},
        UTF8Case{"AroundNonCharacterBlock", Bytes({0xEF, 0xB7, 0x8F, 0xEF, 0xB7, 0xB0}),
                 u"\uFDCF\uFDF0"},
        UTF8Case{"FFFE", Bytes({0xEF, 0xBF, 0xBE}), {kFFFD}},
        UTF8Case{"SupplementaryFFFF", Bytes({0xF0, 0x9F, 0xBF, 0xBF}), {kFFFD}},
        UTF8Case{"MaxCodePoint", Bytes({0xF4, 0x8F, 0xBF, 0xBF}), {kFFFD}},
        UTF8Case{"ReplacementItself", Bytes({0xEF, 0xBF, 0xBD}), {kFFFD}}),
    [](const auto& info) { return std::string{info.param.name}; });

// ---------------------------------------------------------------------------
// UnicodeToUTF8

struct UnicodeCase {
    const char* name;
    std::u16string text;
    std::string expected;
};

class UnicodeToUTF8Test : public testing::TestWithParam<UnicodeCase> {};

TEST_P(UnicodeToUTF8Test, Encodes) {
    EXPECT_EQ(UnicodeToUTF8(GetParam().text), GetParam().expected);
}

const std::string kReplacementUTF8 = Bytes({0xEF, 0xBF, 0xBD});

INSTANTIATE_TEST_SUITE_P(
    Cases, UnicodeToUTF8Test,
    testing::Values(
        UnicodeCase{"Empty", u"", ""},
        UnicodeCase{"OneByteBounds", std::u16string{0x0000, 0x007F}, Bytes({0x00, 0x7F})},
        UnicodeCase{"TwoByteBounds", u"\u0080\u07FF", Bytes({0xC2, 0x80, 0xDF, 0xBF})},
        UnicodeCase{"ThreeByteBounds", u"\u0800\uFFFC",
                    Bytes({0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBC})},
        UnicodeCase{"SurrogatePair", u"\U0001F600", Bytes({0xF0, 0x9F, 0x98, 0x80})},
        UnicodeCase{"FourByteBounds", u"\U00010000\U0010FFFD",
                    Bytes({0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBD})},
        UnicodeCase{"LoneHighSurrogate", {0xD83D}, kReplacementUTF8},
        UnicodeCase{"LoneLowSurrogate", {0xDE00, u'A'}, kReplacementUTF8 + "A"},
        UnicodeCase{"HighSurrogateSwallowsNextUnit", {0xD83D, u'A', u'B'}, kReplacementUTF8 + "B"},
        UnicodeCase{"NonCharacters", {0xFFFE, 0xFDD0, 0xDBFF, 0xDFFF},
                    kReplacementUTF8 + kReplacementUTF8 + kReplacementUTF8},
        UnicodeCase{"LeadingMarkDropped", u"\uFEFFA", "A"},
        UnicodeCase{"InnerMarkKept", u"A\uFEFF", Bytes({0x41, 0xEF, 0xBB, 0xBF})},
        UnicodeCase{"Wrapped", {0xE703, 0xF800, u'a', u'b', u'c', u'd'}, "abc"},
        UnicodeCase{"NotWrappedWithoutSecondMarker", {0xE703, u'a'},
                    Bytes({0xEE, 0x9C, 0x83, 0x61})},
        UnicodeCase{"MarkDroppedFromPayload", {0xE702, 0xF800, 0xFEFF, u'A'}, "A"},
        UnicodeCase{"PayloadCutInsidePair", {0xE701, 0xF800, 0xD83D, 0xDE00}, kReplacementUTF8}),
    [](const auto& info) { return std::string{info.param.name}; });

// ---------------------------------------------------------------------------
// Random round trips, with glibc's iconv as the reference encoder.

std::string ReferenceUTF8(const std::u32string& codePoints) {
    std::string in;
    for (const char32_t cp : codePoints) {
        for (int shift = 0; shift < 32; shift += 8) in.push_back(static_cast<char>(cp >> shift));
    }
    const iconv_t cd = iconv_open("UTF-8", "UTF-32LE");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(in.size(), '\0');  // UTF-8 never needs more than four bytes per code point
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

bool IsExcluded(char32_t cp) {
    return (cp >= 0xD800 && cp <= 0xDFFF) || (cp >= 0xFDD0 && cp <= 0xFDEF) ||
           (cp & 0xFFFF) >= 0xFFFE || cp == 0xFFFD || cp == 0xFEFF;
}

// Spreads code points over all four UTF-8 lengths instead of mostly drawing four-byte ones.
char32_t RandomValidCodePoint(std::mt19937& rng) {
    static constexpr std::pair<char32_t, char32_t> kRanges[] = {
        {0x0000, 0x007F}, {0x0080, 0x07FF}, {0x0800, 0xFFFF}, {0x10000, 0x10FFFF}};
    std::uniform_int_distribution<int> pickRange(0, 3);
    for (;;) {
        const auto [low, high] = kRanges[pickRange(rng)];
        const char32_t cp = std::uniform_int_distribution<char32_t>(low, high)(rng);
        if (!IsExcluded(cp)) return cp;
    }
}

std::u16string ToUTF16(const std::u32string& codePoints) {
    std::u16string units;
    for (const char32_t cp : codePoints) {
        if (cp < 0x10000) {
            units.push_back(static_cast<char16_t>(cp));
        } else {
            units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

std::string ToUTF16BigEndianWithMark(const std::u16string& units) {
    std::string bytes = Bytes({0xFE, 0xFF});
    for (const char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit >> 8));
        bytes.push_back(static_cast<char>(unit & 0xFF));
    }
    return bytes;
}

TEST(TextConversionsRoundTrip, ValidTextSurvivesEveryEncoding) {
    std::mt19937 rng(20240611);
    for (int iteration = 0; iteration < 500; ++iteration) {
        std::u32string codePoints(std::uniform_int_distribution<int>(0, 40)(rng), U'\0');
        for (char32_t& cp : codePoints) cp = RandomValidCodePoint(rng);
        const std::u16string text = ToUTF16(codePoints);

        const std::string utf8 = UnicodeToUTF8(text);
        ASSERT_EQ(utf8, ReferenceUTF8(codePoints)) << "iteration " << iteration;
        ASSERT_EQ(UTF8ToUnicode(utf8), text) << "iteration " << iteration;
        ASSERT_EQ(PDFTextToUnicode(ToUTF16BigEndianWithMark(text)), text)
            << "iteration " << iteration;
    }
}

// Whatever the input, decoded text holds only valid code points and well-paired surrogates,
// so it can be re-encoded and decoded again without change.
TEST(TextConversionsRoundTrip, ArbitraryBytesDecodeToCleanText) {
    // Biased towards bytes that start or continue multi-byte sequences.
    static constexpr unsigned char kInteresting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                                     0xBB, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xED, 0xEF,
                                                     0xF0, 0xF4, 0xF5, 0xFE, 0xFF};
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kInteresting) - 1);
    for (int iteration = 0; iteration < 2000; ++iteration) {
        std::string bytes(std::uniform_int_distribution<int>(0, 12)(rng), '\0');
        for (char& byte : bytes) byte = static_cast<char>(kInteresting[pick(rng)]);

        const std::u16string decoded[] = {UTF8ToUnicode(bytes),
                                          PDFTextToUnicode("\xFE\xFF" + bytes)};
        for (const std::u16string& text : decoded) {
            // Leading marks would be dropped by re-encoding, so compare past them.
            const std::size_t start = std::min(text.find_first_not_of(u'\uFEFF'), text.size());
            const std::u16string body = text.substr(start);
            const std::string utf8 = UnicodeToUTF8(body);
            ASSERT_EQ(UTF8ToUnicode(utf8), body) << "iteration " << iteration;
        }
    }
}

}  // namespace
}  // namespace pdf
