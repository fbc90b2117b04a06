// Font configuration and the session bus keep caches for the life of the process that Qt
// never hands back; they are not the display's leaks.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
