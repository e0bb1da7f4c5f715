// FlateDecode (zlib format) in both directions, and Flate with predictors.

#define ZLIB_CONST  // next_in points to const bytes
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "pdf/objects/StreamFilters.h"

namespace pdf {
namespace {

constexpr std::size_t kMaxZlibChunk = UINT_MAX;  // avail_in and avail_out are uInt
constexpr std::size_t kMinOutputStep = 8192;

// Owns one z_stream and ends it on every path.
class ZStream {
 public:
  enum class Direction { kInflate, kDeflate };

  explicit ZStream(Direction direction) : direction_(direction) {
    const int rc = direction == Direction::kInflate ? inflateInit(&stream_)
                                                    : deflateInit(&stream_, Z_DEFAULT_COMPRESSION);
    ready_ = rc == Z_OK;
  }
  ~ZStream() {
    if (!ready_) return;
    if (direction_ == Direction::kInflate) {
      inflateEnd(&stream_);
    } else {
      deflateEnd(&stream_);
    }
  }
  ZStream(const ZStream&) = delete;
  ZStream& operator=(const ZStream&) = delete;

  bool Ready() const { return ready_; }
  z_stream& Get() { return stream_; }

 private:
  Direction direction_;
  z_stream stream_{};  // zalloc, zfree and opaque must be null before the init call
  bool ready_ = false;
};

// Hands zlib the next piece of `rest` once it has used up the previous one.
void Feed(z_stream& stream, std::string_view& rest) {
  if (stream.avail_in != 0 || rest.empty()) return;
  const std::size_t piece = std::min(rest.size(), kMaxZlibChunk);
  stream.next_in = reinterpret_cast<const Bytef*>(rest.data());
  stream.avail_in = static_cast<uInt>(piece);
  rest.remove_prefix(piece);
}

// Opens `count` more bytes of `out` after the first `used` ones as zlib's output window.
void OpenWindow(z_stream& stream, std::string& out, std::size_t used, std::size_t count) {
  out.resize(used + count);
  stream.next_out = reinterpret_cast<Bytef*>(out.data() + used);
  stream.avail_out = static_cast<uInt>(count);
}

// The input length rounded up to a multiple of 256, at least kMinOutputStep.
std::size_t OutputStep(std::size_t inputLength) {
  const std::size_t rounded = inputLength > SIZE_MAX - 255 ? inputLength : (inputLength + 255) / 256 * 256;
  return std::max(rounded, kMinOutputStep);
}

std::string InflateBounded(std::string_view input, std::size_t maxOutput) {
  ZStream zstream(ZStream::Direction::kInflate);
  if (!zstream.Ready()) return {};
  z_stream& stream = zstream.Get();
  const std::size_t step = OutputStep(input.size());
  std::string out;
  std::size_t produced = 0;
  while (produced < maxOutput) {
    const std::size_t window = std::min({step, maxOutput - produced, kMaxZlibChunk});
    OpenWindow(stream, out, produced, window);
    Feed(stream, input);
    const int rc = inflate(&stream, Z_NO_FLUSH);
    produced += window - stream.avail_out;
    // Damaged data (bad header, code, distance or check value; a preset dictionary we cannot
    // supply) keeps what was decoded before the damage.
    if (rc == Z_STREAM_END || rc == Z_DATA_ERROR || rc == Z_NEED_DICT) break;
    // A truncated stream keeps what was decoded up to the cut.
    const bool inputUsedUp = stream.avail_in == 0 && input.empty();
    if (rc == Z_BUF_ERROR || (rc == Z_OK && inputUsedUp && stream.avail_out != 0)) break;
    if (rc != Z_OK) return {};  // stream or memory error
  }
  out.resize(produced);
  return out;
}

std::string DeflateWhole(std::string_view input) {
  ZStream zstream(ZStream::Direction::kDeflate);
  if (!zstream.Ready()) return {};
  z_stream& stream = zstream.Get();
  const uLong bound = deflateBound(&stream, static_cast<uLong>(std::min(input.size(), kMaxZlibChunk)));
  const std::size_t step = std::clamp<std::size_t>(bound, kMinOutputStep, kMaxZlibChunk);
  std::string out;
  std::size_t produced = 0;
  for (;;) {
    Feed(stream, input);
    const int flush = input.empty() ? Z_FINISH : Z_NO_FLUSH;
    OpenWindow(stream, out, produced, step);
    const int rc = deflate(&stream, flush);
    produced += step - stream.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) return {};
  }
  out.resize(produced);
  return out;
}

}  // namespace

std::string InflateData(std::string_view data, std::size_t maxOutput) {
  if (data.empty() || maxOutput == 0) return {};
  try {
    return InflateBounded(data, maxOutput);
  } catch (const std::exception&) {
    return {};  // out of memory, like zlib's own memory error
  }
}

std::string InflateWithPredictor(std::string_view data, const TPDFFlateParms& parms, std::size_t maxOutput) {
  try {
    std::string inflated = InflateData(data, maxOutput);
    if (parms.Predictor <= 1) return inflated;
    std::string result = UndoFlatePredictor(inflated, parms);
    if (result.size() > maxOutput) result.resize(maxOutput);  // the zero-filled last row can overshoot
    return result;
  } catch (const std::exception&) {
    return {};
  }
}

std::string DeflateData(std::string_view data) {
  if (data.empty()) return {};
  try {
    return DeflateWhole(data);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace pdf
