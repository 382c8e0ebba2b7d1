#pragma once
// Pages in, one document out, with the work on each page done while the caller fetches the next: a scanner's feeder
// reads page n + 1 while page n is corrected and encoded. Pages are taken in order by one worker thread, which runs
// the caller's correction on each and appends the result to a DocumentWriter. The document is complete on disk only
// after Finish (a temporary file renamed over the target); when a page fails, the pages before it are kept in the
// named document and the failure is returned.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "base/Status.h"
#include "imaging/BMP_File.h"
#include "platform/DocumentWriter.h"

class DocumentPipeline {
public:
    // Runs on the worker thread for each page in turn; it may change the page (its corrected form is what is
    // written). A failure stops the document at that page.
    using Correction = std::function<Status(BMP_File& page)>;

    // `format` is ImageFormat::Pdf or ImageFormat::Tiff; at most `depth` pages wait for the worker.
    DocumentPipeline(std::string path, ImageFormat format, PdfOptions options, Correction correct,
                     std::size_t depth = 2, int threads = 0);
    ~DocumentPipeline();  // without Finish, nothing is written
    DocumentPipeline(const DocumentPipeline&) = delete;
    DocumentPipeline& operator=(const DocumentPipeline&) = delete;

    // Hands the page over; waits while `depth` pages are waiting. After a failure of an earlier page, returns that
    // failure and takes no more pages.
    Status Add(BMP_File page, Resolution resolution);

    // Waits for every page handed over, then writes the document. Returns the first failure: of a page (the pages
    // before it are written) or of the writing.
    Status Finish();

    std::size_t PageCount() const { return m_writer.PageCount(); }

private:
    struct Item {
        BMP_File page;
        Resolution resolution;
    };
    void Work();

    DocumentWriter m_writer;
    Correction m_correct;
    std::size_t m_depth;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_queue;
    bool m_closing = false;
    bool m_busy = false;
    Status m_failure;
    std::thread m_worker;
};
