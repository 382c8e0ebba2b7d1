#include "cli/ProfileCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "app/CLumivaneState.h"
#include "base/AtomicFile.h"
#include "base/File.h"
#include "cli/Failure.h"
#include "cli/ProfileEdit.h"

namespace {

int PrintOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 1;
}

int Fail(const Status& failure) {
    ReportFailure(failure);
    return 1;
}

Status ReadWhole(const std::string& path, std::string& text) {
    File file(path.c_str(), "rb");
    if (!file.IsOpen()) return Status::Error(path + ": cannot open: " + std::strerror(errno));
    char chunk[65536];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.Get())) > 0;) text.append(chunk, got);
    if (std::ferror(file.Get())) return Status::Error(path + ": cannot read: " + std::strerror(errno));
    return Status::Ok();
}

int Show(const ProfileOptions& options) {
    CLumivaneState state(options.pane);
    // The storage's Load alone, onto the start-up values: no pane refresh.
    if (const Status read = state.m_cFileStorage.ReadFile(options.file); !read) return Fail(read);
    const CIniPartition& settings = state.m_cFileStorage.Partition(0);
    if (options.json) return PrintOut(SettingsJson(settings));
    std::string lines;
    for (std::size_t i = 0; i < settings.Count(); ++i) static_cast<void>(settings.Item(i).WriteValue(lines, "\n"));
    return PrintOut(lines);
}

// set: the file read twice, by the storage (whose errors name it) and as bytes, then replaced in one step.
int Set(const ProfileOptions& options) {
    const std::string& path = options.file;
    CLumivaneState state(options.pane);
    if (const Status read = state.m_cFileStorage.ReadFile(path); !read) return Fail(read);
    std::string text;
    if (const Status read = ReadWhole(path, text); !read) return Fail(read);
    const std::vector<std::string> keys = ApplyEdits(state, options.edits);
    const std::string edited = RewriteProfileText(text, state.m_cFileStorage.Partition(0), keys);
    if (const Status written = WriteFileAtomically(path, edited.data(), edited.size()); !written) {
        return Fail(written);
    }
    return 0;
}

int New(const ProfileOptions& options) {
    CLumivaneState state(options.pane);
    ApplyEdits(state, options.edits);
    if (!options.output) return PrintOut(state.m_cFileStorage.SaveToText());
    if (const Status written = state.m_cFileStorage.WriteFile(*options.output); !written) return Fail(written);
    return 0;
}

// diff: "key: A -> B" for each setting whose saved value differs, the key without the blanks some carry.
int Diff(const ProfileOptions& options) {
    CLumivaneState a(options.pane);
    CLumivaneState b(options.pane);
    if (const Status read = a.m_cFileStorage.ReadFile(options.file); !read) return Fail(read);
    if (const Status read = b.m_cFileStorage.ReadFile(options.otherFile); !read) return Fail(read);
    const CIniPartition& left = a.m_cFileStorage.Partition(0);
    const CIniPartition& right = b.m_cFileStorage.Partition(0);
    std::string lines;
    for (std::size_t i = 0; i < left.Count(); ++i) {
        const std::string before = ValueText(left.Item(i));
        const std::string after = ValueText(right.Item(i));
        if (before == after) continue;
        std::string key = left.Item(i).Name();
        while (!key.empty() && key.back() == ' ') key.pop_back();
        lines += key + ": " + before + " -> " + after + "\n";
    }
    return PrintOut(lines);
}

int RunProfileCommand(const ProfileOptions& options) {
    for (const std::string& warning : options.warnings) ReportWarning(warning);
    switch (options.action) {
        case ProfileOptions::Action::Show:
            return Show(options);
        case ProfileOptions::Action::Set:
            return Set(options);
        case ProfileOptions::Action::New:
            return New(options);
        case ProfileOptions::Action::Diff:
            return Diff(options);
        case ProfileOptions::Action::Defaults:
            break;
    }
    CLumivaneState state(options.pane);
    if (options.output) {
        if (const Status written = state.m_cFileStorage.WriteFile(*options.output); !written) return Fail(written);
        return 0;
    }
    return PrintOut(state.m_cFileStorage.SaveToText());
}

}  // namespace

int RunProfile(const ProfileOptions& options) {
    try {
        return RunProfileCommand(options);
    } catch (const std::bad_alloc&) {
        ReportFailure(Status::Error("not enough memory for " +
                                    (options.file.empty() ? std::string("the profile") : options.file)));
        return 1;
    }
}
