// The file dialogs' filters as Qt name filters, and the name Save As writes for a typed name and a chosen type.

#include <gtest/gtest.h>

#include "app/FileDialogFilters.h"

namespace {

using filefilters::NameFilters;
using filefilters::PathWithExtension;

struct FilterCase {
    const char* name;
    std::string_view pairs;
    std::vector<std::string> expected;
};

TEST(FileDialogFilters, EachPairBecomesOneNameFilterWithItsDescriptionUnchanged) {
    const FilterCase cases[] = {
        {"load image: patterns appended, *gif without a dot kept",
         filefilters::kLoadImage,
         {"PNG, BMP, GIF, JPG Files (*.png *.bmp *.jpg *gif)", "PNG Files(*.png)", "JPG Files(*.jpg)",
          "GIF Files(*.gif)", "BMP Files(*.bmp)"}},
        {"save image: the type order PNG, JPG, GIF, BMP",
         filefilters::kSaveImage,
         {"PNG Files(*.png)", "JPG Files(*.jpg)", "GIF Files(*.gif)", "BMP Files(*.bmp)"}},
        {"profile", filefilters::kProfile, {"Tessary Configuration File (*.qmx)"}},
        {"description naming other patterns", "Pictures (*.bmp)|*.png||", {"Pictures (*.bmp) (*.png)"}},
        {"no closing bars", "Text|*.txt", {"Text (*.txt)"}},
        {"empty", "", {}},
    };
    for (const FilterCase& c : cases) EXPECT_EQ(NameFilters(c.pairs), c.expected) << c.name;
}

struct NameCase {
    const char* typed;
    const char* extension;
    const char* expected;
};

TEST(FileDialogFilters, SaveAsAppendsTheTypesExtensionOnlyWhenTheNameLacksIt) {
    const NameCase cases[] = {
        {"/p/photo", ".png", "/p/photo.png"},
        {"/p/photo.png", ".png", "/p/photo.png"},
        {"/p/Photo.PNG", ".png", "/p/Photo.PNG"},      // case is kept, not doubled
        {"/p/photo.jpg", ".png", "/p/photo.jpg.png"},  // another type's extension stays part of the name
        {"/p/photo.jpeg", ".jpg", "/p/photo.jpeg.jpg"},
        {"/p/photopng", ".png", "/p/photopng.png"},  // no dot: not the extension
        {"/P.PNG/photo", ".png", "/P.PNG/photo.png"},
        {"", ".bmp", ".bmp"},
    };
    for (const NameCase& c : cases) EXPECT_EQ(PathWithExtension(c.typed, c.extension), c.expected) << c.typed;
}

}  // namespace
