#pragma once

#include "CliCommon.h"

namespace cli {

int RunInfo(Args args);
int RunNew(Args args);
int RunResave(Args args);
int RunRepair(Args args);
int RunEdit(Args args);
int RunReplaceIndex(Args args);
int RunImport(Args args);
int RunExportFrame(Args args);
int RunSheet(Args args);
int RunExportAll(Args args);
int RunBuild(Args args);
int RunPalettes(Args args);
int RunPalette(Args args);
int RunExportSheet(Args args);
int RunImportSheet(Args args);

} // namespace cli
