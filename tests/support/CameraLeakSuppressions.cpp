// Leaks that LeakSanitizer finds in the libraries under Qt and GStreamer, not in Lumivane: fontconfig keeps its
// configuration and D-Bus a connection buffer, and GStreamer its registry, plugins and type system, until the process
// ends. Linked into the camera test programs in place of QtLeakSuppressions.cpp.

extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:libgstreamer-1.0.so\n"
           "leak:libgstvideo-1.0.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n";
}
