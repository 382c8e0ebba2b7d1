// lumivane-cli with photographs: a JPEG turned by its EXIF orientation comes out upright, with the camera's notes
// and colour profile kept and the orientation reset.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <exiv2/exiv2.hpp>
#include <random>
#include <string>

#include "imaging/Orientation.h"
#include "platform/PhotoFile.h"
#include "tests/support/TestSupport.h"

namespace {

int RunCli(const std::string& arguments) {
    const int raw = std::system((std::string("'") + LUMIVANE_CLI + "' " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(CliPhoto, ATurnedPngComesOutUprightWithItsNotesAndProfile) {
    testsupport::TempDir dir;
    std::mt19937 random(4);
    const BMP_File stored = testsupport::RandomImage(random, 40, 30);
    const std::string in = dir.File("in.png");
    ASSERT_TRUE(WriteImageFile(in, stored, ImageFormat::Png).ok());
    {
        auto image = Exiv2::ImageFactory::open(in);
        Exiv2::ExifData exif;
        exif["Exif.Image.Make"] = "Lumivane Test Camera";
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(8);
        image->setExifData(exif);
        image->writeMetadata();
    }
    const std::string out = dir.File("out.png");
    ASSERT_EQ(RunCli("apply '" + in + "' -o '" + out + "'"), 0);
    BMP_File written;
    PhotoMetadata metadata;
    ASSERT_TRUE(ReadPhotoFile(out, written, metadata).ok());
    BMP_File expected = testsupport::Copy(stored);
    ASSERT_TRUE(ApplyOrientation(expected, 8));
    EXPECT_TRUE(testsupport::SamePixels(expected, written));
    EXPECT_EQ(metadata.orientation, 1);
    auto image = Exiv2::ImageFactory::open(out);
    image->readMetadata();
    EXPECT_EQ(image->exifData()["Exif.Image.Make"].toString(), "Lumivane Test Camera");
}

}  // namespace
