// System libraries (fontconfig, D-Bus, Mesa's software OpenGL) keep caches for
// the life of the process, which LeakSanitizer would report as leaks of ours.
// Linked into every test program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:libGLX_mesa.so\n"
         "leak:swrast_dri.so\n"
         "leak:libLLVM\n";
}
