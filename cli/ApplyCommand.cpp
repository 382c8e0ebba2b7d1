#include "cli/ApplyCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/CLumivaneState.h"
#include "base/Parallel.h"
#include "cli/Failure.h"
#include "platform/DocumentWriter.h"
#include "platform/ImageCodec.h"

namespace {

namespace fs = std::filesystem;

// The corrections every picture gets, read once: the profile's lines and the --set lines.
struct Corrections {
    std::optional<CStrList> profile;
    std::string sets;
};

// Reads the profile (the error names it) and joins the --set lines.
std::optional<Corrections> ReadCorrections(const ApplyOptions& options) {
    Corrections corrections;
    if (options.profile) {
        corrections.profile.emplace();
        if (const Status read = corrections.profile->ReadFile(*options.profile); !read) {
            ReportFailure(read);
            return std::nullopt;
        }
    }
    for (const std::string& line : options.sets) corrections.sets += line + "\n";
    return corrections;
}

// One picture (`name` names it in messages) through a fresh state; `take` gets the result. The error names the file
// and the cause.
Status Correct(const ApplyOptions& options, const Corrections& corrections, const std::string& name, BMP_File& picture,
               int stageThreads, const std::function<Status(const BMP_File&)>& take) {
    CLumivaneState state(options.pane);
    state.SetThreads(stageThreads);
    if (corrections.profile) state.LoadConfigurationLines(*corrections.profile);
    if (!corrections.sets.empty()) state.ApplyProfileLines(corrections.sets);
    state.SetRotation(options.rotate);
    if (!state.ShowAcquiredImage(std::move(picture))) {
        return Status::Error(name + ": the picture could not be taken (no pixels, or not enough memory)");
    }
    if (!options.preview) {
        if (const Status processed = state.Process(false); !processed) {
            return Status::Error(name + ": " + processed.message());
        }
    }
    return take(state.ProcessedImage());
}

// The result of page `index` of `count` of an input: output itself for a file of one picture, NAME-pN.EXT beside
// it for each page of a file of several.
std::string PageOutput(const std::string& output, std::size_t index, std::size_t count) {
    if (count < 2) return output;
    const fs::path path(output);
    return (path.parent_path() / (path.stem().string() + "-p" + std::to_string(index + 1) + path.extension().string()))
        .string();
}

// Every picture of one input through the state, each written to its own result.
Status ProcessOne(const ApplyOptions& options, const Corrections& corrections, const std::string& input,
                  const std::string& output, ImageFormat format, int stageThreads) {
    return ReadImagePages(input, [&](BMP_File& page, Resolution resolution, std::size_t index, std::size_t count) {
        const std::string target = PageOutput(output, index, count);
        return Correct(options, corrections, count > 1 ? input + " (page " + std::to_string(index + 1) + ")" : input,
                       page, stageThreads, [&](const BMP_File& result) {
                           return WriteImageFile(target, result, format, stageThreads, resolution);
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
    Status failure;
    for (const std::string& input : options.inputs) {
        failure =
            ReadImagePages(input, [&](BMP_File& page, Resolution resolution, std::size_t index, std::size_t count) {
                const std::string name = count > 1 ? input + " (page " + std::to_string(index + 1) + ")" : input;
                return Correct(options, corrections, name, page, threads,
                               [&](const BMP_File& result) { return document.AddPage(result, resolution); });
            });
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

// Writes lines to stderr and keeps a progress line at the bottom when stderr is a terminal.
class Reporter {
public:
    explicit Reporter(std::size_t total) : m_total(total), m_terminal(::isatty(STDERR_FILENO) == 1) {}

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

    void Finish() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_terminal && m_total > 1) std::fputs("\n", stderr);
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

    Reporter reporter(jobs.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> anyFailed{false};
    const auto work = [&] {
        for (std::size_t i = next.fetch_add(1); i < jobs.size(); i = next.fetch_add(1)) {
            const Job& job = jobs[i];
            const Status status =
                job.refusal.empty() ? ProcessOne(options, corrections, job.input, job.output, job.format, stageThreads)
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
    reporter.Finish();
    return anyFailed ? 1 : 0;
}

}  // namespace

int RunApply(const ApplyOptions& options) {
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
