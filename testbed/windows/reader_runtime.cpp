// A stand-in for a reader maker's runtime: a DLL that a FeliCa library imports and that the
// maker's installer puts in a folder of its own, named by PATH.

extern "C" __declspec(dllexport) int reader_runtime_version() { return 1; }
