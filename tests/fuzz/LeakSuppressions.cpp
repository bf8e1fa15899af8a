// Under LeakSanitizer: Assimp keeps a few hundred bytes of its own on some damaged files it
// refuses. That is the library's; everything of ours must still leak nothing.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libassimp.so\n"; }
