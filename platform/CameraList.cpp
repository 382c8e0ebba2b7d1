#include "platform/CameraList.h"

#include <gst/gst.h>

#include <future>
#include <memory>
#include <thread>

namespace {

struct GstObjectDeleter {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using MonitorPtr = std::unique_ptr<GstDeviceMonitor, GstObjectDeleter>;

struct DeviceListDeleter {
    void operator()(GList* list) const { g_list_free_full(list, gst_object_unref); }
};
using DeviceList = std::unique_ptr<GList, DeviceListDeleter>;

struct GFreeDeleter {
    void operator()(gchar* text) const { g_free(text); }
};

Status ListNow(std::vector<std::string>& names) {
    MonitorPtr monitor(gst_device_monitor_new());
    if (!monitor) return Status::Error("cameras: GStreamer's device monitor could not be made");
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    // get_devices without start probes every provider once, which is all a listing needs.
    DeviceList devices(gst_device_monitor_get_devices(monitor.get()));
    names.clear();
    for (GList* item = devices.get(); item != nullptr; item = item->next) {
        std::unique_ptr<gchar, GFreeDeleter> name(gst_device_get_display_name(GST_DEVICE(item->data)));
        if (name) names.emplace_back(name.get());
    }
    return Status::Ok();
}

}  // namespace

Status ListCameraNames(std::vector<std::string>& names, std::chrono::milliseconds timeout) {
    if (!gst_is_initialized()) {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            std::string cause = error != nullptr ? error->message : "unknown cause";
            if (error != nullptr) g_error_free(error);
            return Status::Error("cameras: GStreamer could not be initialised: " + cause);
        }
    }
    // The listing runs on a thread of its own so that a provider that never answers cannot hold the caller; such a
    // thread is left to finish on its own and its result is dropped.
    auto task = std::make_shared<std::packaged_task<std::pair<Status, std::vector<std::string>>()>>([] {
        std::vector<std::string> found;
        Status status = ListNow(found);
        return std::make_pair(std::move(status), std::move(found));
    });
    auto result = task->get_future();
    std::thread([task] { (*task)(); }).detach();
    if (result.wait_for(timeout) != std::future_status::ready) {
        return Status::Error("cameras: the device listing did not answer within " +
                             std::to_string(timeout.count() / 1000) + " s");
    }
    auto [status, found] = result.get();
    if (status) names = std::move(found);
    return status;
}
