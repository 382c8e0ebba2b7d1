#include "platform/RunLengthDeflate.h"

#include <zlib.h>

#include <limits>

#include "base/File.h"

bool DeflateRunLength(const std::uint8_t* data, std::size_t size, RunLengthStream kind,
                      std::unique_ptr<std::uint8_t[]>& out, std::size_t& outSize) {
    if (size > std::numeric_limits<uInt>::max()) return false;  // bands and strips are far smaller
    z_stream stream{};
    // The level makes no difference to this strategy; the largest memory level gives the longest blocks.
    const int windowBits = kind == RunLengthStream::Zlib ? 15 : -15;
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, windowBits, 9, Z_RLE) != Z_OK) return false;
    const std::unique_ptr<z_stream, decltype(&deflateEnd)> end(&stream, deflateEnd);
    const std::size_t capacity = deflateBound(&stream, static_cast<uLong>(size)) + 16;  // and a sync flush's 5 bytes
    out = TryAllocate(capacity);
    if (!out || capacity > std::numeric_limits<uInt>::max()) return false;
    stream.next_in = const_cast<std::uint8_t*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.get();
    stream.avail_out = static_cast<uInt>(capacity);
    const bool open = kind == RunLengthStream::RawOpen;
    const int result = deflate(&stream, open ? Z_SYNC_FLUSH : Z_FINISH);
    outSize = capacity - stream.avail_out;
    return stream.avail_in == 0 && (open ? result == Z_OK && stream.avail_out != 0 : result == Z_STREAM_END);
}
