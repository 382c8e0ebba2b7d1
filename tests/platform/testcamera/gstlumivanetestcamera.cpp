/* A GStreamer plugin for tests and for trying the program without a camera: a device provider whose devices the
 * device monitor lists under the class "Video/Source", each backed by videotestsrc with its default SMPTE pattern
 * (not symmetric, so it shows orientation and channel order).
 *
 *   "Test Camera"            raw video, BGRx or YUY2, 320 x 240, 640 x 480 or 1280 x 720, 30 or 15 frames a second
 *   "Test Camera MJPEG"      JPEG frames, 640 x 480, 1280 x 720 or 1920 x 1080, 30 frames a second
 *   "Test Camera (busy)"     refuses to start with the resource error "busy", as a device held by another program
 *   "Test Camera (unplugs)"  as "Test Camera", then fails with an error on the bus after 10 frames (identity
 *                            error-after), as a camera that is pulled out
 *
 * Load it with GST_PLUGIN_PATH naming the folder of libgstlumivanetestcamera.so. */

#include <gst/gst.h>

#define PACKAGE "lumivane"
#define UNPLUG_AFTER_FRAMES 10

typedef enum { CAMERA_RAW, CAMERA_MJPEG, CAMERA_BUSY, CAMERA_UNPLUGS } CameraKind;

static const char* const raw_caps =
    "video/x-raw, format=(string){ BGRx, YUY2 }, width=(int)320, height=(int)240, framerate=(fraction){ 30/1, 15/1 }; "
    "video/x-raw, format=(string){ BGRx, YUY2 }, width=(int)640, height=(int)480, framerate=(fraction){ 30/1, 15/1 }; "
    "video/x-raw, format=(string){ BGRx, YUY2 }, width=(int)1280, height=(int)720, framerate=(fraction){ 30/1, 15/1 }";
static const char* const jpeg_caps =
    "image/jpeg, width=(int)640, height=(int)480, framerate=(fraction)30/1; "
    "image/jpeg, width=(int)1280, height=(int)720, framerate=(fraction)30/1; "
    "image/jpeg, width=(int)1920, height=(int)1080, framerate=(fraction)30/1";

/* ---- an element that cannot start because the device is busy ---------------------------------------------------- */

typedef struct {
    GstElement parent;
} LumivaneBusySrc;
typedef struct {
    GstElementClass parent_class;
} LumivaneBusySrcClass;

GType lumivane_busy_src_get_type(void);
G_DEFINE_TYPE(LumivaneBusySrc, lumivane_busy_src, GST_TYPE_ELEMENT)

static GstStaticPadTemplate busy_src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw"));

static GstStateChangeReturn lumivane_busy_src_change_state(GstElement* element, GstStateChange transition) {
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED) {
        GST_ELEMENT_ERROR(element, RESOURCE, BUSY, ("Device '/dev/video-test' is busy"), (NULL));
        return GST_STATE_CHANGE_FAILURE;
    }
    return GST_ELEMENT_CLASS(lumivane_busy_src_parent_class)->change_state(element, transition);
}

static void lumivane_busy_src_class_init(LumivaneBusySrcClass* klass) {
    GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element_class, &busy_src_template);
    gst_element_class_set_static_metadata(element_class, "Busy test camera", "Source/Video",
                                          "A camera that another program holds", "Lumivane");
    element_class->change_state = lumivane_busy_src_change_state;
}

static void lumivane_busy_src_init(LumivaneBusySrc* self) {
    GstPad* pad = gst_pad_new_from_static_template(&busy_src_template, "src");
    gst_element_add_pad(GST_ELEMENT(self), pad);
}

/* ---- the devices ------------------------------------------------------------------------------------------------- */

typedef struct {
    GstDevice parent;
    CameraKind kind;
} LumivaneTestCamera;
typedef struct {
    GstDeviceClass parent_class;
} LumivaneTestCameraClass;

GType lumivane_test_camera_get_type(void);
G_DEFINE_TYPE(LumivaneTestCamera, lumivane_test_camera, GST_TYPE_DEVICE)

/* A bin of the given elements in a row, its last element's source pad ghosted as the bin's. */
static GstElement* make_source_bin(const gchar* name, GstElement** elements, guint count) {
    GstElement* bin = gst_bin_new(name);
    for (guint i = 0; i < count; ++i) gst_bin_add(GST_BIN(bin), elements[i]);
    for (guint i = 1; i < count; ++i) gst_element_link(elements[i - 1], elements[i]);
    GstPad* last = gst_element_get_static_pad(elements[count - 1], "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", last));
    gst_object_unref(last);
    return bin;
}

static GstElement* make_pattern(void) {
    GstElement* source = gst_element_factory_make("videotestsrc", NULL);
    if (source != NULL) g_object_set(source, "is-live", TRUE, NULL);
    return source;
}

/* A caps filter that keeps the pattern to what the device offers, in its order: BGRx first, as uncompressed. */
static GstElement* make_offer(const char* caps_text) {
    GstElement* filter = gst_element_factory_make("capsfilter", NULL);
    if (filter != NULL) {
        GstCaps* caps = gst_caps_from_string(caps_text);
        g_object_set(filter, "caps", caps, NULL);
        gst_caps_unref(caps);
    }
    return filter;
}

static GstElement* lumivane_test_camera_create_element(GstDevice* device, const gchar* name) {
    LumivaneTestCamera* self = (LumivaneTestCamera*)device;
    GstElement* elements[4] = {NULL, NULL, NULL, NULL};
    guint count = 0;
    switch (self->kind) {
        case CAMERA_BUSY:
            return GST_ELEMENT(g_object_new(lumivane_busy_src_get_type(), "name", name, NULL));
        case CAMERA_RAW:
            elements[0] = make_pattern();
            elements[1] = make_offer(raw_caps);
            count = 2;
            break;
        case CAMERA_UNPLUGS:
            elements[0] = make_pattern();
            elements[1] = make_offer(raw_caps);
            elements[2] = gst_element_factory_make("identity", NULL);
            if (elements[2] != NULL) g_object_set(elements[2], "error-after", UNPLUG_AFTER_FRAMES, NULL);
            count = 3;
            break;
        case CAMERA_MJPEG:
            elements[0] = make_pattern();
            elements[1] = gst_element_factory_make("jpegenc", NULL);
            elements[2] = make_offer(jpeg_caps);
            count = 3;
            break;
    }
    gboolean complete = count > 0;
    for (guint i = 0; i < count; ++i) complete = complete && elements[i] != NULL;
    if (complete) return make_source_bin(name, elements, count);
    for (guint i = 0; i < count; ++i) {
        if (elements[i] != NULL) gst_object_unref(gst_object_ref_sink(elements[i]));
    }
    return NULL;
}

static void lumivane_test_camera_class_init(LumivaneTestCameraClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = lumivane_test_camera_create_element;
}

static void lumivane_test_camera_init(LumivaneTestCamera* self) {
    self->kind = CAMERA_RAW;
}

static GstDevice* make_camera(const gchar* name, const gchar* caps_text, CameraKind kind) {
    GstCaps* caps = gst_caps_from_string(caps_text);
    GstStructure* properties = gst_structure_new("lumivane-test-camera", "device.api", G_TYPE_STRING, "test", NULL);
    LumivaneTestCamera* camera = (LumivaneTestCamera*)g_object_new(lumivane_test_camera_get_type(), "display-name", name, "device-class",
                                              "Video/Source", "caps", caps, "properties", properties, NULL);
    camera->kind = kind;
    gst_caps_unref(caps);
    gst_structure_free(properties);
    return GST_DEVICE(camera);
}

/* ---- the provider ------------------------------------------------------------------------------------------------ */

typedef struct {
    GstDeviceProvider parent;
} LumivaneTestCameraProvider;
typedef struct {
    GstDeviceProviderClass parent_class;
} LumivaneTestCameraProviderClass;

GType lumivane_test_camera_provider_get_type(void);
G_DEFINE_TYPE(LumivaneTestCameraProvider, lumivane_test_camera_provider, GST_TYPE_DEVICE_PROVIDER)

static GList* lumivane_test_camera_provider_probe(GstDeviceProvider* provider) {
    (void)provider;
    GList* devices = NULL;
    devices = g_list_append(devices, gst_object_ref_sink((gpointer)make_camera("Test Camera", raw_caps, CAMERA_RAW)));
    devices = g_list_append(devices, gst_object_ref_sink((gpointer)make_camera("Test Camera MJPEG", jpeg_caps, CAMERA_MJPEG)));
    devices = g_list_append(devices, gst_object_ref_sink((gpointer)make_camera("Test Camera (busy)", raw_caps, CAMERA_BUSY)));
    devices = g_list_append(devices,
                            gst_object_ref_sink((gpointer)make_camera("Test Camera (unplugs)", raw_caps, CAMERA_UNPLUGS)));
    return devices;
}

static void lumivane_test_camera_provider_class_init(LumivaneTestCameraProviderClass* klass) {
    GstDeviceProviderClass* provider_class = GST_DEVICE_PROVIDER_CLASS(klass);
    provider_class->probe = lumivane_test_camera_provider_probe;
    gst_device_provider_class_set_static_metadata(provider_class, "Lumivane test cameras", "Source/Video",
                                                  "Cameras that show a test pattern", "Lumivane");
}

static void lumivane_test_camera_provider_init(LumivaneTestCameraProvider* self) {
    (void)self;
}

static gboolean plugin_init(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, "lumivanetestcameraprovider", GST_RANK_PRIMARY,
                                        lumivane_test_camera_provider_get_type());
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, lumivanetestcamera, "Test cameras for Lumivane",
                  plugin_init, "0.1", "LGPL", "Lumivane", "https://example.invalid/lumivane")
