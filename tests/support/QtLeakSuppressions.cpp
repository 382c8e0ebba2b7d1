// Leaks that LeakSanitizer finds in the libraries under Qt, not in Lumivane: fontconfig keeps its configuration and
// D-Bus a connection buffer until the process ends. Linked into the widget test programs; without the sanitizer this
// function is never called.

extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           // SANE's test backend loses its picture buffer when a page is ended while its reader thread finishes
           // (SaneTestBackend.h keeps the backend loaded so that its frames can be named).
           "leak:libsane-test.so\n";
}
