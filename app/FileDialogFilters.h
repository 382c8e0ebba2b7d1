#pragma once
// The filters of the window's file dialogs and the naming rule of Save As. No Qt.
//
// The filters are written as pairs "description|patterns|description|patterns||" (patterns separated by ";"), the
// form the commands were first described in; NameFilters turns them into the name filters Qt's file dialog takes,
// one per pair and in the same order, so a filter's index is its pair's index. Each description is kept exactly as it
// stands; the patterns follow in parentheses, separated by blanks, unless the description already ends with them.
// "*gif" in the first pattern list has no dot, and so matches any name ending in "gif". The JPEG filters take both
// spellings a JPEG file has, ".jpg" and ".jpeg"; the file dialog matches patterns without regard to case.

#include <string>
#include <string_view>
#include <vector>

namespace filefilters {

// Load from disk.
inline constexpr std::string_view kLoadImage =
    "PNG, BMP, GIF, JPG Files|*.png;*.bmp;*.jpg;*.jpeg;*gif|PNG Files(*.png)|*.png|JPG Files(*.jpg *.jpeg)|*.jpg;*.jpeg|"
    "GIF Files(*.gif)|*.gif|BMP Files(*.bmp)|*.bmp||";
// Save As: the types in this order are PNG, JPEG, GIF and BMP.
inline constexpr std::string_view kSaveImage =
    "PNG Files(*.png)|*.png|JPG Files(*.jpg *.jpeg)|*.jpg;*.jpeg|GIF Files(*.gif)|*.gif|BMP Files(*.bmp)|*.bmp||";
// Load and Save configuration.
inline constexpr std::string_view kProfile = "Tessary Configuration File (*.qmx)|*.qmx||";

std::vector<std::string> NameFilters(std::string_view pairs);

// The name Save As writes: path as the user entered it, with extension (".png", with its dot) appended unless path
// already ends with it or with alsoKept, the type's other spelling (compared without regard to ASCII case). "photo"
// and "photo.png" give "photo.png" for the PNG type; "photo.jpg" gives "photo.jpg.png"; "photo.JPEG" stays as it is
// for the JPEG type (".jpg", also kept ".jpeg").
std::string PathWithExtension(const std::string& path, std::string_view extension, std::string_view alsoKept = {});

}  // namespace filefilters
