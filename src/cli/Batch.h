#pragma once

// Runs one piece of work per input file on several threads, shows the
// progress (a bar on a terminal, a line per file otherwise), goes on past
// failures and reports them all at the end.

#include <functional>
#include <string>
#include <vector>

namespace cli {

// work(input, error) returns false with a reason. Returns kOk when every
// input succeeded, kFailed otherwise. jobs <= 0 means one per core.
int RunBatch(const std::vector<std::string>& inputs, int jobs,
             const std::function<bool(const std::string& input, std::string& error)>& work);

} // namespace cli
