#include "cli/SourcesCommand.h"

#include <cstdio>
#include <memory>

#include "acquire/CTwainUtils.h"
#include "cli/Failure.h"
#include "cli/Help.h"
#include "cli/Json.h"
#include "platform/CameraList.h"
#include "platform/SaneScanner.h"

namespace {

std::string JsonList(const std::vector<std::string>& names) {
    std::string out = "[";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += ',';
        out.append(JsonString(names[i]));
    }
    return out + "]";
}

}  // namespace

int RunSources(const std::vector<std::string>& arguments) {
    if (AsksForHelp(arguments)) {
        return PrintHelp(
            "usage: lumivane-cli sources [--json]\n"
            "\n"
            "Lists the scanners (SANE device names, for scan --source) and the cameras (for grab --camera) of this\n"
            "machine, one a line as \"scanner<TAB>NAME\" or \"camera<TAB>NAME\".\n"
            "\n"
            "options:\n"
            "  --json      one JSON object {\"scanners\":[...],\"cameras\":[...]} instead\n"
            "  -h, --help  this text\n"
            "\n"
            "exit status: 0 listed, 1 the scanners could not be listed (the cameras are still printed), 2 usage error\n");
    }
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else {
            return ReportUsageError("sources: unknown option " + argument + " (only --json)", "sources",
                                    "lumivane-cli sources [--json]");
        }
    }
    int status = 0;
    std::vector<std::string> scanners;
    try {
        CTwainUtils twain(std::make_shared<SaneScannerSystem>(), {});
        scanners = twain.GetSourceNames();
    } catch (const CExcept& failure) {
        ReportFailure(Status::Error("scanners: " + failure.Text()));
        status = 1;
    }
    std::vector<std::string> cameras;
    if (!ListCameraNames(cameras)) cameras.clear();  // no camera framework: no cameras

    if (json) {
        std::printf("{\"scanners\":%s,\"cameras\":%s}\n", JsonList(scanners).c_str(), JsonList(cameras).c_str());
    } else {
        for (const std::string& name : scanners) std::printf("scanner\t%s\n", name.c_str());
        for (const std::string& name : cameras) std::printf("camera\t%s\n", name.c_str());
    }
    return status;
}
