#include "platform/CameraDevice.h"

using namespace gsthandles;

Status EnsureGStreamer() {
    if (gst_is_initialized()) return Status::Ok();
    GError* raw = nullptr;
    if (!gst_init_check(nullptr, nullptr, &raw)) {
        ErrorPtr error(raw);
        return Status::Error(std::string("camera: GStreamer could not be initialised: ") +
                             (error ? error->message : "unknown cause"));
    }
    return Status::Ok();
}

ObjectPtr<GstDevice> FindCameraDevice(const std::string& name) {
    if (!EnsureGStreamer()) return nullptr;
    ObjectPtr<GstDeviceMonitor> monitor(gst_device_monitor_new());
    if (!monitor) return nullptr;
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    DeviceListPtr devices(gst_device_monitor_get_devices(monitor.get()));
    for (GList* item = devices.get(); item != nullptr; item = item->next) {
        GstDevice* device = GST_DEVICE(item->data);
        TextPtr shown(gst_device_get_display_name(device));
        if (shown && name == shown.get()) return ObjectPtr<GstDevice>(GST_DEVICE(gst_object_ref(device)));
    }
    return nullptr;
}

std::string CameraDevicePath(GstDevice* device) {
    GstStructure* properties = gst_device_get_properties(device);
    if (properties == nullptr) return {};
    std::string path;
    for (const char* key : {"api.v4l2.path", "device.path"}) {
        if (const gchar* value = gst_structure_get_string(properties, key)) {
            path = value;
            break;
        }
    }
    gst_structure_free(properties);
    return path;
}
