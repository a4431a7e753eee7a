// System libraries (fontconfig, D-Bus) keep caches for the life of the
// process, which LeakSanitizer would report as leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";
}
