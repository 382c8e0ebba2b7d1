// Documents from lumivane-cli, checked with the tools people open them with: qpdf --check, pdfinfo and pdfimages
// for PDF, tiffinfo for TIFF; multi-page TIFF inputs in batches; a failing input in the middle of a document.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "platform/ImageCodec.h"
#include "tests/support/TestSupport.h"

using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct Outcome {
    int status = -1;
    std::string out;  // stdout and stderr together
};

Outcome Shell(const std::string& command) {
    Outcome outcome;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>&1").c_str(), "r"), ::pclose);
    if (!pipe) return outcome;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) outcome.out.append(buffer, n);
    const int raw = ::pclose(pipe.release());
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return outcome;
}

Outcome Cli(const std::vector<std::string>& arguments) {
    std::string command = Quote(LUMIVANE_CLI);
    for (const std::string& argument : arguments) {
        command += ' ';
        command += Quote(argument);
    }
    return Shell(command + " </dev/null");
}

bool HaveTools(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (Shell(std::string("command -v ") + name).status != 0) return false;
    }
    return true;
}

// A smooth picture with a little texture, like a scanned page; grey when asked.
BMP_File Page(std::int32_t width, std::int32_t height, std::uint32_t seed, bool grey = false) {
    std::mt19937 random(seed);
    BMP_File picture;
    EXPECT_TRUE(picture.Create(width, height));
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint8_t>((x / 7 + y / 5 + random() % 9) & 0xFF);
            picture.PixelAt(x, y) = grey ? Pixel{v, v, v} : Pixel{v, static_cast<std::uint8_t>(y & 0xFF), 120};
        }
    }
    return picture;
}

// The page sizes pdfinfo gives, in points, page by page.
std::vector<std::pair<double, double>> PageSizes(const std::string& pdf) {
    const Outcome info = Shell("pdfinfo -f 1 -l 9999 " + Quote(pdf));
    std::vector<std::pair<double, double>> sizes;
    const std::regex line(R"(Page +\d+ size: +([0-9.]+) x ([0-9.]+) pts)");
    for (std::sregex_iterator i(info.out.begin(), info.out.end(), line), end; i != end; ++i) {
        sizes.emplace_back(std::stod((*i)[1]), std::stod((*i)[2]));
    }
    return sizes;
}

std::string Field(const std::string& text, const std::string& name) {
    const std::regex line(name + R"(: +([^\n]*))");
    std::smatch match;
    return std::regex_search(text, match, line) ? match[1].str() : std::string();
}

}  // namespace

// Three inputs of three formats become three pages in the given order; an A4 scan at 300 dpi is an A4 page; JPEG
// pages are DCT, lossless pages Flate, grey pages grey; the lossless page comes out of pdfimages as our own result.
TEST(CliDocument, PdfPagesHaveTheirSizeOrderEncodingAndPixels) {
    if (!HaveTools({"qpdf", "pdfinfo", "pdfimages"})) GTEST_SKIP() << "qpdf and poppler-utils are needed";
    TempDir dir;
    ASSERT_TRUE(WriteImageFile(dir.File("a4.png"), Page(2480, 3508, 1), ImageFormat::Png));
    ASSERT_TRUE(WriteImageFile(dir.File("b.jpg"), Page(300, 200, 2), ImageFormat::Jpeg));
    ASSERT_TRUE(WriteImageFile(dir.File("c.tif"), Page(150, 100, 3, true), ImageFormat::Tiff, 0, 75,
                               Resolution{150, 150}));
    const std::string pdf = dir.File("doc.pdf");
    const Outcome made = Cli({"apply", dir.File("a4.png"), dir.File("b.jpg"), dir.File("c.tif"), "-o", pdf});
    ASSERT_EQ(made.status, 0) << made.out;

    EXPECT_EQ(Shell("qpdf --check " + Quote(pdf)).status, 0);
    const Outcome info = Shell("pdfinfo " + Quote(pdf));
    EXPECT_EQ(Field(info.out, "Pages"), "3");
    EXPECT_EQ(Field(info.out, "Producer").rfind("Lumivane ", 0), 0u) << info.out;
    EXPECT_FALSE(Field(info.out, "CreationDate").empty()) << info.out;
    const auto sizes = PageSizes(pdf);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_NEAR(sizes[0].first, 595, 1);  // A4
    EXPECT_NEAR(sizes[0].second, 842, 1);
    EXPECT_NEAR(sizes[1].first, 72, 0.01);  // 300 pixels at 300 dpi: one inch
    EXPECT_NEAR(sizes[2].first, 72, 0.01);  // 150 pixels at the file's own 150 dpi
    const Outcome list = Shell("pdfimages -list " + Quote(pdf));
    EXPECT_EQ(std::regex_search(list.out, std::regex(R"(\n +1 +0 image +2480 +3508 +rgb +3 +8 +jpeg)")), true)
        << list.out;
    EXPECT_EQ(std::regex_search(list.out, std::regex(R"(\n +3 +2 image +150 +100 +gray +1 +8 +jpeg)")), true)
        << list.out;

    // --dpi imposes one resolution; --lossless writes Flate, which pdfimages gives back as our own PNG result.
    const std::string lossless = dir.File("lossless.pdf");
    ASSERT_EQ(Cli({"apply", dir.File("b.jpg"), "--lossless", "--dpi", "150", "-o", lossless}).status, 0);
    ASSERT_EQ(Cli({"apply", dir.File("b.jpg"), "-o", dir.File("b-result.png")}).status, 0);
    EXPECT_NEAR(PageSizes(lossless).at(0).first, 144, 0.01);
    const Outcome flate = Shell("pdfimages -list " + Quote(lossless));
    EXPECT_EQ(std::regex_search(flate.out, std::regex(R"(\n +1 +0 image +300 +200 +rgb +3 +8 +image)")), true)
        << flate.out;
    ASSERT_EQ(Shell("pdfimages " + Quote(lossless) + " " + Quote(dir.File("out"))).status, 0);
    BMP_File ours;
    ASSERT_TRUE(ReadImageFile(dir.File("b-result.png"), ours));
    std::ifstream ppm(dir.File("out-000.ppm"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(ppm), std::istreambuf_iterator<char>()};
    const std::string header = "P6\n300 200\n255\n";
    ASSERT_EQ(bytes.size(), header.size() + ours.PixelCount() * 3);
    EXPECT_EQ(bytes.compare(0, header.size(), header), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + header.size(), ours.Data(), ours.PixelCount() * 3), 0);
}

// Pages of a document are encoded through one kept encoder: each page's JPEG data, in a document of pages that grow,
// shrink and turn grey, is the JPEG data of the same page alone.
TEST(CliDocument, EachJpegPageIsThePageEncodedAlone) {
    if (!HaveTools({"pdfimages"})) GTEST_SKIP() << "poppler-utils are needed";
    TempDir dir;
    struct Shape {
        std::int32_t width, height;
        bool grey;
    };
    const std::vector<Shape> pages = {{40, 30, false}, {1200, 900, false}, {600, 400, true}, {2000, 1500, false},
                                      {7, 3, false}};
    std::vector<std::string> arguments = {"apply"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string name = dir.File(std::to_string(i) + ".png");
        const Shape& shape = pages[i];
        ASSERT_TRUE(WriteImageFile(name, Page(shape.width, shape.height, static_cast<std::uint32_t>(11 + i), shape.grey),
                                   ImageFormat::Png));
        arguments.push_back(name);
    }
    arguments.insert(arguments.end(), {"-o", dir.File("all.pdf")});
    ASSERT_EQ(Cli(arguments).status, 0);
    ASSERT_EQ(Shell("pdfimages -j " + Quote(dir.File("all.pdf")) + " " + Quote(dir.File("all"))).status, 0);
    const auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    };
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string alone = dir.File("alone" + std::to_string(i));
        ASSERT_EQ(Cli({"apply", dir.File(std::to_string(i) + ".png"), "-o", alone + ".pdf"}).status, 0);
        ASSERT_EQ(Shell("pdfimages -j " + Quote(alone + ".pdf") + " " + Quote(alone)).status, 0);
        std::string name = dir.File("all-");  // pdfimages numbers the pages from 000
        name.append(std::to_string(1000 + i).substr(1)).append(".jpg");
        const std::string page = bytes(name);
        EXPECT_FALSE(page.empty()) << "page " << i;
        EXPECT_EQ(page, bytes(alone + "-000.jpg")) << "page " << i;
    }
}

// A failing input in the middle: the pages before it stay in the named document, the failure is reported, the
// exit status is 1 and no temporary file is left; PDF and TIFF alike. A PDF input is refused with one line.
TEST(CliDocument, AFailingInputKeepsThePagesBeforeIt) {
    TempDir dir;
    std::mt19937 random(9);
    const BMP_File first = RandomImage(random, 40, 30);
    ASSERT_TRUE(WriteImageFile(dir.File("1.png"), first, ImageFormat::Png));
    ASSERT_TRUE(WriteImageFile(dir.File("3.png"), RandomImage(random, 40, 30), ImageFormat::Png));
    std::ofstream(dir.File("2.png")) << "not a picture";
    for (const char* name : {"doc.tif", "doc.pdf"}) {
        const Outcome made =
            Cli({"apply", dir.File("1.png"), dir.File("2.png"), dir.File("3.png"), "-o", dir.File(name)});
        EXPECT_EQ(made.status, 1) << name;
        EXPECT_NE(made.out.find(dir.File("2.png") + ": not a PNG"), std::string::npos) << made.out;
        ASSERT_TRUE(std::filesystem::exists(dir.File(name))) << name;
    }
    std::vector<BMP_File> pages;
    ASSERT_TRUE(ReadImagePages(dir.File("doc.tif"), [&](BMP_File& page, Resolution, std::size_t, std::size_t) {
        pages.push_back(std::move(page));
        return Status::Ok();
    }));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(SamePixels(first, pages[0]));
    if (HaveTools({"pdfinfo"})) {
        EXPECT_EQ(Field(Shell("pdfinfo " + Quote(dir.File("doc.pdf"))).out, "Pages"), "1");
    }
    // Nothing beside the inputs and the two documents: no temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);

    const Outcome refused = Cli({"apply", dir.File("doc.pdf"), "-o", dir.File("again.png")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find(": PDF files are written, not read"), std::string::npos) << refused.out;
    EXPECT_EQ(refused.out.find('\n'), refused.out.size() - 1) << refused.out;  // one line
}

// A multi-page TIFF gives every page to a batch, as NAME-p1, NAME-p2, ...; tiffinfo reads our document's pages with
// their resolution.
TEST(CliDocument, EveryPageOfAMultiPageTiffBecomesAResult) {
    TempDir dir;
    std::mt19937 random(4);
    const BMP_File one = RandomImage(random, 31, 17);
    const BMP_File two = RandomImage(random, 17, 31);
    ASSERT_TRUE(WriteImageFile(dir.File("one.png"), one, ImageFormat::Png));
    ASSERT_TRUE(WriteImageFile(dir.File("two.png"), two, ImageFormat::Png));
    ASSERT_EQ(
        Cli({"apply", dir.File("one.png"), dir.File("two.png"), "--dpi", "200", "-o", dir.File("scan.tif")}).status, 0);
    ASSERT_EQ(Cli({"apply", dir.File("scan.tif"), "--out-dir", dir.File("out"), "--format", "png"}).status, 0);
    BMP_File read;
    ASSERT_TRUE(ReadImageFile(dir.File("out/scan-p1.png"), read));
    EXPECT_TRUE(SamePixels(one, read));
    ASSERT_TRUE(ReadImageFile(dir.File("out/scan-p2.png"), read));
    EXPECT_TRUE(SamePixels(two, read));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/scan.png")));

    if (!HaveTools({"tiffinfo"})) GTEST_SKIP() << "tiffinfo is needed";
    const Outcome info = Shell("tiffinfo " + Quote(dir.File("scan.tif")));
    EXPECT_EQ(std::regex_search(info.out, std::regex("TIFF Directory")), true);
    std::size_t directories = 0;
    for (std::size_t at = 0; (at = info.out.find("TIFF Directory at", at)) != std::string::npos; ++at) ++directories;
    EXPECT_EQ(directories, 2u);
    EXPECT_NE(info.out.find("Resolution: 200, 200 pixels/inch"), std::string::npos) << info.out;
}
