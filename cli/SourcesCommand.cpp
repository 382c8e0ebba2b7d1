#include "cli/SourcesCommand.h"

#include <cstdio>
#include <memory>

#include "acquire/CTwainUtils.h"
#include "cli/Failure.h"
#include "platform/CameraList.h"
#include "platform/SaneScanner.h"

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

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
    bool json = false;
    for (const std::string& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else {
            ReportFailure(Status::Error("sources: unknown option " + argument + " (only --json)"));
            return 2;
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
