#pragma once
// zlib's run-length strategy, which repeats only the byte before: on soft, smooth pictures it makes smaller output
// than libdeflate, whose short matches there cost more bits than the literals they replace. Used by the PNG and TIFF
// writers for the bands or strips where it does better.

#include <cstddef>
#include <cstdint>
#include <memory>

enum class RunLengthStream {
    RawOpen,      // raw deflate ended by a sync flush: open on a byte boundary, so that more deflate data may follow
    RawComplete,  // raw deflate with its final block
    Zlib,         // a complete zlib stream (header and Adler-32)
};

// Deflates `size` bytes into a new buffer `out` of `outSize` bytes. False when memory cannot be had or zlib fails.
bool DeflateRunLength(const std::uint8_t* data, std::size_t size, RunLengthStream kind,
                      std::unique_ptr<std::uint8_t[]>& out, std::size_t& outSize);
