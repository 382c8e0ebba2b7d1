#include "cli/ProfileCommand.h"

#include <cstdio>
#include <new>
#include <string>

#include "app/CLumivaneState.h"
#include "cli/Failure.h"

namespace {

int RunProfileCommand(const ProfileOptions& options) {
    CLumivaneState state(options.pane);
    if (options.action == ProfileOptions::Action::Show) {
        // The storage's Load alone, onto the start-up values: no pane refresh.
        if (const Status read = state.m_cFileStorage.ReadFile(options.file); !read) {
            ReportFailure(read);
            return 1;
        }
        std::string lines;
        const CIniPartition& settings = state.m_cFileStorage.Partition(0);
        for (std::size_t i = 0; i < settings.Count(); ++i) settings.Item(i).WriteValue(lines, "\n");
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (options.output) {
        if (const Status written = state.m_cFileStorage.WriteFile(*options.output); !written) {
            ReportFailure(written);
            return 1;
        }
        return 0;
    }
    const std::string text = state.m_cFileStorage.SaveToText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
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
