#include "app/DeviceChoices.h"

#include "platform/UserStore.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Tessary\\Lumivane\\Settings";
constexpr char kSourcesKey[] = "Software\\Tessary\\Lumivane\\TwainSources";
constexpr char kSizeX[] = "WEB Camera Size X";
constexpr char kSizeY[] = "WEB Camera Size Y";
constexpr char kFramePeriod[] = "WEB Camera Frequency";
constexpr char kScannerSrc[] = "Scanner Twain Src";
constexpr char kCameraSrc[] = "Camera DShow Src";

bool IsNumber32(const std::optional<UserStore::Value>& value) {
    return value && value->type == UserStore::Type::Number32;
}

// A source name is taken from a string or an expandable string (as it stands, not expanded), up to its first zero
// byte as a string value ends there; any other value leaves the name as it was.
void ReadName(const UserStore& store, const char* name, std::string& target) {
    const auto value = store.QueryValue(kSourcesKey, name);
    if (!value) return;
    if (value->type != UserStore::Type::String && value->type != UserStore::Type::ExpandableString) return;
    target = value->text.substr(0, value->text.find('\0'));
}

}  // namespace

void DeviceChoices::Read(UserStore& store) {
    // Without the Settings key nothing is read, the source names included.
    if (!store.CreateKey(kSettingsKey)) return;

    // The two sizes are taken together or not at all.
    if (const auto x = store.QueryValue(kSettingsKey, kSizeX); IsNumber32(x)) {
        if (const auto y = store.QueryValue(kSettingsKey, kSizeY); IsNumber32(y)) {
            m_nCameraSizeX = static_cast<std::int32_t>(static_cast<std::uint32_t>(x->number));
            m_nCameraSizeY = static_cast<std::int32_t>(static_cast<std::uint32_t>(y->number));
        }
    }
    if (const auto period = store.QueryValue(kSettingsKey, kFramePeriod);
        period && period->type == UserStore::Type::Number64) {
        m_nCameraFramePeriod = static_cast<std::int64_t>(period->number);
    }

    // The sources key is only looked at, never created, when reading.
    if (!store.OpenKey(kSourcesKey)) return;
    ReadName(store, kScannerSrc, m_strScannerSrc);
    ReadName(store, kCameraSrc, m_strCameraSrc);
}

void DeviceChoices::Write(UserStore& store) const {
    // Failures are not reported: what can be written is written, the rest keeps what the store held.
    if (store.OpenKey(kSettingsKey)) {
        static_cast<void>(store.SetValue(kSettingsKey, kSizeX,
                                         UserStore::Value::Number32(static_cast<std::uint32_t>(m_nCameraSizeX))));
        static_cast<void>(store.SetValue(kSettingsKey, kSizeY,
                                         UserStore::Value::Number32(static_cast<std::uint32_t>(m_nCameraSizeY))));
        static_cast<void>(store.SetValue(kSettingsKey, kFramePeriod,
                                         UserStore::Value::Number64(static_cast<std::uint64_t>(m_nCameraFramePeriod))));
    }
    if (store.CreateKey(kSourcesKey)) {
        static_cast<void>(store.SetValue(kSourcesKey, kScannerSrc, UserStore::Value::String(m_strScannerSrc)));
        static_cast<void>(store.SetValue(kSourcesKey, kCameraSrc, UserStore::Value::String(m_strCameraSrc)));
    }
    static_cast<void>(store.Save());
}
