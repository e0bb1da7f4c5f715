// Undoing the PNG and TIFF predictors applied before Flate compression.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pdf/objects/StreamFilters.h"

namespace pdf {
namespace {

constexpr std::int32_t kTiffPredictor = 2;
constexpr std::int32_t kFirstPngPredictor = 10;

using Row = std::span<std::uint8_t>;
using ConstRow = std::span<const std::uint8_t>;

struct RowGeometry {
  std::size_t rowLength;      // bytes of one row, without the PNG filter-type byte
  std::size_t bytesPerPixel;  // distance to the left neighbour in the PNG filters
};

// A row longer than all the data is decoded zero-filled, as readers do, up to this length.
constexpr std::uint64_t kMaxPaddedRowLength = 64 * 1024;

// The parameters come straight from the file, so every product is checked. No geometry when a
// parameter is not positive, a product overflows, or one row is longer than all the data and than
// kMaxPaddedRowLength: zero-filling such a row would let a few bytes claim an arbitrarily large output.
std::optional<RowGeometry> GeometryFor(const TPDFFlateParms& parms, std::size_t dataSize) {
  if (parms.Colors <= 0 || parms.BitsPerComponent <= 0 || parms.Columns <= 0) return std::nullopt;
  const auto bitsPerPixel =
      static_cast<std::uint64_t>(parms.BitsPerComponent) * static_cast<std::uint64_t>(parms.Colors);
  const auto columns = static_cast<std::uint64_t>(parms.Columns);
  if (bitsPerPixel > std::numeric_limits<std::uint64_t>::max() / columns) return std::nullopt;
  const std::uint64_t rowBits = bitsPerPixel * columns;
  const std::uint64_t rowLength = rowBits / 8 + (rowBits % 8 != 0 ? 1 : 0);
  if (rowLength > dataSize && rowLength > kMaxPaddedRowLength) return std::nullopt;

  std::uint64_t bytesPerPixel = std::max<std::uint64_t>(bitsPerPixel / 8, 1);
  // Rounding down gives 12-bit pixels (4-bit RGB) a one-byte distance where PNG uses two. Only this
  // layout is corrected, deliberately: other odd layouts keep the rounded-down distance.
  if (parms.Predictor >= kFirstPngPredictor && parms.BitsPerComponent == 4 && parms.Colors == 3) {
    bytesPerPixel = 2;
  }
  // A neighbour distance beyond the row means "no left neighbour" for every byte.
  return RowGeometry{static_cast<std::size_t>(rowLength),
                     static_cast<std::size_t>(std::min(bytesPerPixel, rowLength))};
}

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// `prior` is the previous undone row, all zeros for the first row.
void UndoPngRow(std::uint8_t filterType, Row row, ConstRow prior, std::size_t bpp) {
  if (filterType == 0 || filterType > 4) return;  // None, and unknown types, leave the row as it is
  const auto left = [&](std::size_t x) -> int { return x >= bpp ? row[x - bpp] : 0; };
  const auto upLeft = [&](std::size_t x) -> int { return x >= bpp ? prior[x - bpp] : 0; };
  for (std::size_t x = 0; x < row.size(); ++x) {
    int add = 0;
    switch (filterType) {
      case 1: add = left(x); break;
      case 2: add = prior[x]; break;
      case 3: add = (left(x) + prior[x]) / 2; break;
      default: add = Paeth(left(x), prior[x], upLeft(x)); break;
    }
    row[x] = static_cast<std::uint8_t>(row[x] + add);
  }
}

Row RowAt(std::string& out, std::size_t index, std::size_t length) {
  return {reinterpret_cast<std::uint8_t*>(out.data()) + index * length, length};
}

std::string UndoPng(std::string_view data, const RowGeometry& geometry) {
  const std::size_t length = geometry.rowLength;
  const std::size_t stride = length + 1;
  const std::size_t rows = data.size() / stride + (data.size() % stride != 0 ? 1 : 0);
  std::string out(rows * length, '\0');  // never more than the data: each row lost its type byte
  const std::string zeroRow(length, '\0');
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t start = r * stride;
    const std::string_view raw = data.substr(start + 1, length);  // short for a partial last row
    const Row row = RowAt(out, r, length);
    std::copy(raw.begin(), raw.end(), row.begin());  // the rest of the row stays zero
    const ConstRow prior = r == 0 ? ConstRow(reinterpret_cast<const std::uint8_t*>(zeroRow.data()), length)
                                  : RowAt(out, r - 1, length);
    UndoPngRow(static_cast<std::uint8_t>(data[start]), row, prior, geometry.bytesPerPixel);
  }
  return out;
}

// Adds to every component the same component of the pixel before it, modulo 2^bits.
void UndoTiffRow(Row row, std::uint64_t components, std::uint64_t colors, std::int32_t bits) {
  switch (bits) {
    case 8:
      for (std::uint64_t k = colors; k < components; ++k) {
        row[k] = static_cast<std::uint8_t>(row[k] + row[k - colors]);
      }
      return;
    case 16: {  // big-endian 16-bit components
      const auto get = [&](std::uint64_t k) {
        return static_cast<unsigned>(row[2 * k] << 8 | row[2 * k + 1]);
      };
      for (std::uint64_t k = colors; k < components; ++k) {
        const unsigned sum = get(k) + get(k - colors);
        row[2 * k] = static_cast<std::uint8_t>(sum >> 8);
        row[2 * k + 1] = static_cast<std::uint8_t>(sum);
      }
      return;
    }
    case 1:
    case 2:
    case 4: {  // packed, most significant bits first; a component never straddles a byte
      const auto width = static_cast<std::uint64_t>(bits);
      const unsigned mask = (1u << width) - 1;
      const auto shift = [&](std::uint64_t k) { return static_cast<unsigned>(8 - width - k * width % 8); };
      const auto get = [&](std::uint64_t k) { return (row[k * width / 8] >> shift(k)) & mask; };
      for (std::uint64_t k = colors; k < components; ++k) {
        const unsigned value = (get(k) + get(k - colors)) & mask;
        std::uint8_t& byte = row[k * width / 8];
        byte = static_cast<std::uint8_t>((byte & ~(mask << shift(k))) | value << shift(k));
      }
      return;
    }
    default:
      return;  // the TIFF predictor defines no other depths: such rows are left as they are
  }
}

// Predictor 2 undoes TIFF prediction; 3 to 9 only cut the data into rows.
std::string UndoRowsWithoutTypeByte(std::string_view data, const RowGeometry& geometry,
                                    const TPDFFlateParms& parms) {
  const std::size_t length = geometry.rowLength;
  const std::size_t rows = data.size() / length + (data.size() % length != 0 ? 1 : 0);
  std::string out(data);
  out.resize(rows * length, '\0');  // a partial last row is zero-filled
  if (parms.Predictor != kTiffPredictor) return out;
  // Both fit: the geometry checked Columns * Colors * BitsPerComponent.
  const auto colors = static_cast<std::uint64_t>(parms.Colors);
  const std::uint64_t components = static_cast<std::uint64_t>(parms.Columns) * colors;
  for (std::size_t r = 0; r < rows; ++r) {
    UndoTiffRow(RowAt(out, r, length), components, colors, parms.BitsPerComponent);
  }
  return out;
}

}  // namespace

std::string UndoFlatePredictor(std::string_view data, const TPDFFlateParms& parms) {
  try {
    if (parms.Predictor < kTiffPredictor) return std::string(data);
    const std::optional<RowGeometry> geometry = GeometryFor(parms, data.size());
    // Parameters that cannot describe this data: it is passed on unpredicted.
    if (!geometry) return std::string(data);
    if (parms.Predictor >= kFirstPngPredictor) return UndoPng(data, *geometry);
    return UndoRowsWithoutTypeByte(data, *geometry, parms);
  } catch (const std::exception&) {
    return {};  // out of memory: nothing usable
  }
}

}  // namespace pdf
