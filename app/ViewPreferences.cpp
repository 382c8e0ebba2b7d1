#include "app/ViewPreferences.h"

#include "platform/UserStore.h"

namespace {

constexpr char kViewKey[] = "Software\\Tessary\\Lumivane\\View";
constexpr char kExactPreview[] = "Exact Preview";
constexpr char kPictureFolder[] = "Picture Folder";
constexpr char kProfileFolder[] = "Profile Folder";

void ReadFolder(const UserStore& store, const char* name, std::string& target) {
    const auto value = store.QueryValue(kViewKey, name);
    if (value && value->type == UserStore::Type::String) target = value->text;
}

}  // namespace

void ViewPreferences::Read(UserStore& store) {
    if (!store.OpenKey(kViewKey)) return;
    if (const auto exact = store.QueryValue(kViewKey, kExactPreview);
        exact && exact->type == UserStore::Type::Number32) {
        m_bExactPreview = exact->number != 0;
    }
    ReadFolder(store, kPictureFolder, m_strPictureFolder);
    ReadFolder(store, kProfileFolder, m_strProfileFolder);
}

void ViewPreferences::Write(UserStore& store) const {
    if (!store.CreateKey(kViewKey)) return;
    static_cast<void>(store.SetValue(kViewKey, kExactPreview, UserStore::Value::Number32(m_bExactPreview ? 1 : 0)));
    static_cast<void>(store.SetValue(kViewKey, kPictureFolder, UserStore::Value::String(m_strPictureFolder)));
    static_cast<void>(store.SetValue(kViewKey, kProfileFolder, UserStore::Value::String(m_strProfileFolder)));
    static_cast<void>(store.Save());
}
