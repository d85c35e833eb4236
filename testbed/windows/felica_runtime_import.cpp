// Makes the FeliCa library double import the reader runtime double: the library then loads only
// where the system finds the runtime.

extern "C" __declspec(dllimport) int reader_runtime_version();

[[maybe_unused]] static const int runtime_version = reader_runtime_version();
