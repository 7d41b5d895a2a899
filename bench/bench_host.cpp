// A stand-in for the renderer's host module, for the benchmarks: it exports
// mi_phen_eval, which answers at once with the parameter's own address, so
// that a benchmark measures the caller's side of the call alone.
extern "C" __attribute__((visibility("default"))) void *mi_phen_eval(void *, void *param) { return param; }
