#pragma once

#include "CliCommon.h"

namespace cli {

int RunInfo(Args args);
int RunNew(Args args);
int RunResave(Args args);
int RunEdit(Args args);

} // namespace cli
