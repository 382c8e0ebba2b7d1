#include "cli/WatchLog.h"

#include <cstdio>
#include <ctime>

#include "cli/Failure.h"

namespace {

std::string Now(bool iso) {
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, iso ? "%Y-%m-%dT%H:%M:%S%z" : "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// A JSON string literal of text (the sources listing has its own, with the same escapes).
std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

}  // namespace

void WatchLog::Done(const std::string& input, const std::string& output, long long milliseconds) {
    if (m_json) {
        Write("{\"time\":" + JsonString(Now(true)) + ",\"event\":\"done\",\"input\":" + JsonString(input) +
              ",\"output\":" + JsonString(output) + ",\"ms\":" + std::to_string(milliseconds) + "}\n");
    } else {
        Write(Now(false) + " " + input + " -> " + output + " " + std::to_string(milliseconds) + " ms\n");
    }
}

void WatchLog::Failed(const std::string& input, const Status& failure) {
    if (m_json) {
        Write("{\"time\":" + JsonString(Now(true)) + ",\"event\":\"failed\",\"input\":" + JsonString(input) +
              ",\"error\":" + JsonString(failure.message()) + "}\n");
    } else {
        Write(Now(false) + " " + FailureLine(failure));
    }
}

void WatchLog::Note(const std::string& event, const std::string& message) {
    if (m_json) {
        Write("{\"time\":" + JsonString(Now(true)) + ",\"event\":" + JsonString(event) +
              ",\"message\":" + JsonString(message) + "}\n");
    } else {
        Write(Now(false) + " " + message + "\n");
    }
}

void WatchLog::Write(const std::string& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}
