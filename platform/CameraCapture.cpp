#include "platform/CameraCapture.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/CameraDevice.h"
#include "platform/CameraRenderer.h"
#include "platform/GstHandles.h"

using namespace gsthandles;

bool SampleFits(const VideoSample& sample) {
    if (sample.data == nullptr || sample.width <= 0 || sample.height <= 0 || sample.stride <= 0) return false;
    const auto rowBytes = static_cast<std::size_t>(sample.width) * 4;
    const auto stride = static_cast<std::size_t>(sample.stride);
    return stride >= rowBytes && sample.size / stride >= static_cast<std::size_t>(sample.height);
}

namespace {

struct ContextUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
};
struct LoopUnref {
    void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};
struct SourceDestroy {
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
};

// An element made by its factory and owned here until a bin takes its own reference.
ObjectPtr<GstElement> MakeElement(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    return ObjectPtr<GstElement>(element != nullptr ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

CameraFailure Failure(CameraFailure::Kind kind, std::string text, unsigned code = 0) {
    CameraFailure failure;
    failure.kind = kind;
    failure.text = std::move(text);
    failure.code = code;
    return failure;
}

std::string CapsText(GstCaps* caps) {
    if (caps == nullptr) return {};
    TextPtr text(gst_caps_to_string(caps));
    return text ? std::string(text.get()) : std::string();
}

}  // namespace

struct CameraCapture::Impl {
    explicit Impl(CameraRendererBase& r) : renderer(r) {}

    CameraRendererBase& renderer;

    // Shared between the interface thread, the streaming thread and the bus thread.
    std::mutex mutex;
    std::condition_variable changed;
    FailureListener listener;
    bool agreed = false;     // SetMediaType has run
    bool started = false;    // Start has returned success: failures go to the listener
    bool reported = false;   // the listener has heard of this run's failure
    CameraFailure failure;   // the first failure of this run
    std::atomic<bool> accepting{true};
    std::atomic<std::uint64_t> refused{0};

    // The streaming thread's view of the agreed type.
    VideoMediaType type;

    // Owned by the thread that calls Start and Stop.
    ObjectPtr<GstDevice> device;
    ObjectPtr<GstElement> pipeline;
    std::unique_ptr<GMainContext, ContextUnref> context;
    std::unique_ptr<GMainLoop, LoopUnref> loop;
    std::unique_ptr<GSource, SourceDestroy> watch;
    std::thread busThread;
    CameraFormat requested;
    std::vector<CameraFormat> offered;
    std::string path;

    void Fail(const CameraFailure& what) {
        FailureListener tell;
        {
            std::lock_guard lock(mutex);
            if (failure) return;
            failure = what;
            if (started && !reported) {
                reported = true;
                tell = listener;
            }
        }
        changed.notify_all();
        if (tell) tell(what);
    }

    void OnMessage(GstMessage* message) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            Fail(Failure(CameraFailure::Kind::Failed, "the camera stopped sending pictures"));
            return;
        }
        if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) return;
        GError* raw = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &raw, &debug);
        ErrorPtr error(raw);
        TextPtr details(debug);
        if (!error) return;
        const bool busy = error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_BUSY;
        Fail(Failure(busy ? CameraFailure::Kind::Busy : CameraFailure::Kind::Failed, error->message,
                     static_cast<unsigned>(error->code)));
    }

    void OnCaps(GstCaps* caps) {
        GstVideoInfo info;
        VideoMediaType agreed_type;
        const GstStructure* structure = gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
        if (structure != nullptr) agreed_type.media = gst_structure_get_name(structure);
        if (gst_video_info_from_caps(&info, caps)) {
            agreed_type.format = gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info));
            agreed_type.width = GST_VIDEO_INFO_WIDTH(&info);
            agreed_type.height = GST_VIDEO_INFO_HEIGHT(&info);
            agreed_type.stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
            if (GST_VIDEO_INFO_FPS_N(&info) > 0) {
                agreed_type.framePeriod = static_cast<std::int64_t>(10000000) * GST_VIDEO_INFO_FPS_D(&info) /
                                          GST_VIDEO_INFO_FPS_N(&info);
            }
        }
        if (!renderer.CheckMediaType(agreed_type)) {
            accepting = false;
            Fail(Failure(CameraFailure::Kind::Refused, "the renderer does not take " + CapsText(caps)));
            return;
        }
        type = agreed_type;
        accepting = true;
        renderer.SetMediaType(type);
        {
            std::lock_guard lock(mutex);
            agreed = true;
        }
        changed.notify_all();
    }

    void OnSample(GstSample* sample) {
        if (!accepting) return;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer == nullptr || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
        const VideoSample frame{map.data, map.size, type.width, type.height, type.stride};
        if (SampleFits(frame)) {
            renderer.DoRenderSample(frame);
        } else {
            ++refused;
        }
        gst_buffer_unmap(buffer, &map);
    }

    static gboolean BusCallback(GstBus*, GstMessage* message, gpointer self) {
        try {
            static_cast<Impl*>(self)->OnMessage(message);
        } catch (...) {
        }
        return TRUE;
    }
    static GstPadProbeReturn CapsProbe(GstPad*, GstPadProbeInfo* info, gpointer self) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            try {
                if (caps != nullptr) static_cast<Impl*>(self)->OnCaps(caps);
            } catch (...) {
            }
        }
        return GST_PAD_PROBE_OK;
    }
    static GstFlowReturn NewSample(GstAppSink* sink, gpointer self) {
        SamplePtr sample(gst_app_sink_pull_sample(sink));
        if (!sample) return GST_FLOW_OK;
        try {
            static_cast<Impl*>(self)->OnSample(sample.get());
        } catch (...) {
        }
        return GST_FLOW_OK;
    }
    static gboolean QuitLoop(gpointer loop) {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
    }

    CameraFailure Build(const CameraFormat& format);
    void StartBusThread();
    void StopBusThread();
};

CameraCapture::CameraCapture(CameraRendererBase& renderer) : m_pImpl(std::make_unique<Impl>(renderer)) {}

CameraCapture::~CameraCapture() {
    Stop();
}

void CameraCapture::SetFailureListener(FailureListener listener) {
    std::lock_guard lock(m_pImpl->mutex);
    m_pImpl->listener = std::move(listener);
}

CameraFormat CameraCapture::FormatFor(const std::string& deviceName, int width, int height,
                                      std::int64_t framePeriod) {
    ObjectPtr<GstDevice> device = FindCameraDevice(deviceName);
    if (!device) return {};
    CapsPtr caps(gst_device_get_caps(device.get()));
    return ChooseFormat(FormatsFromCaps(CapsText(caps.get()), width, height), width, height, framePeriod);
}

CameraFailure CameraCapture::Impl::Build(const CameraFormat& format) {
    ObjectPtr<GstElement> filter = MakeElement("capsfilter");
    ObjectPtr<GstElement> convert = MakeElement("videoconvert");
    ObjectPtr<GstElement> bgrx = MakeElement("capsfilter");
    ObjectPtr<GstElement> sink = MakeElement("appsink");
    ObjectPtr<GstElement> decode;
    if (format.media == "image/jpeg") decode = MakeElement("jpegdec");
    if (!convert || (format.media == "image/jpeg" && !decode)) {
        return Failure(CameraFailure::Kind::NoConverter, "the GStreamer element videoconvert or jpegdec is missing");
    }
    if (!filter || !bgrx || !sink) {
        return Failure(CameraFailure::Kind::NoPipeline, "the GStreamer base elements are missing");
    }
    GstElement* made = gst_device_create_element(device.get(), "capturer");
    ObjectPtr<GstElement> source(made != nullptr ? GST_ELEMENT(gst_object_ref_sink(made)) : nullptr);
    if (!source) return Failure(CameraFailure::Kind::NoSource, "the device gave no source element");

    if (!format.media.empty()) {
        CapsPtr request(gst_caps_from_string(RequestCaps(format).c_str()));
        g_object_set(filter.get(), "caps", request.get(), nullptr);
    }
    CapsPtr frames(gst_caps_from_string("video/x-raw, format=(string)BGRx"));
    g_object_set(bgrx.get(), "caps", frames.get(), nullptr);
    g_object_set(sink.get(), "sync", FALSE, "max-buffers", 1, "drop", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &Impl::NewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, this, nullptr);
    GstPad* sinkPad = gst_element_get_static_pad(sink.get(), "sink");
    gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &Impl::CapsProbe, this, nullptr);
    gst_object_unref(sinkPad);

    GstElement* made_pipeline = gst_pipeline_new("camera");
    pipeline.reset(GST_ELEMENT(gst_object_ref_sink(made_pipeline)));
    GstBin* bin = GST_BIN(pipeline.get());
    gst_bin_add_many(bin, source.get(), filter.get(), convert.get(), bgrx.get(), sink.get(), nullptr);
    bool linked = gst_element_link(source.get(), filter.get());
    if (decode) {
        gst_bin_add(bin, decode.get());
        linked = linked && gst_element_link_many(filter.get(), decode.get(), convert.get(), nullptr);
    } else {
        linked = linked && gst_element_link(filter.get(), convert.get());
    }
    linked = linked && gst_element_link_many(convert.get(), bgrx.get(), sink.get(), nullptr);
    if (!linked) {
        return Failure(CameraFailure::Kind::NoPipeline, "the camera offers no format that can be shown");
    }
    return {};
}

void CameraCapture::Impl::StartBusThread() {
    context.reset(g_main_context_new());
    loop.reset(g_main_loop_new(context.get(), FALSE));
    GstBus* bus = gst_element_get_bus(pipeline.get());
    watch.reset(gst_bus_create_watch(bus));
    gst_object_unref(bus);
    g_source_set_callback(watch.get(), G_SOURCE_FUNC(&Impl::BusCallback), this, nullptr);
    g_source_attach(watch.get(), context.get());
    busThread = std::thread([this] {
        g_main_context_push_thread_default(context.get());
        g_main_loop_run(loop.get());
        g_main_context_pop_thread_default(context.get());
    });
}

void CameraCapture::Impl::StopBusThread() {
    if (busThread.joinable()) {
        // The loop is quit from inside itself, so a quit that comes before the loop runs is not lost.
        GSource* quit = g_idle_source_new();
        g_source_set_callback(quit, &Impl::QuitLoop, loop.get(), nullptr);
        g_source_attach(quit, context.get());
        g_source_unref(quit);
        busThread.join();
    }
    watch.reset();
    loop.reset();
    context.reset();
}

CameraFailure CameraCapture::Start(const std::string& deviceName, const CameraFormat& format,
                                   std::chrono::milliseconds timeout) {
    Stop();
    Impl& d = *m_pImpl;
    if (Status ready = EnsureGStreamer(); !ready) return Failure(CameraFailure::Kind::NoGStreamer, ready.message());
    d.device = FindCameraDevice(deviceName);
    if (!d.device) return Failure(CameraFailure::Kind::NotFound, "no camera is named \"" + deviceName + "\"");
    CapsPtr caps(gst_device_get_caps(d.device.get()));
    d.offered = FormatsFromCaps(CapsText(caps.get()), format.width, format.height);
    d.path = CameraDevicePath(d.device.get());
    d.requested = format;
    d.accepting = true;
    if (CameraFailure failure = d.Build(format)) {
        Stop();
        return failure;
    }
    d.StartBusThread();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    if (gst_element_set_state(d.pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        // The element that failed has posted its reason on the bus; wait for the watch to see it.
        std::unique_lock lock(d.mutex);
        if (!d.changed.wait_until(lock, deadline, [&] { return bool(d.failure); })) {
            d.failure = Failure(CameraFailure::Kind::Failed, "the camera could not be started");
        }
    }
    CameraFailure failure;
    {
        std::unique_lock lock(d.mutex);
        if (!d.changed.wait_until(lock, deadline, [&] { return d.agreed || bool(d.failure); })) {
            d.failure = Failure(CameraFailure::Kind::Timeout, "the camera agreed on no picture format in time");
        }
        failure = d.failure;
        if (!failure) d.started = true;
    }
    if (failure) Stop();
    return failure;
}

void CameraCapture::Stop() {
    Impl& d = *m_pImpl;
    if (d.pipeline) {
        // Waits until the streaming thread has left the sink's callbacks.
        gst_element_set_state(d.pipeline.get(), GST_STATE_NULL);
    }
    d.StopBusThread();
    d.pipeline.reset();
    d.device.reset();
    std::lock_guard lock(d.mutex);
    d.agreed = false;
    d.started = false;
    d.reported = false;
    d.failure = {};
}

bool CameraCapture::IsRunning() const {
    std::lock_guard lock(m_pImpl->mutex);
    return m_pImpl->started && !m_pImpl->failure;
}

std::vector<CameraFormat> CameraCapture::OfferedFormats() const {
    return m_pImpl->offered;
}

CameraFormat CameraCapture::RequestedFormat() const {
    return m_pImpl->requested;
}

std::string CameraCapture::DevicePath() const {
    return m_pImpl->path;
}

std::uint64_t CameraCapture::RefusedFrames() const {
    return m_pImpl->refused;
}
