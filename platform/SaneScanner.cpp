#include "platform/SaneScanner.h"

#include <pthread.h>
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <future>
#include <optional>
#include <thread>
#include <utility>

#include "platform/SaneStatus.h"
#include "platform/ScanCodes.h"

// Set once a session's sane_exit has returned, for whoever waits for SANE to be let go.
struct SaneSessionEnd {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
};

namespace {

void* ExitAtOnce(void*) {
    pthread_exit(nullptr);
}

// The C library loads the unwinder that ends a thread (pthread_exit, cancellation) the first time a thread ends that
// way, by opening a library while holding the dynamic loader's locks. Backends built on SANE's thread helper end
// their reader threads that way and also kill them by asynchronous cancellation; a reader struck while it is loading
// the unwinder leaves those locks held for ever, and the next thread the program starts waits on them (seen at the
// end of a scan). So one thread of our own ends that way first, before any backend runs.
void LoadThreadUnwinder() {
    static const bool loaded = [] {
        pthread_t thread;
        if (pthread_create(&thread, nullptr, ExitAtOnce, nullptr) != 0) return false;
        pthread_join(thread, nullptr);
        return true;
    }();
    static_cast<void>(loaded);
}

}  // namespace

// sane_init on construction, sane_exit on destruction when the init succeeded; then `end` says so.
class SaneSession {
public:
    explicit SaneSession(std::shared_ptr<SaneSessionEnd> end) : m_end(std::move(end)) {
        std::signal(SIGPIPE, SIG_IGN);
        LoadThreadUnwinder();
        SANE_Int version = 0;
        m_status = sane_init(&version, nullptr);
    }
    ~SaneSession() {
        if (m_status == SANE_STATUS_GOOD) sane_exit();
        std::lock_guard<std::mutex> lock(m_end->mutex);
        m_end->ended = true;
        m_end->changed.notify_all();
    }
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;

    bool ok() const { return m_status == SANE_STATUS_GOOD; }

private:
    std::shared_ptr<SaneSessionEnd> m_end;
    SANE_Status m_status = SANE_STATUS_INVAL;
};

namespace {

using namespace scan;

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

struct HandleCloser {
    void operator()(void* handle) const { sane_close(handle); }
};
using HandlePtr = std::unique_ptr<void, HandleCloser>;

// An open SANE handle; sane_close when destroyed, and the session outlives it.
class SaneDevice : public IScannerDevice {
public:
    SaneDevice(std::shared_ptr<SaneSession> session, HandlePtr handle)
        : m_session(std::move(session)), m_owned(std::move(handle)), m_handle(m_owned.get()) {}

    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    ScanCode SetColorMode() override {
        const Option mode = Find(SANE_NAME_SCAN_MODE);
        if (!mode.Settable() || mode.desc->type != SANE_TYPE_STRING ||
            mode.desc->constraint_type != SANE_CONSTRAINT_STRING_LIST) {
            return {};
        }
        // The standard name first, then a backend's own ("24bit Color", "Color Lineart" comes after the plain one).
        const SANE_String_Const* list = mode.desc->constraint.string_list;
        const char* chosen = nullptr;
        for (const SANE_String_Const* entry = list; *entry != nullptr; ++entry) {
            if (std::strcmp(*entry, SANE_VALUE_SCAN_MODE_COLOR) == 0) chosen = *entry;
        }
        for (const SANE_String_Const* entry = list; chosen == nullptr && *entry != nullptr; ++entry) {
            if (ContainsNoCase(*entry, "color") && !ContainsNoCase(*entry, "lineart")) chosen = *entry;
        }
        if (chosen == nullptr) return {};  // grey only: the pages are turned into RGB
        return SetString(mode, chosen);
    }

    ScanCode GetPhysicalSize(std::int32_t& width, std::int32_t& height) override {
        const Option left = Find(SANE_NAME_SCAN_TL_X);
        const Option top = Find(SANE_NAME_SCAN_TL_Y);
        const Option right = Find(SANE_NAME_SCAN_BR_X);
        const Option bottom = Find(SANE_NAME_SCAN_BR_Y);
        if (!HasRange(right) || !HasRange(bottom)) return {kTwainFailure, kConditionUnknownCap};
        const double x0 = HasRange(left) ? Thousandths(left, left.desc->constraint.range->min) : 0.0;
        const double y0 = HasRange(top) ? Thousandths(top, top.desc->constraint.range->min) : 0.0;
        width = static_cast<std::int32_t>(std::lround(Thousandths(right, right.desc->constraint.range->max) - x0));
        height = static_cast<std::int32_t>(std::lround(Thousandths(bottom, bottom.desc->constraint.range->max) - y0));
        return {};
    }

    ScanCode SetScanArea(const ScanArea& area) override {
        const std::pair<const char*, std::int32_t> values[] = {{SANE_NAME_SCAN_TL_X, area.left},
                                                               {SANE_NAME_SCAN_TL_Y, area.top},
                                                               {SANE_NAME_SCAN_BR_X, area.right},
                                                               {SANE_NAME_SCAN_BR_Y, area.bottom}};
        for (const auto& [name, thousandths] : values) {
            const Option option = Find(name);
            if (!option.Settable()) continue;  // a source without this edge scans its whole width or height
            if (option.desc->type != SANE_TYPE_INT && option.desc->type != SANE_TYPE_FIXED) continue;
            SANE_Word word = FromThousandths(option, thousandths);
            if (HasRange(option)) {
                word = std::clamp(word, option.desc->constraint.range->min, option.desc->constraint.range->max);
            }
            if (const ScanCode set = SetWord(option, word); !set.ok()) return set;
        }
        return {};
    }

    ScanCode SelectFeeder(bool& found) override {
        found = false;
        const Option source = Find(SANE_NAME_SCAN_SOURCE);
        if (!source.Settable() || source.desc->type != SANE_TYPE_STRING ||
            source.desc->constraint_type != SANE_CONSTRAINT_STRING_LIST) {
            return {};
        }
        for (const SANE_String_Const* entry = source.desc->constraint.string_list; *entry != nullptr; ++entry) {
            if (ContainsNoCase(*entry, "ADF") || ContainsNoCase(*entry, "feeder")) {
                found = true;
                return SetString(source, *entry);
            }
        }
        return {};
    }

    ScanCode SetOption(const std::string& name, const std::string& value, std::string* applied) override {
        const Option option = Find(name.c_str());
        if (option.desc == nullptr) return {kTwainFailure, kConditionUnknownCap};
        if (!option.Settable()) return {kTwainFailure, kConditionBadValue};
        ScanCode result;
        switch (option.desc->type) {
            case SANE_TYPE_BOOL: {
                const bool yes = value == "yes" || value == "true" || value == "1" || value == "on";
                const bool no = value == "no" || value == "false" || value == "0" || value == "off";
                if (!yes && !no) return {kTwainFailure, kConditionBadValue};
                result = SetWord(option, yes ? SANE_TRUE : SANE_FALSE);
                break;
            }
            case SANE_TYPE_INT:
            case SANE_TYPE_FIXED: {
                double number = 0;
                const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
                if (error != std::errc() || end != value.data() + value.size()) {
                    return {kTwainFailure, kConditionBadValue};
                }
                result = SetWord(option, option.desc->type == SANE_TYPE_FIXED
                                             ? static_cast<SANE_Word>(std::lround(number * (1 << SANE_FIXED_SCALE_SHIFT)))
                                             : static_cast<SANE_Word>(std::lround(number)));
                break;
            }
            case SANE_TYPE_STRING:
                result = SetString(option, value.c_str());
                break;
            case SANE_TYPE_BUTTON:
                result = FromSaneStatus(sane_control_option(m_handle, option.index, SANE_ACTION_SET_VALUE, nullptr,
                                                            nullptr));
                break;
            default:
                return {kTwainFailure, kConditionUnknownCap};
        }
        if (result.ok() && applied != nullptr) *applied = ValueText(option);
        return result;
    }

    // A cancel that comes while the frame is being started is held until the start has returned (see Cancel).
    ScanCode Start(FrameParams& params) override {
        {
            // Not while a cancel is being made: it would strike the new frame's start.
            std::unique_lock<std::mutex> lock(m_stateMutex);
            m_cancelDone.wait(lock, [this] { return m_cancelling == 0; });
            m_starting = true;
        }
        ScanCode code = StartFrame(params);
        bool held = false;
        {
            std::lock_guard<std::mutex> lock(m_stateMutex);
            m_starting = false;
            held = std::exchange(m_cancelHeld, false);
        }
        if (held) {
            Cancel();
            if (code.ok()) code = {kUserCanceled, 0};
        }
        return code;
    }

    ScanCode Read(std::uint8_t* data, std::int32_t capacity, std::int32_t& length, bool& endOfFrame) override {
        SANE_Int got = 0;
        const SANE_Status status = sane_read(m_handle, data, capacity, &got);
        endOfFrame = status == SANE_STATUS_EOF;
        if (endOfFrame) m_readerStarted = 0;  // the backend has ended the frame's reader itself
        length = status == SANE_STATUS_GOOD ? got : 0;
        if (status == SANE_STATUS_GOOD || status == SANE_STATUS_EOF) return {};
        return FromSaneStatus(status);
    }

    // Backends built on SANE's thread helper start a reader thread in sane_start and end it by asynchronous
    // cancellation. Struck while it is just starting (allocating, loading a library), that thread leaves the lock it
    // holds locked for ever and the program hangs later, at the latest in exit. So a frame that has not reached its
    // end is cancelled no sooner than kReaderSettle after it started, when its reader waits on its pipe. A cancel
    // during sane_start is held until the start has returned: a backend that ends the frame before its reader exists
    // (SANE's test backend) would otherwise leave that reader running after the cancel, and it would crash when the
    // backend is unloaded; for the same reason no frame is started while a cancel is being made. Cancels are made
    // one at a time: two at once would both end the same reader.
    void Cancel() override {
        {
            std::lock_guard<std::mutex> lock(m_stateMutex);
            if (m_starting) {
                m_cancelHeld = true;
                return;
            }
            ++m_cancelling;
        }
        {
            std::lock_guard<std::mutex> one(m_cancelMutex);
            using Clock = std::chrono::steady_clock;
            if (const Clock::rep started = m_readerStarted.exchange(0); started != 0) {
                std::this_thread::sleep_until(Clock::time_point(Clock::duration(started)) + kReaderSettle);
            }
            sane_cancel(m_handle);
        }
        std::lock_guard<std::mutex> lock(m_stateMutex);
        --m_cancelling;
        m_cancelDone.notify_all();
    }

private:
    ScanCode StartFrame(FrameParams& params) {
        // Read before the start as well: some backends (the test backend among them) answer no option while they
        // scan, and the value read now is already the one the backend rounded when it was set.
        const Resolution set = ScanResolution();
        if (const SANE_Status started = sane_start(m_handle); started != SANE_STATUS_GOOD) {
            return FromSaneStatus(started);
        }
        m_readerStarted = std::chrono::steady_clock::now().time_since_epoch().count();
        SANE_Parameters p{};
        if (const SANE_Status got = sane_get_parameters(m_handle, &p); got != SANE_STATUS_GOOD) {
            return FromSaneStatus(got);
        }
        switch (p.format) {
            case SANE_FRAME_GRAY: params.format = FrameFormat::Gray; break;
            case SANE_FRAME_RGB: params.format = FrameFormat::Rgb; break;
            case SANE_FRAME_RED: params.format = FrameFormat::Red; break;
            case SANE_FRAME_GREEN: params.format = FrameFormat::Green; break;
            case SANE_FRAME_BLUE: params.format = FrameFormat::Blue; break;
            default: return {kBitsNotSupported, 0};
        }
        params.lastFrame = p.last_frame != SANE_FALSE;
        params.bytesPerLine = p.bytes_per_line;
        params.pixelsPerLine = p.pixels_per_line;
        params.lines = p.lines;
        params.depth = p.depth;
        // Once started, the backend may have settled on a resolution of its own (a hardware step).
        const Resolution started = ScanResolution();
        params.resolution = started.Known() ? started : set;
        return {};
    }

    struct Option {
        SANE_Int index = -1;
        const SANE_Option_Descriptor* desc = nullptr;
        bool Settable() const {
            return desc != nullptr && SANE_OPTION_IS_SETTABLE(desc->cap) && SANE_OPTION_IS_ACTIVE(desc->cap);
        }
    };

    Option Find(const char* name) const {
        SANE_Int count = 0;
        if (sane_control_option(m_handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return {};
        for (SANE_Int i = 1; i < count; ++i) {
            const SANE_Option_Descriptor* desc = sane_get_option_descriptor(m_handle, i);
            if (desc != nullptr && desc->name != nullptr && std::strcmp(desc->name, name) == 0) return {i, desc};
        }
        return {};
    }

    // The value of an active INT or FIXED option as a number (the first of a vector); nothing when it cannot be read.
    std::optional<double> Number(const Option& option) const {
        if (option.desc == nullptr || !SANE_OPTION_IS_ACTIVE(option.desc->cap) ||
            (option.desc->type != SANE_TYPE_INT && option.desc->type != SANE_TYPE_FIXED) ||
            option.desc->size < static_cast<SANE_Int>(sizeof(SANE_Word))) {
            return std::nullopt;
        }
        std::vector<SANE_Word> words(static_cast<std::size_t>(option.desc->size) / sizeof(SANE_Word) + 1, 0);
        if (sane_control_option(m_handle, option.index, SANE_ACTION_GET_VALUE, words.data(), nullptr) !=
            SANE_STATUS_GOOD) {
            return std::nullopt;
        }
        return option.desc->type == SANE_TYPE_FIXED ? SANE_UNFIX(words[0]) : static_cast<double>(words[0]);
    }

    // The resolution the backend scans at, as it reads it back (backends round what was set): "resolution",
    // or the separate "x-resolution" and "y-resolution" of backends that have them. Unknown (0) without either.
    Resolution ScanResolution() const {
        const std::optional<double> both = Number(Find(SANE_NAME_SCAN_RESOLUTION));
        const std::optional<double> x = Number(Find(SANE_NAME_SCAN_X_RESOLUTION));
        const std::optional<double> y = Number(Find(SANE_NAME_SCAN_Y_RESOLUTION));
        Resolution resolution;
        resolution.x = x.value_or(both.value_or(0.0));
        resolution.y = y.value_or(both.value_or(resolution.x));
        if (!(resolution.x > 0.0) || !(resolution.y > 0.0)) return {};
        return resolution;
    }

    static bool HasRange(const Option& option) {
        return option.desc != nullptr && option.desc->constraint_type == SANE_CONSTRAINT_RANGE &&
               (option.desc->type == SANE_TYPE_INT || option.desc->type == SANE_TYPE_FIXED);
    }

    static double Thousandths(const Option& option, SANE_Word word) {
        return option.desc->type == SANE_TYPE_FIXED ? SANE_UNFIX(word) * 1000.0 : word * 1000.0;
    }

    static SANE_Word FromThousandths(const Option& option, std::int32_t thousandths) {
        const double units = thousandths / 1000.0;
        return option.desc->type == SANE_TYPE_FIXED ? static_cast<SANE_Word>(std::lround(units * (1 << SANE_FIXED_SCALE_SHIFT)))
                                                    : static_cast<SANE_Word>(std::lround(units));
    }

    ScanCode SetWord(const Option& option, SANE_Word word) {
        SANE_Int info = 0;
        return FromSaneStatus(sane_control_option(m_handle, option.index, SANE_ACTION_SET_VALUE, &word, &info));
    }

    ScanCode SetString(const Option& option, const char* text) {
        std::vector<char> buffer(static_cast<std::size_t>(std::max<SANE_Int>(option.desc->size, 1)), '\0');
        std::strncpy(buffer.data(), text, buffer.size() - 1);
        SANE_Int info = 0;
        return FromSaneStatus(
            sane_control_option(m_handle, option.index, SANE_ACTION_SET_VALUE, buffer.data(), &info));
    }

    std::string ValueText(const Option& option) const {
        if (option.desc->type == SANE_TYPE_BUTTON || option.desc->size <= 0) return {};
        std::vector<char> buffer(static_cast<std::size_t>(option.desc->size) + 1, '\0');
        if (sane_control_option(m_handle, option.index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) !=
            SANE_STATUS_GOOD) {
            return {};
        }
        SANE_Word word = 0;
        std::memcpy(&word, buffer.data(), sizeof word < buffer.size() ? sizeof word : buffer.size());
        switch (option.desc->type) {
            case SANE_TYPE_BOOL: return word != SANE_FALSE ? "yes" : "no";
            case SANE_TYPE_INT: return std::to_string(word);
            case SANE_TYPE_FIXED: {
                char text[64];
                const auto [end, error] = std::to_chars(text, text + sizeof text, SANE_UNFIX(word));
                return error == std::errc() ? std::string(text, end) : std::string();
            }
            case SANE_TYPE_STRING: return std::string(buffer.data());
            default: return {};
        }
    }

    static constexpr auto kReaderSettle = std::chrono::milliseconds(200);

    std::mutex m_stateMutex;
    std::condition_variable m_cancelDone;
    bool m_starting = false;    // a frame's Start is under way
    bool m_cancelHeld = false;  // a cancel came during it, made once it has returned
    int m_cancelling = 0;       // cancels being made now
    std::mutex m_cancelMutex;

    // When the frame now read was started (steady clock ticks); 0 when none is under way or it reached its end.
    std::atomic<std::chrono::steady_clock::rep> m_readerStarted{0};
    // Destroyed in reverse order: the handle is closed before the session may end.
    std::shared_ptr<SaneSession> m_session;
    HandlePtr m_owned;
    SANE_Handle m_handle;
};

}  // namespace

namespace {

ScanCode SaneDeviceNames(std::vector<std::string>& names) {
    const SANE_Device** devices = nullptr;
    const SANE_Status status = sane_get_devices(&devices, SANE_FALSE);
    if (status != SANE_STATUS_GOOD) return FromSaneStatus(status);
    for (const SANE_Device** device = devices; device != nullptr && *device != nullptr; ++device) {
        if ((*device)->name != nullptr) names.emplace_back((*device)->name);
    }
    return {};
}

}  // namespace

SaneScannerSystem::SaneScannerSystem(std::chrono::milliseconds listTimeout, DeviceLister lister)
    : m_listTimeout(listTimeout), m_lister(lister ? std::move(lister) : DeviceLister(SaneDeviceNames)) {}

SaneScannerSystem::~SaneScannerSystem() {
    // A page broken off or failed is cancelled by its reading thread after the caller has its answer, and a listing
    // that timed out still runs; both hold the session. A process that ends while a backend is still stopping its own
    // threads can hang for ever in the C library's exit (seen with SANE's test backend, whose cancel kills its reader
    // thread), so wait, within a bound, until the last of them has ended the session (sane_exit returned).
    std::shared_ptr<SaneSessionEnd> end;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        end = std::move(m_sessionEnd);
        m_session.reset();
    }
    if (!end) return;
    std::unique_lock<std::mutex> lock(end->mutex);
    end->changed.wait_for(lock, kThreadsEndBound, [&end] { return end->ended; });
}

ScanCode SaneScannerSystem::Session(std::shared_ptr<SaneSession>& session) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_session) {
        auto end = std::make_shared<SaneSessionEnd>();
        auto made = std::make_shared<SaneSession>(end);
        if (!made->ok()) return {kNoSourceManager, 0};
        m_session = std::move(made);
        m_sessionEnd = std::move(end);
    }
    session = m_session;
    return {};
}

ScanCode SaneScannerSystem::ListSources(std::vector<std::string>& names) {
    std::shared_ptr<SaneSession> session;
    if (const ScanCode code = Session(session); !code.ok()) return code;
    // The listing runs on a thread of its own, holding the session, so that a backend that never answers cannot
    // hold the caller; such a thread finishes on its own and its result is dropped.
    auto task = std::make_shared<std::packaged_task<std::pair<ScanCode, std::vector<std::string>>()>>(
        [session, lister = m_lister]() mutable {
            std::vector<std::string> found;
            const ScanCode code = lister(found);
            session.reset();  // SANE may end here (the last share), before the lister is let go
            return std::make_pair(code, std::move(found));
        });
    auto result = task->get_future();
    try {
        std::thread([task] { (*task)(); }).detach();
    } catch (...) {
        return {kNoMemory, 0};
    }
    if (result.wait_for(m_listTimeout) != std::future_status::ready) return {kTimedOut, 0};
    auto [code, found] = result.get();
    if (code.ok()) names = std::move(found);
    return code;
}

ScanCode SaneScannerSystem::Open(const std::string& name, std::shared_ptr<IScannerDevice>& device) {
    if (name.empty()) return {kNoDataSource, 0};
    std::shared_ptr<SaneSession> session;
    if (const ScanCode code = Session(session); !code.ok()) return code;
    SANE_Handle handle = nullptr;
    if (const SANE_Status opened = sane_open(name.c_str(), &handle); opened != SANE_STATUS_GOOD) {
        return FromSaneOpenStatus(opened);
    }
    HandlePtr owned(handle);
    device = std::make_shared<SaneDevice>(std::move(session), std::move(owned));
    return {};
}
