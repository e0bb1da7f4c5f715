#include "pdf/objects/TextConversions.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace pdf {

namespace {

constexpr std::array<char16_t, 256> BuildPDFDocEncodingTable() {
    std::array<char16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        table[byte] = static_cast<char16_t>(byte);
    }
    // PDFDocEncoding agrees with Latin-1 except for these bytes, which carry
    // typographic marks; the unassigned ones decode as U+FFFD.
    constexpr std::pair<unsigned char, char16_t> kDifferences[] = {
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
    for (const auto& [byte, unit] : kDifferences) {
        table[byte] = unit;
    }
    return table;
}

}  // namespace

constexpr std::array<char16_t, 256> PDFDocEncodingTable = BuildPDFDocEncodingTable();

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

// One decoded code point and the number of input units it used up.
struct DecodeStep {
    char32_t codePoint;
    std::size_t length;
};

constexpr bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

constexpr bool IsNonCharacter(char32_t cp) {
    const bool inReservedBlock = cp >= 0xFDD0 && cp <= 0xFDEF;
    const bool endsPlane = (cp & 0xFFFE) == 0xFFFE;
    return inReservedBlock || endsPlane;
}

// U+FFFD is treated as invalid as well; replacing it with itself leaves it unchanged.
constexpr bool IsValidCodePoint(char32_t cp) {
    const bool surrogate = IsHighSurrogate(cp) || IsLowSurrogate(cp);
    return !surrogate && cp <= kMaxCodePoint && !IsNonCharacter(cp) && cp != kReplacement;
}

constexpr char32_t Sanitize(char32_t cp) { return IsValidCodePoint(cp) ? cp : kReplacement; }

// A high surrogate always takes the following unit with it, so a broken pair yields
// a single replacement rather than letting the second unit through on its own.
DecodeStep DecodeUTF16(std::u16string_view units) {
    const char32_t first = units[0];
    if (IsLowSurrogate(first)) return {kReplacement, 1};
    if (!IsHighSurrogate(first)) return {first, 1};
    if (units.size() < 2) return {kReplacement, 1};
    const char32_t second = units[1];
    if (!IsLowSurrogate(second)) return {kReplacement, 2};
    return {0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), 2};
}

// Number of continuation bytes a lead byte announces; 0 for a byte that cannot lead.
constexpr std::size_t ContinuationCount(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF4) return 3;
    return 0;
}

struct ByteRange {
    unsigned char low;
    unsigned char high;
};

// Narrowing the second byte rules out overlong forms, surrogates and values above U+10FFFF.
constexpr ByteRange SecondByteRange(unsigned char lead) {
    switch (lead) {
        case 0xE0: return {0xA0, 0xBF};
        case 0xED: return {0x80, 0x9F};
        case 0xF0: return {0x90, 0xBF};
        case 0xF4: return {0x80, 0x8F};
        default: return {0x80, 0xBF};
    }
}

// A sequence cut off by the end of input consumes only its lead byte (a four-byte lead
// followed by two bytes also takes the next one), so the trailing bytes are reported separately.
constexpr std::size_t TruncatedLength(std::size_t needed, std::size_t available) {
    return needed == 3 && available == 2 ? 2 : 1;
}

DecodeStep DecodeUTF8(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) return {lead, 1};
    const std::size_t needed = ContinuationCount(lead);
    if (needed == 0) return {kReplacement, 1};
    const std::size_t available = bytes.size() - 1;
    if (available < needed) return {kReplacement, TruncatedLength(needed, available)};

    char32_t cp = lead & (0xFFu >> (needed + 2));
    for (std::size_t i = 1; i <= needed; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const ByteRange range = i == 1 ? SecondByteRange(lead) : ByteRange{0x80, 0xBF};
        if (byte < range.low || byte > range.high) return {kReplacement, i + 1};
        cp = (cp << 6) | (byte & 0x3Fu);
    }
    return {cp, needed + 1};
}

// Decodes the whole input step by step and hands each code point to `emit`, with invalid
// code points replaced and a leading byte-order mark dropped.
template <typename Input, typename Decode, typename Emit>
void ForEachCodePoint(Input input, Decode decode, Emit emit) {
    bool first = true;
    while (!input.empty()) {
        const DecodeStep step = decode(input);
        input.remove_prefix(step.length);
        if (!(first && step.codePoint == kByteOrderMark)) emit(Sanitize(step.codePoint));
        first = false;
    }
}

void AppendUTF16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    const char32_t offset = cp - 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

void AppendUTF8(std::string& out, char32_t cp) {
    const auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

bool StartsWith(std::string_view bytes, unsigned char first, unsigned char second) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == first &&
           static_cast<unsigned char>(bytes[1]) == second;
}

char16_t UnitFromBytes(char high, char low) {
    return static_cast<char16_t>((static_cast<unsigned char>(high) << 8) |
                                 static_cast<unsigned char>(low));
}

// An odd trailing byte is kept as the high half of a final unit.
std::u16string BigEndianUnits(std::string_view bytes) {
    std::u16string units;
    units.reserve((bytes.size() + 1) / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char low = i + 1 < bytes.size() ? bytes[i + 1] : '\0';
        units.push_back(UnitFromBytes(bytes[i], low));
    }
    return units;
}

// An odd trailing byte is dropped.
std::u16string LittleEndianUnits(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units.push_back(UnitFromBytes(bytes[i + 1], bytes[i]));
    }
    return units;
}

std::u16string FromPDFDocEncoding(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text.push_back(PDFDocEncodingTable[static_cast<unsigned char>(byte)]);
    }
    return text;
}

// The byte-order mark is left among the units; ForEachCodePoint drops it.
std::u16string FromUTF16BigEndian(std::string_view bytes) {
    const std::u16string units = BigEndianUnits(bytes);
    std::u16string text;
    text.reserve(units.size());
    ForEachCodePoint(std::u16string_view{units}, DecodeUTF16,
                     [&text](char32_t cp) { AppendUTF16(text, cp); });
    return text;
}

}  // namespace

// The little-endian variant is taken unit for unit, without validation or byte-order-mark
// handling; only the big-endian form is decoded and cleaned.
std::u16string PDFTextToUnicode(std::string_view bytes) {
    if (StartsWith(bytes, 0xFE, 0xFF)) return FromUTF16BigEndian(bytes);
    if (StartsWith(bytes, 0xFF, 0xFE)) return LittleEndianUnits(bytes.substr(2));
    return FromPDFDocEncoding(bytes);
}

std::u16string UnwrapWideText(std::u16string_view text) {
    const bool wrapped = text.size() >= 2 && (text[0] >> 8) == 0xE7 && (text[1] >> 8) == 0xF8;
    if (!wrapped) return std::u16string{text};
    const std::size_t declared = (std::size_t{text[1] & 0xFFu} << 8) | (text[0] & 0xFFu);
    const std::u16string_view payload = text.substr(2);
    return std::u16string{payload.substr(0, std::min(declared, payload.size()))};
}

std::u16string UTF8ToUnicode(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    ForEachCodePoint(bytes, DecodeUTF8, [&text](char32_t cp) { AppendUTF16(text, cp); });
    return text;
}

char16_t Windows1252Character(unsigned char byte) {
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
    };
    // Outside 80-9F the code page is Latin-1, code point = byte value.
    return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

bool IsStandardPasswordCharacter(char16_t unit) { return unit >= u' ' && unit <= u'~'; }

std::u16string Windows1252ToUnicode(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (const char byte : bytes) text += Windows1252Character(static_cast<unsigned char>(byte));
    return text;
}

std::string UnicodeToUTF8(std::u16string_view text) {
    const std::u16string units = UnwrapWideText(text);
    std::string bytes;
    bytes.reserve(units.size());
    ForEachCodePoint(std::u16string_view{units}, DecodeUTF16,
                     [&bytes](char32_t cp) { AppendUTF8(bytes, cp); });
    return bytes;
}

}  // namespace pdf
