#pragma once
// The scanner layer on SANE. SaneScannerSystem lists the sources that sane_get_devices reports, by their SANE device
// names kept whole ("test:0", "airscan:e0:Office printer ..."), and opens them as SaneDevice objects.
//
// SANE is initialised at the first listing or opening and ended (sane_exit) when the system and every source it
// opened are gone: each holds a share of one SaneSession. A process has at most one SaneScannerSystem at a time
// (sane_init and sane_exit are process-wide). The session ignores SIGPIPE for the process: some backends write from
// their own threads into pipes that a cancel has closed.
//
// Options are found by their standard names (mode, source, resolution, tl-x, tl-y, br-x, br-y); INT and FIXED
// options are both handled, and every value set is read back, since backends round. No Qt.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Scanner.h"

class SaneSession;
struct SaneSessionEnd;

class SaneScannerSystem : public IScannerSystem {
public:
    // What a listing runs once SANE is initialised: the names sane_get_devices gives, unless a test stands in (a
    // network backend that never answers).
    using DeviceLister = std::function<ScanCode(std::vector<std::string>& names)>;

    // listTimeout bounds a listing: network backends probe the network and may take long or never answer.
    explicit SaneScannerSystem(std::chrono::milliseconds listTimeout = std::chrono::seconds(20),
                               DeviceLister lister = {});
    ~SaneScannerSystem() override;

    SaneScannerSystem(const SaneScannerSystem&) = delete;
    SaneScannerSystem& operator=(const SaneScannerSystem&) = delete;

    // -55 when SANE cannot be initialised, -34 when the listing does not answer in time.
    ScanCode ListSources(std::vector<std::string>& names) override;
    // -56 for a name no backend knows; -57/4 for a source in use.
    ScanCode Open(const std::string& name, std::shared_ptr<IScannerDevice>& device) override;

    // How long the destructor waits for reading and listing threads that outlived their callers.
    static constexpr std::chrono::milliseconds kThreadsEndBound{3000};

private:
    ScanCode Session(std::shared_ptr<SaneSession>& session);

    std::chrono::milliseconds m_listTimeout;
    DeviceLister m_lister;
    std::mutex m_mutex;
    std::shared_ptr<SaneSession> m_session;
    std::shared_ptr<SaneSessionEnd> m_sessionEnd;  // of the session made: when its sane_exit has returned
};
