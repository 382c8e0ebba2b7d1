#pragma once
// Owners of the GStreamer and GLib handles used by the camera code: each releases its handle with the matching
// unref or free when it goes, so no path out of a function leaks one. Only platform/ sources include this header.

#include <gst/gst.h>

#include <memory>

namespace gsthandles {

struct ObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr) gst_object_unref(object);
    }
};
struct CapsUnref {
    void operator()(GstCaps* caps) const {
        if (caps != nullptr) gst_caps_unref(caps);
    }
};
struct SampleUnref {
    void operator()(GstSample* sample) const {
        if (sample != nullptr) gst_sample_unref(sample);
    }
};
struct MessageUnref {
    void operator()(GstMessage* message) const {
        if (message != nullptr) gst_message_unref(message);
    }
};
struct ErrorFree {
    void operator()(GError* error) const {
        if (error != nullptr) g_error_free(error);
    }
};
struct TextFree {
    void operator()(gchar* text) const { g_free(text); }
};
struct DeviceListFree {
    void operator()(GList* list) const { g_list_free_full(list, gst_object_unref); }
};

template <typename T>
using ObjectPtr = std::unique_ptr<T, ObjectUnref>;
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;
using SamplePtr = std::unique_ptr<GstSample, SampleUnref>;
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;
using TextPtr = std::unique_ptr<gchar, TextFree>;
using DeviceListPtr = std::unique_ptr<GList, DeviceListFree>;

}  // namespace gsthandles
