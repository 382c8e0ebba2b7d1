#include "cli/WatchCommand.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "base/Parallel.h"
#include "cli/Failure.h"
#include "cli/PictureCorrection.h"
#include "cli/StableFiles.h"
#include "cli/WatchLog.h"
#include "cli/WatchNames.h"
#include "cli/WatchOptions.h"
#include "cli/WatchQueue.h"
#include "platform/FolderEvents.h"
#include "platform/NoReplace.h"
#include "platform/StopSignals.h"

namespace {

namespace fs = std::filesystem;

// What identifies one version of a file: a file written again or replaced by another is a new picture; one whose
// permissions or name changed is not.
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;   // nanoseconds (status change: creation, rename into the folder, writes)

    bool operator==(const FileVersion& other) const {
        return device == other.device && inode == other.inode && size == other.size && modified == other.modified;
    }
};

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileVersion VersionOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

std::optional<FileVersion> VersionOfFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return VersionOf(info);
}

std::string FormatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// True when a result of this input is already in the output folder: the result's name or one of its numbered names
// was written after the input arrived (its status last changed), as a result of an earlier run would be.
bool ResultAlreadyThere(const FileVersion& input, const std::string& result) {
    for (int number = 0;; ++number) {
        struct stat info {};
        if (::stat(NumberedName(result, number).c_str(), &info) != 0) return false;
        if (Nanoseconds(info.st_mtim) >= input.changed) return true;
    }
}

std::optional<std::pair<dev_t, ino_t>> FolderIdentity(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return std::pair{info.st_dev, info.st_ino};
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The names in folder that are pictures to watch, sorted.
std::vector<std::string> PicturesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (IsWatchedName(name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

class Watch {
public:
    Watch(const WatchOptions& options, Corrections corrections)
        : m_options(options),
          m_log(options.json),
          m_corrections(std::make_shared<const Corrections>(std::move(corrections))) {}

    // Runs until a stop signal (0) or until the watch cannot go on (1).
    int Run();

private:
    void Work(int stageThreads);
    void Correct(const WatchQueue::Item& item, int stageThreads);
    int Listen(StopSignals& stops);
    int Poll(StopSignals& stops);
    void QueueFolder(bool checkResults);
    void MoveToDoneFolder(const std::string& name);
    void ReadProfileAgain();
    void RememberDone(const std::string& name, const FileVersion& version);
    // How long a file must stay unchanged before a failure to read it counts: the polling interval, or a second.
    std::chrono::duration<double> SettlingTime() const {
        return std::chrono::duration<double>(m_options.pollSeconds.value_or(1.0));
    }
    bool RecentlyChanged(const FileVersion& version) const {
        const auto age =
            std::chrono::system_clock::now().time_since_epoch() - std::chrono::nanoseconds(version.modified);
        return age < SettlingTime();
    }
    std::string InputPath(const std::string& name) const { return m_options.inDir + "/" + name; }

    const WatchOptions& m_options;
    WatchLog m_log;
    WatchQueue m_queue;

    std::mutex m_mutex;  // guards the two below
    std::shared_ptr<const Corrections> m_corrections;
    std::map<std::string, FileVersion> m_done;  // the version of each name that was corrected (or failed)
    std::size_t m_doneLimit = 4096;             // past this size, names no longer in the folder are forgotten
    std::atomic<unsigned> m_temporaryCount{0};
};

void Watch::QueueFolder(bool checkResults) {
    for (const std::string& name : PicturesIn(m_options.inDir)) m_queue.Push({name, checkResults, 0});
}

void Watch::Correct(const WatchQueue::Item& item, int stageThreads) {
    const std::string input = InputPath(item.name);
    struct stat info {};
    // Removed before its turn, or not a plain file: nothing to do.
    if (::stat(input.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    const FileVersion version = VersionOf(info);
    const ImageFormat format = m_options.format.value_or(FormatFromName(item.name, true).value_or(ImageFormat::Png));
    const std::string wanted = ResultPath(m_options.outDir, item.name, format);
    std::shared_ptr<const Corrections> corrections;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (const auto done = m_done.find(item.name); done != m_done.end() && done->second == version) return;
        corrections = m_corrections;
    }
    if (item.checkResults && ResultAlreadyThere(version, wanted)) {
        // Done by an earlier run, which may have stopped before it moved the original away.
        RememberDone(item.name, version);
        MoveToDoneFolder(item.name);
        return;
    }

    const auto start = std::chrono::steady_clock::now();
    // A dot name in the output folder: never taken for a result, and ignored if the folder is watched itself.
    const std::string temporary = m_options.outDir + "/.lumivane-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(m_temporaryCount.fetch_add(1)) + ExtensionOf(format) + ".part";
    CorrectionRun run;
    run.maxPixels = m_options.maxPixels.value_or(kMaxPixels);
    Status status = CorrectPicture(run, *corrections, input, temporary, format, stageThreads);
    std::string placed;
    if (status) {
        status = RenameWithoutReplacing(temporary, wanted, &placed);
        if (!status) status = Status::Error(input + ": " + status.message());
    }
    if (!status) {
        ::unlink(temporary.c_str());
        // A file that is gone now was removed while it was read: nothing to report.
        const std::optional<FileVersion> now = VersionOfFile(input);
        if (!now) return;
        // A file that changed meanwhile, or changed less than the settling time ago, may still be being written by
        // a writer that closes it between pieces: try it again once it has stayed as it is for the settling time.
        if (*now != version || RecentlyChanged(*now)) {
            m_queue.Push({item.name, item.checkResults, item.attempt + 1},
                         std::chrono::duration_cast<WatchQueue::Clock::duration>(SettlingTime()));
            return;
        }
    }
    RememberDone(item.name, version);
    if (!status) {
        m_log.Failed(input, status);
        return;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    m_log.Done(input, placed, elapsed.count());
    MoveToDoneFolder(item.name);
}

void Watch::RememberDone(const std::string& name, const FileVersion& version) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_done[name] = version;
    if (m_done.size() < m_doneLimit) return;
    // A service runs for months: only the names still in the folder need remembering.
    for (auto entry = m_done.begin(); entry != m_done.end();) {
        struct stat info {};
        entry = ::stat(InputPath(entry->first).c_str(), &info) == 0 ? std::next(entry) : m_done.erase(entry);
    }
    m_doneLimit = std::max<std::size_t>(4096, 2 * m_done.size());
}

void Watch::MoveToDoneFolder(const std::string& name) {
    if (!m_options.doneDir) return;
    // The result's name reaches the disk before the original leaves the watched folder.
    SyncFolder(m_options.outDir);
    std::string moved;
    if (Status move = MoveWithoutReplacing(InputPath(name), *m_options.doneDir, &moved); !move) {
        m_log.Failed(InputPath(name), move);
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_done.erase(name);
}

void Watch::ReadProfileAgain() {
    Corrections fresh;
    if (Status read = ReadCorrections(m_options.profile, m_options.sets, fresh); !read) {
        m_log.Note("profile", read.message() + "; the pictures go on with the profile as it was");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_corrections = std::make_shared<const Corrections>(std::move(fresh));
    }
    m_log.Note("profile", m_options.profile + " changed; the next pictures use it");
}

void Watch::Work(int stageThreads) {
    while (const std::optional<WatchQueue::Item> item = m_queue.Pop()) {
        Correct(*item, stageThreads);
        m_queue.Finished(item->name);
    }
}

int Watch::Run() {
    StopSignals stops;
    if (Status opened = stops.Open(); !opened) {
        ReportFailure(opened);
        return 1;
    }
    const int cores = DefaultThreadCount();
    const int workers = std::max(1, m_options.jobs > 0 ? m_options.jobs : cores);
    // Pictures in parallel first; the cores left over go to the stages of each picture.
    const int stageThreads = std::max(1, cores / workers);
    std::vector<std::thread> threads;
    for (int i = 0; i < workers; ++i) {
        try {
            threads.emplace_back([this, stageThreads] { Work(stageThreads); });
        } catch (...) {
            break;  // fewer workers than asked for
        }
    }
    int status = 1;
    if (threads.empty()) {
        ReportFailure(Status::Error("cannot start a worker thread"));
    } else {
        status = m_options.pollSeconds ? Poll(stops) : Listen(stops);
    }
    m_queue.Stop();
    for (std::thread& thread : threads) thread.join();
    m_log.Note("stopped", "stopped watching " + m_options.inDir);
    return status;
}

int Watch::Listen(StopSignals& stops) {
    FolderEvents events;
    int inbox = -1;
    if (Status opened = events.Open(); !opened) {
        ReportFailure(opened);
        return 1;
    }
    if (Status added = events.AddFolder(m_options.inDir, &inbox); !added) {
        ReportFailure(added);
        return 1;
    }
    // The profile's folder too: the window saves a profile by renaming a new file over it.
    const fs::path profilePath(m_options.profile);
    const std::string profileName = profilePath.filename().string();
    int profileFolder = -1;
    if (Status added =
            events.AddFolder(profilePath.has_parent_path() ? profilePath.parent_path().string() : ".", &profileFolder);
        !added) {
        m_log.Note("profile", added.message() + "; changes to the profile are not seen");
    }
    if (m_options.existing) QueueFolder(true);
    m_log.Note("watching", "watching " + m_options.inDir + ", results in " + m_options.outDir);

    std::vector<FolderEvent> pending;
    for (;;) {
        struct pollfd waits[2] = {{stops.Descriptor(), POLLIN, 0}, {events.Descriptor(), POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) continue;  // EINTR
        if (stops.Take()) return 0;
        pending.clear();
        if (Status read = events.Read(pending); !read) {
            ReportFailure(read);
            return 1;
        }
        for (const FolderEvent& event : pending) {
            if (event.folder == profileFolder && event.kind == FolderEvent::Kind::FileDone &&
                event.name == profileName) {
                ReadProfileAgain();
            }
            if (event.folder != inbox) continue;
            if (event.kind == FolderEvent::Kind::FileDone) {
                if (IsWatchedName(event.name)) m_queue.Push({event.name, false, 0});
            } else if (event.kind == FolderEvent::Kind::Overflow) {
                QueueFolder(true);
            } else {
                m_log.Failed(m_options.inDir, Status::Error(m_options.inDir + ": the watched folder is gone"));
                return 1;
            }
        }
    }
}

int Watch::Poll(StopSignals& stops) {
    StableFiles files(m_options.inDir, !m_options.existing);
    // Files there at start may have results from an earlier run.
    const std::vector<std::string> present = PicturesIn(m_options.inDir);
    const std::set<std::string> atStart(present.begin(), present.end());
    std::vector<std::string> stable;
    if (!files.Look(stable)) {
        ReportFailure(Status::Error(m_options.inDir + ": cannot read the folder"));
        return 1;
    }
    std::optional<FileVersion> profile = VersionOfFile(m_options.profile);
    const auto interval = std::chrono::duration<double>(*m_options.pollSeconds);
    m_log.Note("watching", "watching " + m_options.inDir + " every " + FormatSeconds(*m_options.pollSeconds) +
                               " s, results in " + m_options.outDir);
    auto next = std::chrono::steady_clock::now() + interval;
    for (;;) {
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(next - std::chrono::steady_clock::now());
        struct pollfd waits[1] = {{stops.Descriptor(), POLLIN, 0}};
        if (::poll(waits, 1, static_cast<int>(std::max<std::int64_t>(0, wait.count()))) > 0 && stops.Take()) {
            return 0;
        }
        if (std::chrono::steady_clock::now() < next) continue;
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(interval);
        if (const std::optional<FileVersion> now = VersionOfFile(m_options.profile); now && now != profile) {
            profile = now;
            ReadProfileAgain();
        }
        stable.clear();
        if (!files.Look(stable)) {
            m_log.Failed(m_options.inDir, Status::Error(m_options.inDir + ": the watched folder cannot be read"));
            return 1;
        }
        for (const std::string& name : stable) m_queue.Push({name, atStart.count(name) != 0, 0});
    }
}

// Makes folder when it is missing; the error names it.
Status MakeFolder(const std::string& folder, const char* what) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        return Status::Error(folder + ": cannot make the " + what +
                             " folder: " + (error ? error.message() : std::string("not a folder")));
    }
    return Status::Ok();
}

Status CheckFolders(const WatchOptions& options) {
    if (!fs::is_directory(options.inDir)) return Status::Error(options.inDir + ": not a folder to watch");
    if (Status made = MakeFolder(options.outDir, "output"); !made) return made;
    if (options.doneDir) {
        if (Status made = MakeFolder(*options.doneDir, "done"); !made) return made;
    }
    // Results or originals put back into the watched folder would be taken again, without end.
    const auto inbox = FolderIdentity(options.inDir);
    if (inbox == FolderIdentity(options.outDir)) {
        return Status::Error(options.outDir + ": the output folder must not be the watched folder");
    }
    if (options.doneDir && inbox == FolderIdentity(*options.doneDir)) {
        return Status::Error(*options.doneDir + ": the done folder must not be the watched folder");
    }
    return Status::Ok();
}

}  // namespace

int RunWatchCommand(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::fputs(WatchUsageText(), stdout);
            return 0;
        }
    }
    std::string error;
    const std::optional<WatchOptions> options = ParseWatchOptions(arguments, &error);
    if (!options) {
        ReportFailure(Status::Error(error));
        std::fputs(WatchUsageText(), stderr);
        return 2;
    }
    if (Status checked = CheckFolders(*options); !checked) {
        ReportFailure(checked);
        return 1;
    }
    Corrections corrections;
    if (Status read = ReadCorrections(options->profile, options->sets, corrections); !read) {
        ReportFailure(read);
        return 1;
    }
    Watch watch(*options, std::move(corrections));
    return watch.Run();
}
