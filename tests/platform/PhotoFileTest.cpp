// Photographs: the EXIF orientation turns a JPEG or PNG upright on loading; EXIF data and the ICC profile go along
// into a JPEG or PNG saved from it, upright, without the old thumbnail, with the new size. Fixtures are made with
// Exiv2 itself.

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <exiv2/exiv2.hpp>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "imaging/Orientation.h"
#include "platform/PhotoFile.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::SamePixels;

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void PutBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// A profile Exiv2 takes as credible: its own length in the first four bytes, "acsp" at 36.
std::vector<std::uint8_t> FakeIcc() {
    std::vector<std::uint8_t> icc(200, 7);
    icc[0] = 0;
    icc[1] = 0;
    icc[2] = 0;
    icc[3] = 200;
    std::memcpy(icc.data() + 36, "acsp", 4);
    return icc;
}

Exiv2::ExifData CameraExif(std::int32_t orientation, std::int32_t width, std::int32_t height) {
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Lumivane Test Camera";
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
    exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
    exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
    return exif;
}

// A picture with four quarters of distinct colours, which survive JPEG.
BMP_File Quarters(std::int32_t width, std::int32_t height) {
    BMP_File picture;
    EXPECT_TRUE(picture.Reshape(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            picture.Row(y)[x] = Pixel{static_cast<std::uint8_t>(right ? 255 : 0),
                                      static_cast<std::uint8_t>(bottom ? 255 : 0), static_cast<std::uint8_t>(40)};
        }
    }
    return picture;
}

bool Near(Pixel a, Pixel b) {
    return std::abs(a.r - b.r) < 40 && std::abs(a.g - b.g) < 40 && std::abs(a.b - b.b) < 40;
}

// A JPEG of a quarters picture with the camera's metadata, an ICC profile and a thumbnail.
void WriteCameraJpeg(const std::string& path, std::int32_t orientation, testsupport::TempDir& dir) {
    ASSERT_TRUE(WriteImageFile(path, Quarters(64, 48), ImageFormat::Jpeg).ok());
    ASSERT_TRUE(WriteImageFile(dir.File("thumb.jpg"), Quarters(8, 6), ImageFormat::Jpeg).ok());
    Exiv2::ExifData exif = CameraExif(orientation, 64, 48);
    const std::vector<std::uint8_t> thumb = Bytes(dir.File("thumb.jpg"));
    Exiv2::ExifThumb(exif).setJpegThumbnail(thumb.data(), static_cast<long>(thumb.size()));
    auto image = Exiv2::ImageFactory::open(path);
    image->setExifData(exif);
    std::vector<std::uint8_t> icc = FakeIcc();
    Exiv2::DataBuf buffer(icc.data(), static_cast<long>(icc.size()));
    image->setIccProfile(buffer, true);
    image->writeMetadata();
}

TEST(Orientation, EveryTagPutsTheStoredCornersWhereTheyAreSeenAndItsInverseUndoesIt) {
    std::mt19937 random(3);
    const BMP_File stored = testsupport::RandomImage(random, 5, 3);
    const Pixel topLeft = stored.Row(0)[0], topRight = stored.Row(0)[4];
    struct Case {
        std::int32_t tag, inverse;
        std::int32_t w, h;         // seen size
        std::int32_t tlx, tly;     // where the stored top-left corner is seen
        std::int32_t trx, try_;    // where the stored top-right corner is seen
    };
    const Case cases[] = {
        {1, 1, 5, 3, 0, 0, 4, 0}, {2, 2, 5, 3, 4, 0, 0, 0}, {3, 3, 5, 3, 4, 2, 0, 2}, {4, 4, 5, 3, 0, 2, 4, 2},
        {5, 5, 3, 5, 0, 0, 0, 4}, {6, 8, 3, 5, 2, 0, 2, 4}, {7, 7, 3, 5, 2, 4, 2, 0}, {8, 6, 3, 5, 0, 4, 0, 0},
        {9, 9, 5, 3, 0, 0, 4, 0},
    };
    for (const Case& c : cases) {
        BMP_File seen = testsupport::Copy(stored);
        ASSERT_TRUE(ApplyOrientation(seen, c.tag));
        ASSERT_EQ(seen.Width(), c.w) << c.tag;
        ASSERT_EQ(seen.Height(), c.h) << c.tag;
        EXPECT_EQ(seen.Row(c.tly)[c.tlx], topLeft) << c.tag;
        EXPECT_EQ(seen.Row(c.try_)[c.trx], topRight) << c.tag;
        ASSERT_TRUE(ApplyOrientation(seen, c.inverse));
        EXPECT_TRUE(SamePixels(stored, seen)) << c.tag;
    }
}

TEST(PhotoFile, AJpegComesInUprightWithItsMetadataAndGoesOutUprightWithoutThumbnail) {
    testsupport::TempDir dir;
    const std::string camera = dir.File("camera.jpg");
    WriteCameraJpeg(camera, 6, dir);
    BMP_File picture;
    PhotoMetadata metadata;
    ASSERT_TRUE(ReadPhotoFile(camera, picture, metadata).ok());
    // A quarter turn clockwise: the stored top-left (black-ish) quarter is seen at the top right.
    ASSERT_EQ(picture.Width(), 48);
    ASSERT_EQ(picture.Height(), 64);
    EXPECT_TRUE(Near(picture.Row(2)[45], Pixel{0, 0, 40}));
    EXPECT_TRUE(Near(picture.Row(2)[2], Pixel{0, 255, 40})) << "stored bottom-left";
    EXPECT_EQ(metadata.orientation, 6);
    EXPECT_EQ(metadata.icc, FakeIcc());

    // Saved as JPEG and PNG, cut to a new size: upright, the camera's notes kept, no thumbnail, the new size.
    BMP_File cut;
    ASSERT_TRUE(cut.Reshape(30, 20));
    for (std::int32_t y = 0; y < 20; ++y) std::copy_n(picture.Row(y), 30, cut.Row(y));
    for (const auto& [name, format] : {std::pair{"out.jpg", ImageFormat::Jpeg}, std::pair{"out.png", ImageFormat::Png}}) {
        const std::string out = dir.File(name);
        ASSERT_TRUE(WritePhotoFile(out, cut, format, metadata).ok()) << name;
        auto image = Exiv2::ImageFactory::open(out);
        image->readMetadata();
        Exiv2::ExifData& exif = image->exifData();
        EXPECT_EQ(exif["Exif.Image.Orientation"].toLong(), 1) << name;
        EXPECT_EQ(exif["Exif.Image.Make"].toString(), "Lumivane Test Camera") << name;
        EXPECT_EQ(exif["Exif.Photo.PixelXDimension"].toLong(), 30) << name;
        EXPECT_EQ(exif["Exif.Photo.PixelYDimension"].toLong(), 20) << name;
        EXPECT_EQ(Exiv2::ExifThumbC(exif).copy().size_, 0) << name;
        ASSERT_TRUE(image->iccProfileDefined()) << name;
        const Exiv2::DataBuf* icc = image->iccProfile();
        EXPECT_EQ(std::vector<std::uint8_t>(icc->pData_, icc->pData_ + icc->size_), FakeIcc()) << name;
        // Loaded again it is not turned a second time.
        BMP_File again;
        PhotoMetadata kept;
        ASSERT_TRUE(ReadPhotoFile(out, again, kept).ok()) << name;
        EXPECT_EQ(again.Width(), 30) << name;
        if (format == ImageFormat::Png) {
            EXPECT_TRUE(SamePixels(cut, again));
        }
    }
    // BMP and GIF carry no metadata: the codecs' own bytes.
    ASSERT_TRUE(WritePhotoFile(dir.File("a.bmp"), cut, ImageFormat::Bmp, metadata).ok());
    ASSERT_TRUE(WriteImageFile(dir.File("b.bmp"), cut, ImageFormat::Bmp).ok());
    EXPECT_EQ(Bytes(dir.File("a.bmp")), Bytes(dir.File("b.bmp")));
}

TEST(PhotoFile, APngEXIfChunkTurnsThePicture) {
    testsupport::TempDir dir;
    std::mt19937 random(9);
    const BMP_File stored = testsupport::RandomImage(random, 7, 4);
    const std::string path = dir.File("shot.png");
    ASSERT_TRUE(WriteImageFile(path, stored, ImageFormat::Png).ok());
    // An eXIf chunk right after IHDR (8 bytes of signature, 25 of IHDR).
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, CameraExif(3, 7, 4));
    std::vector<std::uint8_t> chunk = {static_cast<std::uint8_t>(tiff.size() >> 24),
                                       static_cast<std::uint8_t>(tiff.size() >> 16),
                                       static_cast<std::uint8_t>(tiff.size() >> 8), static_cast<std::uint8_t>(tiff.size()),
                                       'e', 'X', 'I', 'f'};
    chunk.insert(chunk.end(), tiff.begin(), tiff.end());
    const uLong crc = crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4));
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
    std::vector<std::uint8_t> png = Bytes(path);
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());
    PutBytes(path, png);

    BMP_File picture;
    PhotoMetadata metadata;
    ASSERT_TRUE(ReadPhotoFile(path, picture, metadata).ok());
    BMP_File expected = testsupport::Copy(stored);
    ASSERT_TRUE(ApplyOrientation(expected, 3));
    EXPECT_TRUE(SamePixels(expected, picture));
    EXPECT_EQ(metadata.orientation, 3);
}

TEST(PhotoFile, AFailedSaveLeavesTheTargetAndNoScratchFile) {
    testsupport::TempDir dir;
    WriteCameraJpeg(dir.File("camera.jpg"), 1, dir);
    BMP_File picture;
    PhotoMetadata metadata;
    ASSERT_TRUE(ReadPhotoFile(dir.File("camera.jpg"), picture, metadata).ok());
    std::filesystem::create_directory(dir.File("locked"));
    std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const Status saved = WritePhotoFile(dir.File("locked/out.jpg"), picture, ImageFormat::Jpeg, metadata);
    if (::geteuid() != 0) {
        EXPECT_FALSE(saved.ok());
        EXPECT_NE(saved.message().find("locked/out.jpg"), std::string::npos) << saved.message();
    }
    std::filesystem::permissions(dir.File("locked"), std::filesystem::perms::owner_all);
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("locked"))) {
        EXPECT_EQ(entry.path().filename(), "out.jpg") << "only the target, never a scratch file";
    }
}

}  // namespace
