#include "platform/PngDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>

namespace {

constexpr std::size_t kBytesPerPixel = 3;

std::uint32_t AbsoluteSum(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += static_cast<std::uint32_t>(std::abs(static_cast<std::int8_t>(bytes[i])));
    return sum;
}

// Each filter's loop reads only unfiltered bytes, so the compiler can run it on whole vectors; the first pixel,
// which has no left neighbour, is done apart.
void FilterSub(const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    const std::size_t head = std::min(size, kBytesPerPixel);
    for (std::size_t i = 0; i < head; ++i) out[i] = row[i];
    for (std::size_t i = kBytesPerPixel; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(row[i] - row[i - kBytesPerPixel]);
}

void FilterUp(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
}

void FilterAverage(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
    const std::size_t head = std::min(size, kBytesPerPixel);
    for (std::size_t i = 0; i < head; ++i) out[i] = static_cast<std::uint8_t>(row[i] - (previous[i] >> 1));
    for (std::size_t i = kBytesPerPixel; i < size; ++i) {
        const unsigned mean = (unsigned{row[i - kBytesPerPixel]} + previous[i]) >> 1;
        out[i] = static_cast<std::uint8_t>(row[i] - mean);
    }
}

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

// Deflates rows [first, end) into piece; returns false when memory cannot be had or zlib fails.
bool DeflateBand(const BMP_File& picture, std::int32_t first, std::int32_t end, bool last, DeflatedPiece& piece,
                 std::uint32_t& adler) {
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * kBytesPerPixel;
    std::unique_ptr<std::uint8_t[]> buffers(new (std::nothrow) std::uint8_t[rowBytes * 6 + 1]);
    if (!buffers) return false;
    std::uint8_t* zeros = buffers.get();
    std::uint8_t* filtered = zeros + rowBytes;  // rowBytes + 1
    std::uint8_t* scratch = filtered + rowBytes + 1;
    std::memset(zeros, 0, rowBytes);

    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) return false;
    const std::size_t inputBytes = static_cast<std::size_t>(end - first) * (rowBytes + 1);
    // A sync flush adds an empty stored block (5 bytes) to what deflateBound allows for.
    const std::size_t capacity = deflateBound(&stream, static_cast<uLong>(inputBytes)) + 64;
    piece.data.reset(new (std::nothrow) std::uint8_t[capacity]);
    if (!piece.data) {
        deflateEnd(&stream);
        return false;
    }
    stream.next_out = piece.data.get();
    stream.avail_out = static_cast<uInt>(capacity);
    adler = static_cast<std::uint32_t>(adler32(0, nullptr, 0));
    bool ok = true;
    for (std::int32_t y = first; y < end && ok; ++y) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(picture.Row(y));
        const auto* previous = y == 0 ? zeros : reinterpret_cast<const std::uint8_t*>(picture.Row(y - 1));
        FilterPngRow(previous, row, rowBytes, filtered, scratch);
        adler = static_cast<std::uint32_t>(adler32(adler, filtered, static_cast<uInt>(rowBytes + 1)));
        stream.next_in = filtered;
        stream.avail_in = static_cast<uInt>(rowBytes + 1);
        const int flush = y + 1 < end ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        const int result = deflate(&stream, flush);
        ok = stream.avail_in == 0 && (flush == Z_FINISH ? result == Z_STREAM_END : result == Z_OK) &&
             stream.avail_out > 0;
    }
    piece.size = capacity - stream.avail_out;
    deflateEnd(&stream);
    return ok;
}

}  // namespace

void FilterPngRow(const std::uint8_t* previous, const std::uint8_t* row, std::size_t size, std::uint8_t* out,
                  std::uint8_t* scratch) {
    std::uint8_t* candidates[4] = {scratch, scratch + size, scratch + 2 * size, scratch + 3 * size};
    FilterSub(row, size, candidates[0]);
    FilterUp(previous, row, size, candidates[1]);
    FilterAverage(previous, row, size, candidates[2]);
    FilterPaeth(previous, row, size, candidates[3]);
    int best = 0;
    std::uint32_t bestSum = AbsoluteSum(row, size);
    for (int filter = 1; filter <= 4; ++filter) {
        const std::uint32_t sum = AbsoluteSum(candidates[filter - 1], size);
        if (sum < bestSum) {
            best = filter;
            bestSum = sum;
        }
    }
    out[0] = static_cast<std::uint8_t>(best);
    std::memcpy(out + 1, best == 0 ? row : candidates[best - 1], size);
}

bool DeflatePngRows(const BMP_File& picture, int threads, DeflatedRows& out) {
    out.bands.clear();
    if (picture.IsEmpty()) return false;
    const std::size_t filteredRow = static_cast<std::size_t>(picture.Width()) * kBytesPerPixel + 1;
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
                if (!DeflateBand(picture, first, end, band + 1 == bands, pieces[static_cast<std::size_t>(band)],
                                 adlers[static_cast<std::size_t>(band)])) {
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
