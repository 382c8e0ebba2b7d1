#pragma once
// Builds a 24-bit RGB page from the bytes of its frames as a scanner delivers them: any number of bytes at a time
// (reads are not row-aligned), rows of `bytesPerLine` bytes of which the first `pixelsPerLine` pixels count.
// - Gray: 1-bit (a set bit is black, most significant bit first), 8-bit, 16-bit (machine byte order, high byte
//   kept); each grey value goes to red, green and blue.
// - Rgb: 8 and 16-bit samples in the order red, green, blue; 1-bit with three bits per pixel (a set bit is full).
// - Red, Green, Blue: one channel each, three frames of one size; channels not yet delivered are black.
// - lines -1: the page grows row by row and its height is known at EndFrame.
// Sizes are checked against the picture limit before anything is allocated. No Qt.

#include <cstdint>
#include <vector>

#include "imaging/BMP_File.h"
#include "platform/Scanner.h"

class PageAssembler {
public:
    // Starts a frame. Fails for a depth or size the page cannot take, or a frame that does not match the first.
    ScanCode BeginFrame(const FrameParams& params);
    // Takes the next bytes of the frame; bytes beyond the frame's rows are ignored.
    ScanCode Feed(const std::uint8_t* data, std::int32_t length);
    // Ends the frame. A frame that ended early keeps the rows it brought (the first frame sets the page's height).
    ScanCode EndFrame();

    // Bytes of one frame; -1 while its height is unknown.
    std::int64_t FrameBytes() const;
    std::int32_t RowsDone() const { return m_row; }

    // The page; the assembler is empty afterwards.
    BMP_File Take();

private:
    void ConvertRow(const std::uint8_t* source, Pixel* target) const;
    Pixel* TargetRow();

    FrameParams m_params;
    bool m_first = true;
    std::int32_t m_width = 0;
    std::int32_t m_height = -1;  // the page's, once known
    std::int32_t m_row = 0;      // rows of the current frame done
    std::vector<std::uint8_t> m_partial;
    std::size_t m_partialFill = 0;
    std::vector<Pixel> m_grown;  // rows of a first frame of unknown height
    BMP_File m_page;
};
