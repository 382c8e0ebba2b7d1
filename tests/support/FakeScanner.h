#pragma once
// A scanner system that stands in where no real device can behave as a test needs: a source whose bed size is
// given (or unknown, or failing), whose page is a given picture, and which can stall in the middle of the page as a
// network scanner that died does (a read that returns nothing until the page is cancelled).

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/BMP_File.h"
#include "platform/ScanCodes.h"
#include "platform/Scanner.h"

namespace testsupport {

struct FakeScannerScript {
    std::vector<std::string> names{"fake:0"};
    ScanCode listResult;
    ScanCode sizeResult;  // a failure makes the size unknown
    std::int32_t width = 8500;  // thousandths
    std::int32_t height = 11690;
    std::int32_t pageWidth = 7;
    std::int32_t pageHeight = 5;
    std::int32_t stallAfterRows = -1;  // >= 0: the read blocks after these rows until cancelled
    Resolution resolution;             // what Start reports
};

class FakeScannerSystem;

class FakeScannerDevice : public IScannerDevice {
public:
    // The device keeps the system alive: a stalled page's reading thread may end after the test.
    explicit FakeScannerDevice(std::shared_ptr<FakeScannerSystem> system) : m_owner(system), m_system(*system) {}
    ScanCode SetColorMode() override { return {}; }
    ScanCode GetPhysicalSize(std::int32_t& width, std::int32_t& height) override;
    ScanCode SetScanArea(const ScanArea& area) override;
    ScanCode SelectFeeder(bool& found) override {
        found = false;
        return {};
    }
    ScanCode SetOption(const std::string&, const std::string&, std::string*) override { return {}; }
    ScanCode Start(FrameParams& params) override;
    ScanCode Read(std::uint8_t* data, std::int32_t capacity, std::int32_t& length, bool& endOfFrame) override;
    void Cancel() override;

private:
    std::shared_ptr<FakeScannerSystem> m_owner;
    FakeScannerSystem& m_system;
    std::int32_t m_row = 0;
};

// Made with std::make_shared (its sources hold a share of it).
class FakeScannerSystem : public IScannerSystem, public std::enable_shared_from_this<FakeScannerSystem> {
public:
    explicit FakeScannerSystem(FakeScannerScript given = {}) : script(std::move(given)) {}

    ScanCode ListSources(std::vector<std::string>& names) override {
        if (script.listResult.ok()) names = script.names;
        return script.listResult;
    }
    ScanCode Open(const std::string& name, std::shared_ptr<IScannerDevice>& device) override {
        for (const auto& known : script.names) {
            if (known == name) {
                ++opened;
                device = std::make_shared<FakeScannerDevice>(shared_from_this());
                return {};
            }
        }
        return {scan::kNoDataSource, 0};
    }

    // The value of the page's pixel (x, y).
    static Pixel PixelOf(std::int32_t x, std::int32_t y) {
        return Pixel{static_cast<std::uint8_t>(x * 10), static_cast<std::uint8_t>(y * 20), 99};
    }

    FakeScannerScript script;
    int opened = 0;
    std::vector<ScanArea> areas;
    std::mutex mutex;
    std::condition_variable cancelled;
    int cancels = 0;
};

inline ScanCode FakeScannerDevice::GetPhysicalSize(std::int32_t& width, std::int32_t& height) {
    if (!m_system.script.sizeResult.ok()) return m_system.script.sizeResult;
    width = m_system.script.width;
    height = m_system.script.height;
    return {};
}

inline ScanCode FakeScannerDevice::SetScanArea(const ScanArea& area) {
    m_system.areas.push_back(area);
    return {};
}

inline ScanCode FakeScannerDevice::Start(FrameParams& params) {
    params = FrameParams{FrameFormat::Rgb, true, m_system.script.pageWidth * 3, m_system.script.pageWidth,
                         m_system.script.pageHeight, 8, m_system.script.resolution};
    m_row = 0;
    return {};
}

inline ScanCode FakeScannerDevice::Read(std::uint8_t* data, std::int32_t capacity, std::int32_t& length,
                                        bool& endOfFrame) {
    const FakeScannerScript& s = m_system.script;
    endOfFrame = false;
    length = 0;
    if (s.stallAfterRows >= 0 && m_row >= s.stallAfterRows) {
        // Dead: nothing until the page is cancelled, then a short page as SANE gives.
        std::unique_lock<std::mutex> lock(m_system.mutex);
        m_system.cancelled.wait(lock, [&] { return m_system.cancels > 0; });
        endOfFrame = true;
        return {};
    }
    if (m_row >= s.pageHeight) {
        endOfFrame = true;
        return {};
    }
    if (capacity < s.pageWidth * 3) return {scan::kScannerError, 0};
    for (std::int32_t x = 0; x < s.pageWidth; ++x) {
        const Pixel p = FakeScannerSystem::PixelOf(x, m_row);
        std::memcpy(data + 3 * x, &p, 3);
    }
    length = s.pageWidth * 3;
    ++m_row;
    return {};
}

inline void FakeScannerDevice::Cancel() {
    std::lock_guard<std::mutex> lock(m_system.mutex);
    ++m_system.cancels;
    m_system.cancelled.notify_all();
}

}  // namespace testsupport
