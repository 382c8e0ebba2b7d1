// Leaks that LeakSanitizer finds in the libraries under Qt, not in Lumivane: fontconfig keeps its configuration and
// D-Bus a connection buffer until the process ends. Linked into the widget test programs; without the sanitizer this
// function is never called.

extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
