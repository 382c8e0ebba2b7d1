// Pages through the document pipeline: corrected on its worker, written in order, the pages before a failure kept.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "platform/DocumentPipeline.h"
#include "platform/ImageCodec.h"
#include "tests/support/TestSupport.h"

using testsupport::Copy;
using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::TempDir;

namespace {

std::vector<BMP_File> Pages(const std::string& path) {
    std::vector<BMP_File> pages;
    const Status read = ReadImagePages(path, [&](BMP_File& page, Resolution, std::size_t, std::size_t) {
        pages.push_back(std::move(page));
        return Status::Ok();
    });
    EXPECT_TRUE(read) << read.message();
    return pages;
}

void Invert(BMP_File& page) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(page.Data());
    for (std::size_t i = 0; i < page.PixelCount() * 3; ++i) bytes[i] = static_cast<std::uint8_t>(255 - bytes[i]);
}

}  // namespace

TEST(DocumentPipeline, PagesAreCorrectedOnTheWorkerAndWrittenInOrder) {
    TempDir dir;
    std::mt19937 random(8);
    std::vector<BMP_File> originals;
    for (int i = 0; i < 5; ++i) originals.push_back(RandomImage(random, 30 + i, 20));
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> onCaller{0};
    const std::string path = dir.File("stack.tif");
    {
        DocumentPipeline pipeline(path, ImageFormat::Tiff, PdfOptions{}, [&](BMP_File& page) {
            if (std::this_thread::get_id() == caller) ++onCaller;
            Invert(page);
            return Status::Ok();
        });
        for (const BMP_File& original : originals) ASSERT_TRUE(pipeline.Add(Copy(original), Resolution{}));
        EXPECT_FALSE(std::filesystem::exists(path));  // complete on disk only at the end
        ASSERT_TRUE(pipeline.Finish());
        EXPECT_EQ(pipeline.PageCount(), 5u);
    }
    EXPECT_EQ(onCaller, 0);
    const std::vector<BMP_File> pages = Pages(path);
    ASSERT_EQ(pages.size(), 5u);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        BMP_File expected = Copy(originals[i]);
        Invert(expected);
        EXPECT_TRUE(SamePixels(expected, pages[i])) << "page " << i + 1;
    }
    std::filesystem::remove(path);
    { DocumentPipeline abandoned(path, ImageFormat::Pdf, PdfOptions{}, nullptr); }
    EXPECT_FALSE(std::filesystem::exists(path));  // nothing without Finish
}

TEST(DocumentPipeline, AFailingPageEndsTheDocumentAndThePagesBeforeItAreKept) {
    TempDir dir;
    std::mt19937 random(9);
    std::vector<BMP_File> originals;
    for (int i = 0; i < 6; ++i) originals.push_back(RandomImage(random, 16, 16));
    int seen = 0;
    const std::string path = dir.File("stack.tif");
    DocumentPipeline pipeline(path, ImageFormat::Tiff, PdfOptions{},
                              [&](BMP_File&) { return ++seen == 3 ? Status::Error("page 3: jammed") : Status::Ok(); });
    // Add may or may not have seen the failure yet: the worker runs on its own.
    for (const BMP_File& original : originals) (void)pipeline.Add(Copy(original), Resolution{});
    const Status finished = pipeline.Finish();
    EXPECT_FALSE(finished);
    EXPECT_EQ(finished.message(), "page 3: jammed");
    EXPECT_EQ(seen, 3);  // nothing after the failure is corrected
    const std::vector<BMP_File> pages = Pages(path);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(SamePixels(originals[0], pages[0]));
    EXPECT_TRUE(SamePixels(originals[1], pages[1]));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary file
}
