#pragma once
// The lines `watch` writes on stderr, one per picture and one per event (start, profile read again): the local time,
// then what happened. As text: "2026-12-09 08:30:01 in/a.jpg -> out/a.jpg 84 ms", a failure as
// "2026-12-09 08:30:01 lumivane-cli: in/b.jpg: not a PNG, JPEG, GIF or BMP file". As JSON, one object a line with
// "time", "event" ("done", "failed", "moved", "profile", "watching", "stopped") and the event's fields. Lines from
// several threads never mix.

#include <mutex>
#include <string>

#include "base/Status.h"

class WatchLog {
public:
    explicit WatchLog(bool json) : m_json(json) {}

    void Done(const std::string& input, const std::string& output, long long milliseconds);
    void Failed(const std::string& input, const Status& failure);
    // Any other event: a message for people and, in JSON, the event's name.
    void Note(const std::string& event, const std::string& message);

private:
    void Write(const std::string& line);

    std::mutex m_mutex;
    bool m_json;
};

