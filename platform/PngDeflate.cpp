#include "platform/PngDeflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

#include "base/File.h"
#include "platform/RunLengthDeflate.h"

namespace {

std::uint64_t AbsoluteSum(const std::uint8_t* bytes, std::size_t size) {
    // 32-bit sums over pieces that cannot overflow them (each byte adds at most 128), so the loop stays vectorised.
    constexpr std::size_t kPiece = std::size_t{1} << 24;
    std::uint64_t total = 0;
    for (std::size_t start = 0; start < size; start += kPiece) {
        const std::size_t end = std::min(size, start + kPiece);
        std::uint32_t sum = 0;
        for (std::size_t i = start; i < end; ++i)
            sum += static_cast<std::uint32_t>(std::abs(static_cast<std::int8_t>(bytes[i])));
        total += sum;
    }
    return total;
}

// Each filter's loop reads only unfiltered bytes, so the compiler can run it on whole vectors; the first pixel,
// which has no left neighbour, is done apart. kBytesPerPixel is 3 for RGB rows, 1 for grey ones.
template <std::size_t kBytesPerPixel>
void FilterSub(const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    const std::size_t head = std::min(size, kBytesPerPixel);
    for (std::size_t i = 0; i < head; ++i) out[i] = row[i];
    for (std::size_t i = kBytesPerPixel; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(row[i] - row[i - kBytesPerPixel]);
}

void FilterUp(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
}

template <std::size_t kBytesPerPixel>
void FilterAverage(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    const std::size_t head = std::min(size, kBytesPerPixel);
    for (std::size_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(row[i] - (previous[i] >> 1));
    for (std::size_t i = kBytesPerPixel; i < size; ++i) {
        const unsigned mean = (unsigned{row[i - kBytesPerPixel]} + previous[i]) >> 1;
        out[i] = static_cast<std::uint8_t>(row[i] - mean);
    }
}

template <std::size_t kBytesPerPixel>
void FilterPaeth(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    // With no left neighbour the predictor is the byte above.
    const std::size_t head = std::min(size, kBytesPerPixel);
    for (std::size_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
    for (std::size_t i = kBytesPerPixel; i < size; ++i) {
        const int a = row[i - kBytesPerPixel];
        const int b = previous[i];
        const int c = previous[i - kBytesPerPixel];
        const int pa = std::abs(b - c);
        const int pb = std::abs(a - c);
        const int pc = std::abs(a + b - 2 * c);
        const int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        out[i] = static_cast<std::uint8_t>(row[i] - predictor);
    }
}

// The entropy rule's cost of a filter's output: the sum over its byte values of count × log2(count), negated
// (smaller is better), so that n × log2(n) minus it is the output's size in bits under an ideal code of its own.
double EntropyCost(const std::uint8_t* bytes, std::size_t size) {
    // Four counts a value, added up at the end, so that runs of one value do not wait on one counter.
    std::uint32_t counts[4][256] = {};
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        ++counts[0][bytes[i]];
        ++counts[1][bytes[i + 1]];
        ++counts[2][bytes[i + 2]];
        ++counts[3][bytes[i + 3]];
    }
    for (; i < size; ++i) ++counts[0][bytes[i]];
    double cost = 0;
    for (int value = 0; value < 256; ++value) {
        const std::uint32_t count = counts[0][value] + counts[1][value] + counts[2][value] + counts[3][value];
        if (count > 1) cost -= count * std::log2(static_cast<double>(count));
    }
    return cost;
}

// The band deflated by libdeflate, made joinable unless it is the last.
bool DeflateMatches(const std::uint8_t* filtered, std::size_t size, bool last, DeflatedPiece& piece) {
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kPngDeflateLevel), libdeflate_free_compressor);
    if (!compressor) return false;
    const std::size_t capacity = libdeflate_deflate_compress_bound(compressor.get(), size) + 5;
    piece.data = TryAllocate(capacity);
    if (!piece.data) return false;
    piece.size = libdeflate_deflate_compress(compressor.get(), filtered, size, piece.data.get(), capacity - 5);
    return piece.size != 0 && (last || MakeDeflateJoinable(piece.data.get(), piece.size, size));
}

// The band deflated by zlib's run-length strategy, left open on a byte boundary unless it is the last.
bool DeflateRuns(const std::uint8_t* filtered, std::size_t size, bool last, DeflatedPiece& piece) {
    return DeflateRunLength(filtered, size, last ? RunLengthStream::RawComplete : RunLengthStream::RawOpen,
                            piece.data, piece.size);
}

// The bytes of row y as the file carries them: the picture's own RGB row, or its grey samples (the red of each
// pixel) copied into `grey`.
const std::uint8_t* RowSamples(const BMP_File& picture, std::size_t pixelBytes, std::int32_t y, std::uint8_t* grey) {
    const Pixel* pixels = picture.Row(y);
    if (pixelBytes == 3) return reinterpret_cast<const std::uint8_t*>(pixels);
    const auto width = static_cast<std::size_t>(picture.Width());
    for (std::size_t x = 0; x < width; ++x) grey[x] = pixels[x].r;
    return grey;
}

// Filters rows [first, end) of a picture, one after the other, into `out`.
class RowFilter {
public:
    RowFilter(const BMP_File& picture, std::size_t pixelBytes)
        : m_picture(picture),
          m_pixelBytes(pixelBytes),
          m_rowBytes(static_cast<std::size_t>(picture.Width()) * pixelBytes),
          // Zeros above the first row, the filters' scratch, and two rows of grey samples (above and current).
          m_buffers(TryAllocate(m_rowBytes * 7)) {
        if (m_buffers) std::memset(m_buffers.get(), 0, m_rowBytes);
    }

    bool ok() const { return m_buffers != nullptr; }

    void Filter(std::int32_t first, std::int32_t end, PngFilterRule rule, std::uint8_t* out) {
        std::uint8_t* zeros = m_buffers.get();
        std::uint8_t* scratch = zeros + m_rowBytes;
        std::uint8_t* grey[2] = {scratch + 4 * m_rowBytes, scratch + 5 * m_rowBytes};
        const std::uint8_t* previous = first == 0 ? zeros : RowSamples(m_picture, m_pixelBytes, first - 1, grey[0]);
        for (std::int32_t y = first; y < end; ++y) {
            const std::uint8_t* row = RowSamples(m_picture, m_pixelBytes, y, grey[(y - first + 1) % 2]);
            FilterPngRow(previous, row, m_rowBytes, m_pixelBytes,
                         out + static_cast<std::size_t>(y - first) * (m_rowBytes + 1), scratch, rule);
            previous = row;
        }
    }

private:
    const BMP_File& m_picture;
    std::size_t m_pixelBytes;
    std::size_t m_rowBytes;
    std::unique_ptr<std::uint8_t[]> m_buffers;
};

// Whether the run-length coder makes the smaller output of a sample of rows [first, end): the middle rows, one in
// kPngSampleShare, each filtered by the coder's own rule.
bool RunsDoBetter(RowFilter& filter, std::size_t rowBytes, std::int32_t first, std::int32_t end,
                  std::uint8_t* scratch) {
    const std::int32_t rows = std::max<std::int32_t>(1, (end - first) / kPngSampleShare);
    const std::int32_t from = first + (end - first - rows) / 2;
    const std::size_t size = static_cast<std::size_t>(rows) * (rowBytes + 1);
    DeflatedPiece matches, runs;
    filter.Filter(from, from + rows, PngFilterRule::WeightedSum, scratch);
    if (!DeflateMatches(scratch, size, true, matches)) return false;
    filter.Filter(from, from + rows, PngFilterRule::Entropy, scratch);
    if (!DeflateRuns(scratch, size, true, runs)) return false;
    return runs.size < matches.size;
}

// Filters rows [first, end) and deflates them into piece, by the coder that does better on a sample of them; adler
// gets the Adler-32 of the filtered bytes. Returns false when memory cannot be had or a compressor fails.
bool DeflateBand(const BMP_File& picture, std::size_t pixelBytes, std::int32_t first, std::int32_t end, bool last,
                 DeflatedPiece& piece, std::uint32_t& adler) {
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * pixelBytes;
    const std::size_t size = static_cast<std::size_t>(end - first) * (rowBytes + 1);
    const std::unique_ptr<std::uint8_t[]> filtered = TryAllocate(size);
    RowFilter filter(picture, pixelBytes);
    if (!filtered || !filter.ok()) return false;
    // The sample is filtered where the band will be: it is overwritten below.
    const bool runs = RunsDoBetter(filter, rowBytes, first, end, filtered.get());
    filter.Filter(first, end, runs ? PngFilterRule::Entropy : PngFilterRule::WeightedSum, filtered.get());
    adler = libdeflate_adler32(1, filtered.get(), size);
    return runs ? DeflateRuns(filtered.get(), size, last, piece) : DeflateMatches(filtered.get(), size, last, piece);
}

}  // namespace

bool IsGreyPicture(const BMP_File& picture) {
    const Pixel* pixels = picture.Data();
    const std::size_t count = picture.PixelCount();
    for (std::size_t i = 0; i < count; ++i) {
        if (pixels[i].r != pixels[i].g || pixels[i].r != pixels[i].b) return false;
    }
    return true;
}

void FilterPngRow(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::size_t pixelBytes,
                  std::uint8_t* out, std::uint8_t* scratch, PngFilterRule rule) {
    const std::uint8_t* candidates[5] = {row, scratch, scratch + size, scratch + 2 * size, scratch + 3 * size};
    if (pixelBytes == 1) {
        FilterSub<1>(row, size, scratch);
        FilterAverage<1>(previous, row, size, scratch + 2 * size);
        FilterPaeth<1>(previous, row, size, scratch + 3 * size);
    } else {
        FilterSub<3>(row, size, scratch);
        FilterAverage<3>(previous, row, size, scratch + 2 * size);
        FilterPaeth<3>(previous, row, size, scratch + 3 * size);
    }
    FilterUp(previous, row, size, scratch + size);
    // Both costs are exact in a double: the weighted sums are integers far below 2^53.
    const auto cost = [&](int filter) {
        if (rule == PngFilterRule::Entropy) return EntropyCost(candidates[filter], size);
        const std::uint64_t sum = AbsoluteSum(candidates[filter], size);
        const bool smooth = sum < kPngSmoothBytes * size;
        return static_cast<double>(sum * (smooth ? kPngSmoothWeight[filter] : kPngWeightScale));
    };
    int best = 0;
    double bestCost = cost(0);
    for (int filter = 1; filter < 5; ++filter) {
        if (const double c = cost(filter); c < bestCost) {
            best = filter;
            bestCost = c;
        }
    }
    out[0] = static_cast<std::uint8_t>(best);
    std::memcpy(out + 1, candidates[best], size);
}

bool MakeDeflateJoinable(std::uint8_t* piece, std::size_t& size, std::size_t rawSize) {
    // zlib's inflate, asked to stop at every block boundary, tells where each block starts; the output is not kept.
    if (size == 0 || size > std::numeric_limits<uInt>::max()) return false;  // a band is far smaller
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) return false;
    std::uint8_t junk[16384];
    stream.next_in = piece;
    stream.avail_in = static_cast<uInt>(size);
    std::size_t produced = 0;
    std::size_t lastBlock = 0;  // bit offset of the header of the block being decoded
    std::size_t end = 0;        // bit offset just after the last block
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = junk;
        stream.avail_out = sizeof junk;
        result = inflate(&stream, Z_BLOCK);
        produced += sizeof junk - stream.avail_out;
        if (result == Z_OK && (stream.data_type & 128) != 0) {
            // At the end of a block: the next block's header follows, or after the last block only padding.
            const std::size_t at = static_cast<std::size_t>(stream.next_in - piece) * 8 - (stream.data_type & 7);
            ((stream.data_type & 64) == 0 ? lastBlock : end) = at;
        }
    }
    const bool whole =
        result == Z_STREAM_END && stream.avail_in == 0 && produced == rawSize && end > 0 && (end + 7) / 8 == size;
    inflateEnd(&stream);
    const auto finalFlag = static_cast<std::uint8_t>(1u << (lastBlock % 8));
    if (!whole || (piece[lastBlock / 8] & finalFlag) == 0) return false;

    piece[lastBlock / 8] &= static_cast<std::uint8_t>(~finalFlag);
    const std::size_t unusedBits = size * 8 - end;  // the padding in the last byte
    // An empty stored block: three zero header bits in the padding (or in one more byte when fewer are left), the
    // rest of that byte, then a length of 0 and its complement.
    piece[size - 1] &= static_cast<std::uint8_t>(0xFF >> unusedBits);
    if (unusedBits < 3) piece[size++] = 0;
    for (std::uint8_t byte : {0x00, 0x00, 0xFF, 0xFF}) piece[size++] = byte;
    return true;
}

bool DeflatePngRows(const BMP_File& picture, int threads, DeflatedRows& out, PngSamples samples) {
    out.bands.clear();
    if (picture.IsEmpty()) return false;
    const std::size_t pixelBytes = samples == PngSamples::Grey ? 1 : 3;
    const std::size_t filteredRow = static_cast<std::size_t>(picture.Width()) * pixelBytes + 1;
    const auto rowsPerBand = static_cast<std::int32_t>(
        std::clamp<std::size_t>(kPngBandBytes / filteredRow, 1, static_cast<std::size_t>(picture.Height())));
    const std::int32_t bands = (picture.Height() + rowsPerBand - 1) / rowsPerBand;

    try {
        std::vector<DeflatedPiece> pieces(static_cast<std::size_t>(bands));
        std::vector<std::uint32_t> adlers(static_cast<std::size_t>(bands));
        std::atomic<std::int32_t> next{0};
        std::atomic<bool> failed{false};
        const auto work = [&]() noexcept {
            for (std::int32_t band = next.fetch_add(1); band < bands && !failed; band = next.fetch_add(1)) {
                const std::int32_t first = band * rowsPerBand;
                const std::int32_t end = std::min(picture.Height(), first + rowsPerBand);
                if (!DeflateBand(picture, pixelBytes, first, end, band + 1 == bands,
                                 pieces[static_cast<std::size_t>(band)], adlers[static_cast<std::size_t>(band)])) {
                    failed = true;
                }
            }
        };
        std::vector<std::thread> workers;
        for (int i = 1; i < std::min(threads, bands); ++i) {
            try {
                workers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // no more threads to be had: the others share the work
            }
        }
        work();
        for (std::thread& worker : workers) worker.join();
        if (failed) return false;

        std::uint32_t adler = adlers[0];
        for (std::int32_t band = 1; band < bands; ++band) {
            const std::int32_t rows = std::min(picture.Height() - band * rowsPerBand, rowsPerBand);
            adler = static_cast<std::uint32_t>(
                adler32_combine(adler, adlers[static_cast<std::size_t>(band)],
                                static_cast<z_off_t>(rows) * static_cast<z_off_t>(filteredRow)));
        }
        for (int i = 0; i < 4; ++i) out.trailer[i] = static_cast<std::uint8_t>(adler >> (24 - 8 * i));
        out.bands = std::move(pieces);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}
