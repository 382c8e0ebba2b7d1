#pragma once
// The PDF objects of a document of image pages, made and written through qpdf. Kept apart from the rest of the PDF
// writer because qpdf 11's headers do not compile as C++20 under clang 14 (its JSON class holds a vector of itself):
// this file is built as C++17, so its interface uses nothing newer. qpdf's failures come out as std::exception.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class PdfObjects {
public:
    // One page's image, encoded: JPEG data (DCT) or zlib data with PNG row predictors (Flate).
    struct Image {
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool grey = false;   // DeviceGray, else DeviceRGB; 8 bits a sample
        bool flate = false;  // Flate with PNG predictors, else DCT
        std::string data;
    };

    PdfObjects();
    ~PdfObjects();
    PdfObjects(const PdfObjects&) = delete;
    PdfObjects& operator=(const PdfObjects&) = delete;

    // Appends a page of width × height points that shows the image over the whole page. Takes the image's data.
    void AddPage(Image image, double width, double height);

    // Writes the document with `producer` and the current time in its information dictionary, the image data as it
    // was given; `write` takes the bytes and returns false when it could not write them (the writing then stops with
    // an exception).
    void Write(const std::string& producer, const std::function<bool(const unsigned char*, std::size_t)>& write);

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
