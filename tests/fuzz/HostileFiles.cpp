#include "tests/fuzz/HostileFiles.h"

namespace hostile {

namespace {

void Put16(Bytes& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t value) {
    Put16(out, at, value);
    Put16(out, at + 2, value >> 16);
}

void Append(Bytes& out, std::initializer_list<unsigned> bytes) {
    for (const unsigned byte : bytes) out.push_back(static_cast<std::uint8_t>(byte));
}

// A marker segment: FF, the code, the length (itself included) and the payload.
void Segment(Bytes& out, std::uint8_t code, const Bytes& payload) {
    const std::size_t length = payload.size() + 2;
    Append(out, {0xFF, code, static_cast<unsigned>(length >> 8), static_cast<unsigned>(length & 0xFF)});
    out.insert(out.end(), payload.begin(), payload.end());
}

// Entropy-coded bits, most significant first, with a zero byte stuffed after every FF and the last byte padded with
// ones.
class BitWriter {
public:
    explicit BitWriter(Bytes& out) : m_out(out) {}
    void Put(std::uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = static_cast<std::uint8_t>(m_byte << 1 | ((bits >> i) & 1u));
            if (++m_count == 8) Flush();
        }
    }
    void Finish() {
        while (m_count != 0) Put(1, 1);
    }

private:
    void Flush() {
        m_out.push_back(m_byte);
        if (m_byte == 0xFF) m_out.push_back(0);
        m_byte = 0;
        m_count = 0;
    }
    Bytes& m_out;
    std::uint8_t m_byte = 0;
    int m_count = 0;
};

}  // namespace

Bytes BmpHeaderOnly(std::int32_t width, std::int32_t height) {
    Bytes out(54, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, 54);
    Put32(out, 10, 54);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<std::uint32_t>(width));
    Put32(out, 22, static_cast<std::uint32_t>(height));
    Put16(out, 26, 1);
    Put16(out, 28, 24);
    return out;
}

Bytes ProgressiveJpeg(std::uint32_t width, std::uint32_t height, int scans) {
    Bytes out;
    Append(out, {0xFF, 0xD8});
    Bytes table{0x00};  // quantisation table 0, 8-bit, every step 1
    table.resize(65, 1);
    Segment(out, 0xDB, table);
    Segment(out, 0xC2,
            {8, static_cast<std::uint8_t>(height >> 8), static_cast<std::uint8_t>(height),
             static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width), 1, 1, 0x11, 0});
    // Huffman tables of one 1-bit code each: DC category 0 (a zero difference: every block mid-grey) and AC EOB run
    // class 14 (runs of 16384 to 32767 blocks).
    Bytes dc{0x00, 1};
    dc.resize(17, 0);
    dc.push_back(0x00);
    Segment(out, 0xC4, dc);
    Bytes ac{0x10, 1};
    ac.resize(17, 0);
    ac.push_back(0xE0);
    Segment(out, 0xC4, ac);

    const std::uint64_t blocks = std::uint64_t{(width + 7) / 8} * ((height + 7) / 8);
    // DC first scan: one 0 bit a block.
    Segment(out, 0xDA, {1, 1, 0x00, 0, 0, 0x00});
    {
        BitWriter bits(out);
        for (std::uint64_t b = 0; b < blocks; ++b) bits.Put(0, 1);
        bits.Finish();
    }
    // The same AC first scan over and over: every block ends at once, in runs of at most 32767 blocks.
    Bytes acScan;
    Segment(acScan, 0xDA, {1, 1, 0x00, 1, 63, 0x00});
    {
        BitWriter bits(acScan);
        // A run longer than the blocks left simply ends with the scan.
        for (std::uint64_t left = blocks; left > 0; left -= left < 32767 ? left : 32767) {
            bits.Put(0, 1);
            bits.Put(0x3FFF, 14);
        }
        bits.Finish();
    }
    for (int scan = 1; scan < scans; ++scan) out.insert(out.end(), acScan.begin(), acScan.end());
    Append(out, {0xFF, 0xD9});
    return out;
}

std::string ResizeProfile(std::int64_t sizeX, std::int64_t sizeY) {
    return "[Settings]\r\nm_bResize=1\r\nm_nSizeX=" + std::to_string(sizeX) + "\r\nm_nSizeY=" + std::to_string(sizeY) +
           "\r\n";
}

std::string StoreWithKeys(int keys) {
    std::string text = "; many keys\n";
    for (int i = 0; i < keys; ++i) {
        text += "[K" + std::to_string(i) + "]\n";
    }
    return text;
}

}  // namespace hostile
