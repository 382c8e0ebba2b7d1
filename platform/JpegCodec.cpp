#include "platform/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

// libjpeg reports errors through error_exit, which must not return: it jumps back to a setjmp. Every function below
// that calls setjmp holds only plain locals and keeps its results in the plain structures passed to it; the RAII
// owners of the library's structures live in the callers.

namespace {

// A progressive file may carry any number of scans over the same coefficients; encoders write a dozen or so. Every
// scan of a progressive file costs a pass over the whole picture's coefficients, so a small file of a thousand
// empty scans would cost minutes: more than kMaxScans are refused, counted in the bytes before anything is
// allocated, and again by the progress monitor while the library reads.
constexpr int kMaxScans = 100;
constexpr char kTooManyScans[] = "more than 100 scans; no encoder writes that many";

// The largest side the library writes (JPEG_MAX_DIMENSION).
constexpr std::int64_t kMaxJpegSide = 65500;

// Rows handed to the library per call.
constexpr int kRowBatch = 16;

// The error manager of one decode or encode: the library's manager first, so that the j_common_ptr's err can be
// cast back to it.
struct JpegError {
    jpeg_error_mgr manager;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

JpegError* ErrorOf(j_common_ptr info) {
    return reinterpret_cast<JpegError*>(info->err);
}

[[noreturn]] void FailWith(j_common_ptr info, const char* text) {
    JpegError* error = ErrorOf(info);
    std::strncpy(error->message, text, JMSG_LENGTH_MAX - 1);
    error->message[JMSG_LENGTH_MAX - 1] = '\0';
    std::longjmp(error->jump, 1);
}

[[noreturn]] void OnJpegError(j_common_ptr info) {
    JpegError* error = ErrorOf(info);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings the library gives for damaged data, where it carries on with grey or smeared blocks: each is an error
// here. Other warnings (an unknown JFIF revision, stray bytes between markers) leave the picture whole and pass.
bool DamagesPicture(int code) {
    switch (code) {
        case JWRN_ARITH_BAD_CODE:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_JPEG_EOF:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

void OnJpegMessage(j_common_ptr info, int level) {
    if (level < 0 && DamagesPicture(info->err->msg_code)) OnJpegError(info);
}

void OnJpegOutput(j_common_ptr) {}  // nothing goes to stderr

void OnJpegProgress(j_common_ptr info) {
    if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        FailWith(info, kTooManyScans);
    }
}

void InitError(JpegError& error) {
    jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.emit_message = OnJpegMessage;
    error.manager.output_message = OnJpegOutput;
    error.progress = {};
    error.progress.progress_monitor = OnJpegProgress;
    error.message[0] = '\0';
}

// Owners of the library's structures. Creating one can itself fail (memory), so creation goes through setjmp too.
struct JpegDecoder {
    jpeg_decompress_struct info{};
    JpegError error{};
    bool created = false;

    JpegDecoder() = default;
    ~JpegDecoder() {
        if (created) jpeg_destroy_decompress(&info);
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
};

// The destination of an encode: whole buffers go to the sink; a failed write ends the encode.
struct JpegDestination {
    jpeg_destination_mgr manager;  // first, so that info->dest can be cast back
    codec::EncodeSink* sink = nullptr;
    JOCTET buffer[1 << 16];
};

struct JpegEncoder {
    jpeg_compress_struct info{};
    JpegError error{};
    JpegDestination destination{};
    bool created = false;

    JpegEncoder() = default;
    ~JpegEncoder() {
        if (created) jpeg_destroy_compress(&info);
    }
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;
};

JpegDestination* DestinationOf(j_compress_ptr info) {
    return reinterpret_cast<JpegDestination*>(info->dest);
}

void InitDestination(j_compress_ptr info) {
    JpegDestination* destination = DestinationOf(info);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = sizeof destination->buffer;
}

boolean EmptyDestination(j_compress_ptr info) {
    JpegDestination* destination = DestinationOf(info);
    if (!destination->sink->Write(destination->buffer, sizeof destination->buffer)) {
        FailWith(reinterpret_cast<j_common_ptr>(info), "the file could not be written");
    }
    InitDestination(info);
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    JpegDestination* destination = DestinationOf(info);
    const std::size_t used = sizeof destination->buffer - destination->manager.free_in_buffer;
    if (!destination->sink->Write(destination->buffer, used)) {
        FailWith(reinterpret_cast<j_common_ptr>(info), "the file could not be written");
    }
}

struct JpegHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool cmyk = false;      // four channels out, converted here
    bool inverted = false;  // CMYK stored inverted (Adobe's marker present)
    Resolution resolution;  // from the JFIF marker when it gives dots per inch or per centimetre
};

bool JpegReadHeader(JpegDecoder* decoder, const std::uint8_t* data, std::size_t size, JpegHeader* header) {
    if (setjmp(decoder->error.jump)) return false;
    decoder->info.err = &decoder->error.manager;
    jpeg_create_decompress(&decoder->info);
    decoder->created = true;
    decoder->info.progress = &decoder->error.progress;
    jpeg_mem_src(&decoder->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&decoder->info, TRUE);
    header->width = decoder->info.image_width;
    header->height = decoder->info.image_height;
    const J_COLOR_SPACE space = decoder->info.jpeg_color_space;
    header->cmyk = space == JCS_CMYK || space == JCS_YCCK;
    header->inverted = header->cmyk && decoder->info.saw_Adobe_marker;
    const jpeg_decompress_struct& info = decoder->info;
    if (info.saw_JFIF_marker && (info.density_unit == 1 || info.density_unit == 2) && info.X_density > 0 &&
        info.Y_density > 0) {
        const double perInch = info.density_unit == 1 ? 1.0 : 2.54;
        header->resolution = {codec::DotsPerInch(info.X_density * perInch), codec::DotsPerInch(info.Y_density * perInch)};
    }
    decoder->info.out_color_space = header->cmyk ? JCS_CMYK : JCS_EXT_RGB;
    return true;
}

// CMYK to RGB: each colour channel is the product of its own ink and the black ink, both as coverage fractions.
void CmykRow(const std::uint8_t* cmyk, Pixel* out, std::int32_t width, bool inverted) {
    const auto product = [](unsigned a, unsigned b) {
        const unsigned x = a * b + 128;
        return static_cast<std::uint8_t>((x + (x >> 8)) >> 8);
    };
    for (std::int32_t x = 0; x < width; ++x, cmyk += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = Pixel{product(c, k), product(m, k), product(y, k)};
    }
}

// RGB rows go straight into the picture; CMYK rows go through `cmyk` (kRowBatch rows of four bytes a pixel).
bool JpegReadPixels(JpegDecoder* decoder, BMP_File* picture, std::uint8_t* cmyk, bool inverted) {
    if (setjmp(decoder->error.jump)) return false;
    j_decompress_ptr info = &decoder->info;
    jpeg_start_decompress(info);
    if (info->output_width != static_cast<JDIMENSION>(picture->Width()) ||
        info->output_height != static_cast<JDIMENSION>(picture->Height()) ||
        info->output_components != (cmyk != nullptr ? 4 : 3)) {
        FailWith(reinterpret_cast<j_common_ptr>(info), "unexpected output layout");
    }
    const std::size_t cmykStride = static_cast<std::size_t>(picture->Width()) * 4;
    while (info->output_scanline < info->output_height) {
        const JDIMENSION first = info->output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, info->output_height - first);
        JSAMPROW rows[kRowBatch];
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = cmyk != nullptr ? cmyk + i * cmykStride
                                      : reinterpret_cast<JSAMPROW>(picture->Row(static_cast<std::int32_t>(first + i)));
        }
        const JDIMENSION read = jpeg_read_scanlines(info, rows, count);
        if (read == 0) FailWith(reinterpret_cast<j_common_ptr>(info), "no rows decoded");
        if (cmyk != nullptr) {
            for (JDIMENSION i = 0; i < read; ++i) {
                CmykRow(rows[i], picture->Row(static_cast<std::int32_t>(first + i)), picture->Width(), inverted);
            }
        }
    }
    jpeg_finish_decompress(info);  // reads on to the end marker: a cut-off file shows here
    return true;
}

bool JpegWriteAll(JpegEncoder* encoder, const BMP_File* picture, int quality) {
    if (setjmp(encoder->error.jump)) return false;
    j_compress_ptr info = &encoder->info;
    info->err = &encoder->error.manager;
    jpeg_create_compress(info);
    encoder->created = true;
    encoder->destination.manager.init_destination = InitDestination;
    encoder->destination.manager.empty_output_buffer = EmptyDestination;
    encoder->destination.manager.term_destination = TermDestination;
    info->dest = &encoder->destination.manager;
    info->image_width = static_cast<JDIMENSION>(picture->Width());
    info->image_height = static_cast<JDIMENSION>(picture->Height());
    info->input_components = 3;
    info->in_color_space = JCS_EXT_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        const JDIMENSION first = info->next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, info->image_height - first);
        JSAMPROW rows[kRowBatch];
        for (JDIMENSION i = 0; i < count; ++i) {
            // The library only reads the rows it is given.
            rows[i] = const_cast<JSAMPROW>(
                reinterpret_cast<const JSAMPLE*>(picture->Row(static_cast<std::int32_t>(first + i))));
        }
        jpeg_write_scanlines(info, rows, count);
    }
    jpeg_finish_compress(info);
    return true;
}

// The number of scans (start-of-scan markers) the library would read in bytes, counting no further than limit + 1.
// Marker segments are skipped by their lengths and entropy-coded data up to the next marker (a 0xFF not followed by
// a stuffed zero or a restart code), as the library itself finds markers; reading ends at the end-of-image marker.
int CountScans(std::span<const std::uint8_t> bytes, int limit) {
    int scans = 0;
    std::size_t i = 2;  // after the start-of-image marker
    const std::size_t size = bytes.size();
    while (i < size && scans <= limit) {
        if (bytes[i] != 0xFF) {  // stray bytes between segments: the library skips them too
            ++i;
            continue;
        }
        while (i < size && bytes[i] == 0xFF) ++i;  // fill bytes
        if (i >= size) break;
        const std::uint8_t marker = bytes[i++];
        if (marker == 0xD9) break;                                                             // end of image
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (i + 2 > size) break;
        const std::size_t length = std::size_t{bytes[i]} << 8 | bytes[i + 1];
        if (length < 2) break;
        i += length;
        if (marker != 0xDA) continue;
        ++scans;
        // The entropy-coded data of the scan runs to the next marker.
        while (i + 1 < size &&
               !(bytes[i] == 0xFF && bytes[i + 1] != 0x00 && (bytes[i + 1] < 0xD0 || bytes[i + 1] > 0xD7))) {
            ++i;
        }
    }
    return scans;
}

}  // namespace

Status DecodeJpeg(const std::string& path, std::span<const std::uint8_t> bytes, BMP_File& picture,
                  Resolution* resolution) {
    if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) {
        return Status::Error(path + ": not a JPEG file");
    }
    if (const int scans = CountScans(bytes, kMaxScans); scans > kMaxScans) {
        return Status::Error(path + ": invalid JPEG file (" + kTooManyScans + ")");
    }
    auto decoder = std::make_unique<JpegDecoder>();
    InitError(decoder->error);
    const auto failed = [&] { return Status::Error(path + ": invalid JPEG file (" + decoder->error.message + ")"); };

    JpegHeader header;
    if (!JpegReadHeader(decoder.get(), bytes.data(), bytes.size(), &header)) return failed();
    BMP_File decoded;
    if (Status shaped = codec::ShapePicture(path, header.width, header.height, decoded); !shaped) return shaped;
    std::unique_ptr<std::uint8_t[]> cmyk;
    if (header.cmyk) {
        cmyk = codec::TryAllocate(std::size_t{header.width} * 4 * kRowBatch);
        if (!cmyk) return Status::Error(path + ": not enough memory to read the JPEG file");
    }
    if (!JpegReadPixels(decoder.get(), &decoded, cmyk.get(), header.inverted)) return failed();
    picture.Swap(decoded);
    if (resolution != nullptr) *resolution = header.resolution;
    return Status::Ok();
}

Status EncodeJpeg(const std::string& path, const BMP_File& picture, codec::EncodeSink& sink, int quality) {
    if (Status fits = codec::CheckEncodeSize(path, picture, "JPEG", kMaxJpegSide); !fits) return fits;
    auto encoder = std::make_unique<JpegEncoder>();
    InitError(encoder->error);
    encoder->destination.sink = &sink;
    if (!JpegWriteAll(encoder.get(), &picture, quality)) {
        return Status::Error(path + ": cannot encode as JPEG (" + encoder->error.message + ")");
    }
    return Status::Ok();
}
