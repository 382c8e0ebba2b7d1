#include "platform/PageAssembler.h"

#include <algorithm>
#include <cstring>

#include "base/Limits.h"
#include "platform/ScanCodes.h"

using namespace scan;

namespace {

bool IsChannel(FrameFormat format) {
    return format == FrameFormat::Red || format == FrameFormat::Green || format == FrameFormat::Blue;
}

std::uint8_t Sample16(const std::uint8_t* at) {
    std::uint16_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return static_cast<std::uint8_t>(value >> 8);
}

bool Bit(const std::uint8_t* row, std::int64_t index) {
    return ((row[index / 8] >> (7 - index % 8)) & 1) != 0;
}

}  // namespace

ScanCode PageAssembler::BeginFrame(const FrameParams& params) {
    if (params.depth != 1 && params.depth != 8 && params.depth != 16) return {kBitsNotSupported, 0};
    const std::int64_t samples = params.format == FrameFormat::Rgb ? 3 : 1;
    const std::int64_t needed = (params.pixelsPerLine * samples * params.depth + 7) / 8;
    if (params.pixelsPerLine < 1 || params.bytesPerLine < needed || params.lines < -1 || params.lines == 0) {
        return {kInvalidData, 0};
    }
    if (params.lines > 0 && !FitsPictureLimit(params.pixelsPerLine, params.lines)) return {kNoMemory, 0};
    if (!FitsPictureLimit(params.pixelsPerLine, 1)) return {kNoMemory, 0};
    if (m_first) {
        m_width = params.pixelsPerLine;
        if (params.lines > 0) {
            if (!m_page.Create(m_width, params.lines)) return {kNoMemory, 0};
            m_height = params.lines;
        }
    } else {
        // Later frames (three-pass) add channels to the page the first made.
        if (!IsChannel(params.format) || !IsChannel(m_params.format) || params.pixelsPerLine != m_width ||
            (params.lines > 0 && params.lines != m_height)) {
            return {kInvalidData, 0};
        }
    }
    m_params = params;
    m_row = 0;
    m_partial.assign(static_cast<std::size_t>(params.bytesPerLine), 0);
    m_partialFill = 0;
    return {};
}

Pixel* PageAssembler::TargetRow() {
    if (m_height >= 0) return m_row < m_height ? m_page.Row(m_row) : nullptr;
    // A first frame of unknown height grows.
    if (!FitsPictureLimit(m_width, static_cast<std::int64_t>(m_row) + 1)) return nullptr;
    m_grown.resize(static_cast<std::size_t>(m_row + 1) * static_cast<std::size_t>(m_width), Pixel{0, 0, 0});
    return m_grown.data() + static_cast<std::size_t>(m_row) * static_cast<std::size_t>(m_width);
}

ScanCode PageAssembler::Feed(const std::uint8_t* data, std::int32_t length) {
    const std::size_t bpl = m_partial.size();
    std::size_t at = 0;
    const auto total = static_cast<std::size_t>(std::max(length, 0));
    while (at < total) {
        const std::uint8_t* rowBytes = nullptr;
        std::size_t taken = 0;
        if (m_partialFill == 0 && total - at >= bpl) {
            rowBytes = data + at;  // a whole row in place
            taken = bpl;
        } else {
            taken = std::min(bpl - m_partialFill, total - at);
            std::memcpy(m_partial.data() + m_partialFill, data + at, taken);
            m_partialFill += taken;
            if (m_partialFill == bpl) {
                rowBytes = m_partial.data();
                m_partialFill = 0;
            }
        }
        at += taken;
        if (rowBytes == nullptr) continue;
        Pixel* target = nullptr;
        try {
            target = TargetRow();
        } catch (const std::bad_alloc&) {
            return {kNoMemory, 0};
        }
        if (target == nullptr) {
            if (m_height < 0) return {kNoMemory, 0};
            continue;  // rows beyond the promised height are dropped
        }
        ConvertRow(rowBytes, target);
        ++m_row;
    }
    return {};
}

void PageAssembler::ConvertRow(const std::uint8_t* s, Pixel* t) const {
    const std::int32_t w = m_width;
    switch (m_params.format) {
        case FrameFormat::Gray:
            for (std::int32_t x = 0; x < w; ++x) {
                std::uint8_t v = 0;
                if (m_params.depth == 8) v = s[x];
                else if (m_params.depth == 16) v = Sample16(s + 2 * x);
                else v = Bit(s, x) ? 0 : 255;
                t[x] = Pixel{v, v, v};
            }
            break;
        case FrameFormat::Rgb:
            if (m_params.depth == 8) {
                std::memcpy(t, s, static_cast<std::size_t>(w) * sizeof(Pixel));
                break;
            }
            for (std::int32_t x = 0; x < w; ++x) {
                if (m_params.depth == 16) {
                    t[x] = Pixel{Sample16(s + 6 * x), Sample16(s + 6 * x + 2), Sample16(s + 6 * x + 4)};
                } else {
                    const std::int64_t b = 3 * static_cast<std::int64_t>(x);
                    t[x] = Pixel{static_cast<std::uint8_t>(Bit(s, b) ? 255 : 0),
                                 static_cast<std::uint8_t>(Bit(s, b + 1) ? 255 : 0),
                                 static_cast<std::uint8_t>(Bit(s, b + 2) ? 255 : 0)};
                }
            }
            break;
        case FrameFormat::Red:
        case FrameFormat::Green:
        case FrameFormat::Blue: {
            std::uint8_t Pixel::*channel = m_params.format == FrameFormat::Red     ? &Pixel::r
                                           : m_params.format == FrameFormat::Green ? &Pixel::g
                                                                                   : &Pixel::b;
            for (std::int32_t x = 0; x < w; ++x) {
                std::uint8_t v = 0;
                if (m_params.depth == 8) v = s[x];
                else if (m_params.depth == 16) v = Sample16(s + 2 * x);
                else v = Bit(s, x) ? 255 : 0;
                t[x].*channel = v;
            }
            break;
        }
    }
}

ScanCode PageAssembler::EndFrame() {
    if (m_first) {
        if (m_height < 0) {
            // The height is known now: the grown rows become the page.
            if (m_row == 0) return {kNoData, 0};
            if (!m_page.Create(m_width, m_row)) return {kNoMemory, 0};
            std::memcpy(m_page.Data(), m_grown.data(), m_page.PixelCount() * sizeof(Pixel));
            std::vector<Pixel>().swap(m_grown);
        } else if (m_row < m_height) {
            // Ended early: the rows delivered.
            if (m_row == 0) return {kNoData, 0};
            BMP_File shorter;
            if (!shorter.Create(m_width, m_row)) return {kNoMemory, 0};
            std::memcpy(shorter.Data(), m_page.Data(), shorter.PixelCount() * sizeof(Pixel));
            m_page = std::move(shorter);
        }
        m_height = m_page.Height();
        m_first = false;
    }
    return {};
}

std::int64_t PageAssembler::FrameBytes() const {
    if (m_height < 0 && m_params.lines < 0) return -1;
    const std::int64_t lines = m_height >= 0 ? m_height : m_params.lines;
    return lines * m_params.bytesPerLine;
}

BMP_File PageAssembler::Take() {
    BMP_File page = std::move(m_page);
    *this = PageAssembler();
    return page;
}
