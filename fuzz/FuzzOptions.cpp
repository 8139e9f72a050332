// Sanitizer settings of every fuzz target; ASAN_OPTIONS still overrides them.
//
// The address sanitizer holds freed memory back for 256 MB by default, so an input that allocates a
// lot keeps touching fresh pages and the kernel's page faults become the fuzzer's bottleneck. 16 MB
// still catches a use after free within one input, which is where a fuzzer finds them.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}
