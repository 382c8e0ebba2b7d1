// libFuzzer harness: any bytes as the per-user store's file. The store is read; when it parsed, what it writes must
// read back to the same text, and a value set on a key it holds must be found again.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/UserStore.h"

namespace {

std::string StorePath() {
    const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return folder + "/lumivane-fuzz-store-" + std::to_string(::getpid());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = StorePath();
    static const int removeAtExit = std::atexit([] { ::unlink(path.c_str()); });
    static_cast<void>(removeAtExit);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    UserStore store(path);
    if (store.State() != UserStore::FileState::Loaded) return 0;
    const std::string text = store.Serialize();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    UserStore again(path);
    if (again.State() != UserStore::FileState::Loaded || again.Serialize() != text) std::abort();
    if (again.OpenKey("Software") && again.SetValue("Software", "Fuzz", UserStore::Value::Number64(42))) {
        if (again.QueryValue("SOFTWARE", "fuzz") != UserStore::Value::Number64(42)) std::abort();
    }
    return 0;
}
