#include "cli/ScanCommand.h"

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "acquire/CTwainUtils.h"
#include "app/CLumivaneState.h"
#include "base/Parallel.h"
#include "cli/CancelOnSignal.h"
#include "cli/Failure.h"
#include "cli/Help.h"
#include "cli/NamedOptions.h"
#include "cli/PictureCorrection.h"
#include "cli/ScanBatch.h"
#include "cli/SettingChecks.h"
#include "platform/DocumentWriter.h"
#include "platform/ImageCodec.h"
#include "platform/SaneScanner.h"
#include "platform/UserStore.h"

namespace {

namespace fs = std::filesystem;

struct ScanOptions {
    std::optional<std::string> source;
    std::optional<std::string> profile;
    std::vector<std::string> sets;
    Size pane{288, 193};
    std::optional<std::string> output;
    bool batch = false;
    std::optional<std::string> outDir;
    ImageFormat format = ImageFormat::Png;
    std::optional<double> dpi;  // imposed on every page; otherwise the scanner's own, else 300
    std::vector<NamedOption> named;  // the named corrections, after the profile and the --set lines
    std::vector<std::string> warnings;  // about --set values, said before the scan
};

bool IsDocument(ImageFormat format) { return format == ImageFormat::Pdf || format == ImageFormat::Tiff; }

bool ParsePane(const std::string& text, Size& pane) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    std::int32_t width = 0;
    std::int32_t height = 0;
    const auto w = std::from_chars(text.data(), text.data() + x, width);
    const auto h = std::from_chars(text.data() + x + 1, text.data() + text.size(), height);
    if (w.ec != std::errc() || w.ptr != text.data() + x || h.ec != std::errc() ||
        h.ptr != text.data() + text.size() || width < 3 || height < 3 || width > 16384 || height > 16384) {
        return false;
    }
    pane = {width, height};
    return true;
}

// Parses the options of scan; on a mistake returns nothing with the problem in *error.
std::optional<ScanOptions> Parse(const std::vector<std::string>& arguments, std::string* error) {
    ScanOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (const std::size_t before = options.named.size(); TakeNamedOption(arguments, i, options.named, error)) {
            if (options.named.size() == before) return std::nullopt;
            --i;  // the loop steps past the option
            continue;
        }
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--batch") {
            options.batch = true;
            continue;
        }
        const bool takesValue = name == "--source" || name == "--profile" || name == "--set" || name == "--pane" ||
                                name == "-o" || name == "--output" || name == "--out-dir" || name == "--format" ||
                                name == "--dpi";
        if (!takesValue) {
            *error = "scan: unknown option " + arguments[i];
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                *error = "scan: " + name + " needs a value";
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (name == "--source") options.source = *value;
        else if (name == "--profile") options.profile = *value;
        else if (name == "--set") {
            if (value->find('=') == std::string::npos) {
                *error = "scan: --set needs KEY=VALUE, not " + *value;
                return std::nullopt;
            }
            options.sets.push_back(*value);
        } else if (name == "--pane") {
            if (!ParsePane(*value, options.pane)) {
                *error = "scan: --pane needs WxH of at least 3x3, not " + *value;
                return std::nullopt;
            }
        } else if (name == "-o" || name == "--output") options.output = *value;
        else if (name == "--out-dir") options.outDir = *value;
        else if (name == "--dpi") {
            int dpi = 0;
            const auto parsed = std::from_chars(value->data(), value->data() + value->size(), dpi);
            if (parsed.ec != std::errc() || parsed.ptr != value->data() + value->size() || dpi < 1 || dpi > 100000) {
                *error = "scan: --dpi takes a resolution of 1 to 100000 dots per inch, not " + *value;
                return std::nullopt;
            }
            options.dpi = dpi;
        }
        else if (name == "--format") {
            const std::optional<ImageFormat> format = FormatFromName("." + *value, true);
            if (!format) {
                *error = "scan: --format must be png, jpg, gif, bmp, tif or pdf, not " + *value;
                return std::nullopt;
            }
            options.format = *format;
        }
    }
    if (options.outDir && !options.batch) {
        *error = "scan: --batch and --out-dir go together";
        return std::nullopt;
    }
    if (options.output && options.outDir) {
        *error = "scan: give -o OUTPUT or --out-dir DIR, not both";
        return std::nullopt;
    }
    if (!options.output && !options.outDir) {
        *error = options.batch ? "scan: --batch writes into --out-dir DIR or one document -o DOC.pdf|DOC.tif"
                               : "scan: give -o OUTPUT or --batch";
        return std::nullopt;
    }
    const std::optional<ImageFormat> outputFormat =
        options.output ? FormatFromName(*options.output, true) : std::nullopt;
    if (options.output && !outputFormat) {
        *error = "scan: " + *options.output + ": the name must end in .png, .jpg, .gif, .bmp, .tif or .pdf";
        return std::nullopt;
    }
    if (options.batch && options.output && !IsDocument(*outputFormat)) {
        *error = "scan: --batch -o writes one document of every page: the name must end in .pdf or .tif";
        return std::nullopt;
    }
    if (!CanonicalSetLines(options.sets, error, options.warnings)) return std::nullopt;
    return options;
}

// The scanner chosen in the window, read from the per-user store without changing it.
std::string StoredScanner() {
    const std::string path = UserStore::DefaultPath();
    if (path.empty()) return {};
    UserStore store(path);
    const auto value = store.QueryValue("Software\\Tessary\\Lumivane\\TwainSources", "Scanner Twain Src");
    if (!value || (value->type != UserStore::Type::String && value->type != UserStore::Type::ExpandableString)) {
        return {};
    }
    return value->text.substr(0, value->text.find('\0'));
}

// The profile's corrections, read once (as apply reads them), applied to each page through a fresh state as the
// window would.
class PageCorrections {
public:
    Status Load(const ScanOptions& options) {
        m_pane = options.pane;
        if (Status read = ReadCorrections(options.profile, options.sets, m_read); !read) return read;
        AppendNamedOptions(m_read, m_pane, options.named);
        return Status::Ok();
    }

    Status Correct(BMP_File&& scanned, BMP_File& corrected) const {
        CLumivaneState state(m_pane);
        state.SetThreads(DefaultThreadCount());
        if (m_read.profile) state.LoadConfigurationLines(*m_read.profile);
        if (!m_read.sets.empty()) state.ApplyProfileLines(m_read.sets);
        if (!state.ShowAcquiredImage(std::move(scanned))) {
            return Status::Error("the scanned page could not be taken (not enough memory)");
        }
        if (Status processed = state.Process(false); !processed) return processed;
        if (!corrected.CopyFrom(state.ProcessedImage())) return Status::Error("not enough memory for the result");
        return Status::Ok();
    }

private:
    Size m_pane;
    Corrections m_read;
};

// The progress of the page being read, on stderr when it is a terminal.
class Progress {
public:
    Progress() : m_terminal(::isatty(STDERR_FILENO) == 1) {}
    void Show(int number, const ScanProgress& progress) {
        if (!m_terminal) return;
        if (progress.bytesExpected > 0) {
            const auto percent = static_cast<int>(progress.bytesRead * 100 / progress.bytesExpected);
            if (percent == m_last && number == m_number) return;
            m_last = percent;
            std::fprintf(stderr, "\r\033[Kpage %d: %d%%", number, percent);
        } else {
            std::fprintf(stderr, "\r\033[Kpage %d: %lld KiB", number, static_cast<long long>(progress.bytesRead / 1024));
        }
        m_number = number;
        m_shown = true;
        std::fflush(stderr);
    }
    // Clears the line before other output.
    void Clear() {
        if (m_shown) std::fputs("\r\033[K", stderr);
        m_shown = false;
    }

private:
    bool m_terminal;
    bool m_shown = false;
    int m_last = -1;
    int m_number = 0;
};

// The resolution a page is written at: --dpi, else the scanner's (unknown: the writers' 300).
Resolution PageResolution(const ScanOptions& options, Resolution scanned) {
    return options.dpi ? Resolution{*options.dpi, *options.dpi} : scanned;
}

int ScanOne(CTwainUtils& twain, const std::string& source, const ScanOptions& options,
            const PageCorrections& corrections, CancelOnSignal& stop) {
    const std::string& output = *options.output;
    if (fs::exists(output)) {
        ReportFailure(Status::Error(output + ": already exists; it is not overwritten"));
        return 1;
    }
    Progress progress;
    auto control = std::make_shared<ScanControl>(
        twain.NoProgressTimeout(), [&progress](const ScanProgress& p) { progress.Show(1, p); });
    const ScopedCancel cancelOnSignal(stop, [control] { control->Cancel(); });
    const auto cancelled = [&] {
        progress.Clear();
        ReportFailure(Status::Error(source + ": the scan was cancelled; nothing was written"));
        return stop.Signalled() ? stop.ExitStatus() : 1;
    };
    BMP_File page;
    Resolution scanned;
    try {
        if (twain.AcquireImage(source, page, control, &scanned)) return cancelled();
    } catch (const CExcept& failure) {
        // A source that answers the cancel with a failure of its own was still cancelled.
        if (stop.Signalled()) return cancelled();
        progress.Clear();
        ReportFailure(Status::Error(source + ": " + failure.Text()));
        return 1;
    }
    progress.Clear();
    BMP_File corrected;
    Status status = corrections.Correct(std::move(page), corrected);
    if (stop.Signalled()) return cancelled();
    if (status) {
        status = WriteImageFile(output, corrected, *FormatFromName(output, true), 0, 75,
                                PageResolution(options, scanned));
    }
    if (!status) {
        ReportFailure(Status::Error(output + ": " + status.message()));
        return 1;
    }
    // A signal while the file was written (it appears whole or not at all): the scan was still cancelled.
    if (stop.Signalled()) {
        std::error_code ignored;
        fs::remove(output, ignored);
        return cancelled();
    }
    return 0;
}

int ScanBatch(CTwainUtils& twain, const std::string& source, const ScanOptions& options,
              const PageCorrections& corrections, CancelOnSignal& stop) {
    // Either a folder of pictures or one document of every page.
    const std::string dir = options.outDir.value_or(std::string());
    std::unique_ptr<DocumentWriter> document;
    if (options.output) {
        if (fs::exists(*options.output)) {
            ReportFailure(Status::Error(*options.output + ": already exists; it is not overwritten"));
            return 1;
        }
        PdfOptions pdf;
        pdf.dpi = options.dpi;
        document = std::make_unique<DocumentWriter>(*options.output, *FormatFromName(*options.output, true), pdf,
                                                    DefaultThreadCount());
    } else {
        std::error_code error;
        fs::create_directories(dir, error);
        if (error || !fs::is_directory(dir)) {
            ReportFailure(Status::Error(dir + ": cannot make the output folder: " +
                                        (error ? error.message() : std::string("not a folder"))));
            return 1;
        }
    }
    std::shared_ptr<IScannerDevice> device;
    bool feeder = false;
    try {
        device = twain.Select(source);
    } catch (const CExcept& failure) {
        ReportFailure(Status::Error(source + ": " + failure.Text()));
        return 1;
    }
    if (const ScanCode selected = device->SelectFeeder(feeder); !selected.ok()) {
        ReportFailure(Status::Error(source + ": the document feeder could not be chosen: " +
                                    twain.GetErrorText(selected.code)));
        return 1;
    }

    Progress progress;
    std::mutex outputMutex;
    int nextName = 1;
    const auto sink = [&](int, const BMP_File& corrected, Resolution scanned) {
        // Pages come in order on the batch's worker: each is encoded into the document as it comes (a document's
        // --dpi is imposed by the writer itself).
        if (document) return document->AddPage(corrected, scanned);
        // The next free name: an existing file is never replaced.
        std::string path;
        do {
            char name[32];
            std::snprintf(name, sizeof name, "page-%04d", nextName++);
            path = (fs::path(dir) / name).string() + ExtensionOf(options.format);
        } while (fs::exists(path));
        const Status written = WriteImageFile(path, corrected, options.format, 0, 75, PageResolution(options, scanned));
        return written ? written : Status::Error(path + ": " + written.message());
    };
    ScanBatchReport report;
    report.failure = [&](const Status& failure) {
        std::lock_guard<std::mutex> lock(outputMutex);
        progress.Clear();
        ReportFailure(failure);
    };
    report.progress = [&](int number, const ScanProgress& p) {
        std::lock_guard<std::mutex> lock(outputMutex);
        progress.Show(number, p);
    };
    // A signal that came while the source was being opened cancels the batch before its first page.
    ScanBatchCancel cancel;
    const ScanBatchResult result = [&] {
        const ScopedCancel cancelOnSignal(stop, [&cancel] { cancel.Cancel(); });
        return RunScanBatch(
            twain, device, feeder,
            [&corrections](BMP_File&& scanned, BMP_File& corrected) {
                return corrections.Correct(std::move(scanned), corrected);
            },
            sink, report, &cancel);
    }();
    progress.Clear();
    // The document is written only now, with the pages taken before any failure.
    bool finished = true;
    if (document && document->PageCount() > 0) {
        if (const Status written = document->Finish(); !written) {
            ReportFailure(written);
            finished = false;
        }
    }
    const std::string target = document ? *options.output : dir;
    std::printf("%d page%s written to %s", finished ? result.written : 0, result.written == 1 ? "" : "s",
                target.c_str());
    if (result.failed > 0) std::printf(", %d failed", result.failed);
    if (result.cancelled) std::printf(", cancelled");
    std::printf("\n");
    if (result.cancelled && stop.Signalled()) return stop.ExitStatus();
    return !finished || result.failed > 0 || result.cancelled || result.written == 0 ? 1 : 0;
}

constexpr const char* kScanSynopsis =
    "lumivane-cli scan [--source NAME] [OPTION]... -o OUTPUT | --batch --out-dir DIR | --batch -o DOC.pdf|DOC.tif";

std::string ScanHelpText() {
    return std::string("usage:\n"
                       "  lumivane-cli scan [--source NAME] [OPTION]... -o OUTPUT\n"
                       "  lumivane-cli scan [--source NAME] [OPTION]... --batch --out-dir DIR [--format F]\n"
                       "  lumivane-cli scan [--source NAME] [OPTION]... --batch -o DOC.pdf|DOC.tif [--dpi N]\n"
                       "\n"
                       "Scans one page, or with --batch every page of the feeder until it is empty, corrects each as the\n"
                       "window would and writes it; a batch corrects and writes each page while the next is read.\n"
                       "\n"
                       "options:\n"
                       "  --source NAME       the scanner, as lumivane-cli sources names it (default: the one chosen in\n"
                       "                      the window)\n"
                       "  --profile FILE.qmx  load this profile first (default: none, the start-up settings)\n"
                       "  --set KEY=VALUE     then set one profile key (repeatable)\n"
                       "  --pane WxH          outer size of the picture panes, each 3..16384 (default 288x193)\n"
                       "  -o, --output FILE   the page (.png, .jpg, .gif, .bmp, .tif, .pdf); with --batch one document\n"
                       "                      of every page (.pdf or .tif)\n"
                       "  --batch             every page of the feeder\n"
                       "  --out-dir DIR       with --batch: one file per page in DIR, never over an existing one\n"
                       "  --format F          format of the pages in DIR: png, jpg, gif, bmp, tif or pdf (default png)\n"
                       "  --dpi N             page resolution of TIFF and PDF pages, 1..100000 (default: the scanner's,\n"
                       "                      else 300)\n"
                       "  -h, --help          this text\n"
                       "\n"
                       "corrections, applied after --profile and --set in the order given:\n") +
           NamedOptionsHelp() +
           "\n"
           "Pages written as TIFF or PDF carry the resolution the scanner reports for the scan (300 dpi when\n"
           "it reports none), which gives their size; --dpi N imposes another.\n"
           "Ctrl+C (or SIGTERM) cancels the scan at the scanner: the page being read is dropped, a batch keeps\n"
           "the pages already written and says how many; a second Ctrl+C ends the program at once.\n"
           "exit status: 0 done, 1 a page or the scanner failed, 2 usage error, 130 cancelled by Ctrl+C (143 by\n"
           "SIGTERM)\n";
}

}  // namespace

int RunScan(const std::vector<std::string>& arguments) {
    if (AsksForHelp(arguments)) return PrintHelp(ScanHelpText());
    std::string error;
    const std::optional<ScanOptions> options = Parse(arguments, &error);
    if (!options) return ReportUsageError(error, "scan", kScanSynopsis);
    for (const std::string& warning : options->warnings) ReportWarning(warning);
    const std::string source = options->source.value_or(StoredScanner());
    if (source.empty()) {
        ReportFailure(Status::Error("scan: no scanner chosen; give --source NAME (see lumivane-cli sources)"));
        return 2;
    }
    PageCorrections corrections;
    if (const Status loaded = corrections.Load(*options); !loaded) {
        ReportFailure(loaded);
        return 1;
    }
    // Before any thread starts: Ctrl+C and SIGTERM cancel the scan instead of ending the program.
    CancelOnSignal stop;
    if (!stop.Opened()) ReportFailure(Status::Error("scan: " + stop.Opened().message() + " (Ctrl+C ends the scan at once)"));
    CTwainUtils twain(std::make_shared<SaneScannerSystem>(), {});
    return options->batch ? ScanBatch(twain, source, *options, corrections, stop)
                          : ScanOne(twain, source, *options, corrections, stop);
}
