#include "platform/PdfObjects.h"

#include <qpdf/Constants.h>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <stdexcept>
#include <utility>

struct PdfObjects::Parts {
    QPDF pdf;
};

namespace {

using Object = QPDFObjectHandle;

// Hands qpdf's output to the caller's function.
class FunctionPipeline : public Pipeline {
public:
    explicit FunctionPipeline(const std::function<bool(const unsigned char*, std::size_t)>& write)
        : Pipeline("Lumivane output", nullptr), m_write(write) {}
    void write(unsigned char const* data, size_t length) override {
        if (!m_write(data, length)) throw std::runtime_error("the file could not be written");
    }
    void finish() override {}

private:
    const std::function<bool(const unsigned char*, std::size_t)>& m_write;
};

}  // namespace

PdfObjects::PdfObjects() : m_parts(std::make_unique<Parts>()) { m_parts->pdf.emptyPDF(); }

PdfObjects::~PdfObjects() = default;

void PdfObjects::AddPage(Image image, double width, double height) {
    QPDF& pdf = m_parts->pdf;
    Object filter = Object::newName(image.flate ? "/FlateDecode" : "/DCTDecode");
    Object parameters = Object::newNull();
    if (image.flate) {
        parameters = Object::newDictionary();
        parameters.replaceKey("/Predictor", Object::newInteger(15));
        parameters.replaceKey("/Colors", Object::newInteger(image.grey ? 1 : 3));
        parameters.replaceKey("/BitsPerComponent", Object::newInteger(8));
        parameters.replaceKey("/Columns", Object::newInteger(image.width));
    }
    Object stream = pdf.newStream();
    Object dictionary = stream.getDict();
    dictionary.replaceKey("/Type", Object::newName("/XObject"));
    dictionary.replaceKey("/Subtype", Object::newName("/Image"));
    dictionary.replaceKey("/Width", Object::newInteger(image.width));
    dictionary.replaceKey("/Height", Object::newInteger(image.height));
    dictionary.replaceKey("/ColorSpace", Object::newName(image.grey ? "/DeviceGray" : "/DeviceRGB"));
    dictionary.replaceKey("/BitsPerComponent", Object::newInteger(8));
    stream.replaceStreamData(std::move(image.data), filter, parameters);

    // The page's drawing: the image scaled from its unit square to the whole page.
    const std::string drawing = "q " + QUtil::double_to_string(width, 4) + " 0 0 " +
                                QUtil::double_to_string(height, 4) + " 0 0 cm /Im0 Do Q\n";
    Object xobjects = Object::newDictionary();
    xobjects.replaceKey("/Im0", stream);
    Object resources = Object::newDictionary();
    resources.replaceKey("/XObject", xobjects);
    Object page = Object::newDictionary();
    page.replaceKey("/Type", Object::newName("/Page"));
    page.replaceKey("/MediaBox", Object::newArray(Object::Rectangle(0, 0, width, height)));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", pdf.newStream(drawing));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
}

void PdfObjects::Write(const std::string& producer,
                       const std::function<bool(const unsigned char*, std::size_t)>& write) {
    QPDF& pdf = m_parts->pdf;
    Object info = Object::newDictionary();
    info.replaceKey("/Producer", Object::newUnicodeString(producer));
    info.replaceKey("/CreationDate", Object::newString(QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time())));
    pdf.getTrailer().replaceKey("/Info", pdf.makeIndirectObject(info));
    FunctionPipeline output(write);
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&output);
    // The image data stays exactly as encoded; only the small page drawings are compressed.
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(true);
    writer.write();
}
