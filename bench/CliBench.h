#pragma once

namespace custodia::bench {

class BenchData;

// custodiactl's commands, each a whole run of the program, beside the same file read by cat.
void RegisterCliBenchmarks(const BenchData& data);

} // namespace custodia::bench
