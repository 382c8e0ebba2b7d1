#include "cli/ApplyCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/CLumivaneState.h"
#include "base/Parallel.h"
#include "cli/Failure.h"
#include "cli/NamedOptions.h"
#include "cli/PictureCorrection.h"
#include "cli/SettingChecks.h"
#include "platform/DocumentWriter.h"
#include "platform/ImageCodec.h"
#include "platform/PhotoFile.h"

namespace {

namespace fs = std::filesystem;

// How each picture is taken, from the options.
CorrectionRun RunOf(const ApplyOptions& options) {
    return {options.pane, options.rotate, options.preview, options.quality, options.maxPixels};
}

// Reads the profile and the --set lines, and puts the named options' lines after the --set lines; a failure is
// reported.
std::optional<Corrections> ReadCorrections(const ApplyOptions& options) {
    Corrections corrections;
    if (const Status read = ReadCorrections(options.profile, options.sets, corrections); !read) {
        ReportFailure(read);
        return std::nullopt;
    }
    AppendNamedOptions(corrections, options.pane, options.named);
    CLumivaneState state(options.pane);
    if (corrections.profile) state.LoadConfigurationLines(*corrections.profile);
    if (!corrections.sets.empty()) state.ApplyProfileLines(corrections.sets);
    if (const std::optional<std::string> warning = SkippedResizeWarning(state.m_settings)) {
        ReportWarning(*warning);
    }
    return corrections;
}

// True when the file holds TIFF data, which may have several pages.
bool IsTiffContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[4] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    if (in.gcount() != 4) return false;
    return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
           (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

std::string PageName(const std::string& input, std::size_t index, std::size_t count) {
    return count > 1 ? input + " (page " + std::to_string(index + 1) + ")" : input;
}

// The result of page `index` of `count` of an input: output itself for a file of one picture, NAME-pN.EXT beside
// it for each page of a file of several.
std::string PageOutput(const std::string& output, std::size_t index, std::size_t count) {
    if (count < 2) return output;
    const fs::path path(output);
    return (path.parent_path() / (path.stem().string() + "-p" + std::to_string(index + 1) + path.extension().string()))
        .string();
}

// One input to its result: every page of a TIFF file to a result of its own (NAME-pN when there are several), any
// other picture as CorrectPicture takes it (upright, its photo data kept).
Status ProcessOne(const ApplyOptions& options, const Corrections& corrections, const std::string& input,
                  const std::string& output, ImageFormat format, int stageThreads) {
    if (!IsTiffContent(input)) return CorrectPicture(RunOf(options), corrections, input, output, format, stageThreads);
    return ReadImagePages(input, [&](BMP_File& page, Resolution resolution, std::size_t index, std::size_t count) {
        const std::string target = PageOutput(output, index, count);
        return CorrectPage(RunOf(options), corrections, PageName(input, index, count), page, stageThreads,
                           [&](const BMP_File& result) {
                               return WriteImageFile(target, result, format, stageThreads, options.quality,
                                                     resolution);
                           });
    });
}

// Every page of every input, in order, into one document. When an input fails, the pages before it are kept.
int RunDocument(const ApplyOptions& options, const Corrections& corrections, ImageFormat format) {
    const int threads = DefaultThreadCount();
    PdfOptions pdf;
    pdf.dpi = options.dpi;
    pdf.quality = options.quality;
    pdf.lossless = options.lossless;
    DocumentWriter document(*options.output, format, pdf, threads);
    const auto addPage = [&](const std::string& name, BMP_File& page, Resolution resolution) {
        return CorrectPage(RunOf(options), corrections, name, page, threads,
                           [&](const BMP_File& result) { return document.AddPage(result, resolution); });
    };
    Status failure;
    for (const std::string& input : options.inputs) {
        if (IsTiffContent(input)) {
            failure =
                ReadImagePages(input, [&](BMP_File& page, Resolution resolution, std::size_t index, std::size_t count) {
                    return addPage(PageName(input, index, count), page, resolution);
                });
        } else {
            BMP_File picture;
            PhotoMetadata metadata;  // a photo comes in upright
            failure = ReadPhotoFile(input, picture, metadata);
            if (failure) failure = addPage(input, picture, Resolution{});
        }
        if (!failure) break;
    }
    if (!failure) ReportFailure(failure);
    if (document.PageCount() == 0) return 1;
    if (const Status finished = document.Finish(); !finished) {
        ReportFailure(finished);
        return 1;
    }
    if (!failure) {
        ReportFailure(Status::Error(*options.output + ": kept the " + std::to_string(document.PageCount()) +
                                    " page(s) before the failure"));
        return 1;
    }
    return 0;
}

// Writes lines to stderr, keeps a progress line at the bottom when stderr is a terminal and ends with a summary line
// ("7 written, 0 failed, 2.4 s") wherever stderr goes. Quiet: errors only.
class Reporter {
public:
    Reporter(std::size_t total, bool quiet)
        : m_total(total), m_terminal(!quiet && ::isatty(STDERR_FILENO) == 1), m_quiet(quiet) {}

    void Error(const Status& failure) {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_failed;
        if (m_terminal) std::fputs("\r\033[K", stderr);
        ReportFailure(failure);
        DrawProgress();
    }

    void Done() {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_done;
        DrawProgress();
    }

    // The summary replaces the progress line.
    void Finish(double seconds) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_quiet) return;
        if (m_terminal && m_total > 1) std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "%zu written, %zu failed, %.1f s\n", m_done, m_failed, seconds);
        std::fflush(stderr);
    }

private:
    void DrawProgress() {
        if (!m_terminal || m_total < 2) return;
        std::fprintf(stderr, "\r\033[K%zu of %zu done", m_done + m_failed, m_total);
        if (m_failed > 0) std::fprintf(stderr, ", %zu failed", m_failed);
        std::fflush(stderr);
    }

    std::mutex m_mutex;
    std::size_t m_total;
    std::size_t m_done = 0;
    std::size_t m_failed = 0;
    bool m_terminal;
    bool m_quiet;
};

// Where a picture goes in --out-dir mode, and in which format.
struct Job {
    std::string input;
    std::string output;
    ImageFormat format = ImageFormat::Png;
    std::string refusal;  // non-empty: the job is not run and this is its error
};

// The identity of an existing file (device and inode), so that two names of one file are recognised.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return std::pair{info.st_dev, info.st_ino};
}

std::vector<Job> PlanJobs(const ApplyOptions& options) {
    std::vector<Job> jobs;
    std::map<std::string, std::string> outputsTaken;  // output path → the input that writes it
    std::set<std::pair<dev_t, ino_t>> inputFiles;
    for (const std::string& input : options.inputs) {
        if (const auto identity = FileIdentity(input)) inputFiles.insert(*identity);
    }
    for (const std::string& input : options.inputs) {
        Job job;
        job.input = input;
        job.format = options.format.value_or(FormatFromName(input, true).value_or(ImageFormat::Png));
        job.output = (fs::path(*options.outDir) / fs::path(input).stem()).string() + ExtensionOf(job.format);
        // No result may replace any of the inputs, its own or another's.
        if (const auto identity = FileIdentity(job.output); identity && inputFiles.count(*identity) != 0) {
            job.refusal = input + ": its result " + job.output +
                          " would overwrite an input; choose another --out-dir or --format";
        } else if (const auto taken = outputsTaken.find(job.output); taken != outputsTaken.end()) {
            job.refusal = input + ": its result " + job.output + " is already the result of " + taken->second;
        } else {
            outputsTaken.emplace(job.output, input);
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

int RunBatch(const ApplyOptions& options, const Corrections& corrections) {
    const auto start = std::chrono::steady_clock::now();
    std::error_code error;
    fs::create_directories(*options.outDir, error);
    if (error || !fs::is_directory(*options.outDir)) {
        ReportFailure(Status::Error(*options.outDir + ": cannot make the output folder: " +
                                    (error ? error.message() : std::string("not a folder"))));
        return 1;
    }
    const std::vector<Job> jobs = PlanJobs(options);
    const int cores = DefaultThreadCount();
    const int workers =
        std::max(1, std::min<int>(options.jobs > 0 ? options.jobs : cores, static_cast<int>(jobs.size())));
    // Pictures in parallel first; the cores left over go to the stages of each picture.
    const int stageThreads = std::max(1, cores / workers);

    Reporter reporter(jobs.size(), options.quiet);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> anyFailed{false};
    const auto work = [&] {
        for (std::size_t i = next.fetch_add(1); i < jobs.size(); i = next.fetch_add(1)) {
            const Job& job = jobs[i];
            const Status status = job.refusal.empty() ? ProcessOne(options, corrections, job.input, job.output,
                                                                   job.format, stageThreads)
                                                      : Status::Error(job.refusal);
            if (status) {
                reporter.Done();
            } else {
                anyFailed = true;
                reporter.Error(status);
            }
        }
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < workers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (...) {
            break;  // fewer threads than asked for; the others share the work
        }
    }
    work();
    for (std::thread& thread : threads) thread.join();
    reporter.Finish(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return anyFailed ? 1 : 0;
}

}  // namespace

int RunApply(const ApplyOptions& options) {
    for (const std::string& warning : options.warnings) ReportWarning(warning);
    const std::optional<Corrections> corrections = ReadCorrections(options);
    if (!corrections) return 1;
    if (options.outDir) return RunBatch(options, *corrections);
    const ImageFormat format = *FormatFromName(*options.output, true);
    if (IsDocumentFormat(format)) return RunDocument(options, *corrections, format);
    const std::string& input = options.inputs.front();
    const Status status = ProcessOne(options, *corrections, input, *options.output, format, DefaultThreadCount());
    if (!status) {
        ReportFailure(status);
        return 1;
    }
    return 0;
}
