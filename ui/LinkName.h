#pragma once
#include "app/UserSettings.h"

// Proposes the link file's name for the source path: the source's extension
// replaced by "AVI", or "_SHIM.AVI" after the stem when that would name the
// source itself. Lower-cases the letters A to Z of both paths in place, as the
// comparison needs. A proposal that would not fit the field leaves the output
// path empty rather than naming some other, cut-off file.
void proposeLinkName(char (&sourcePath)[kPathCapacity], char (&outputPath)[kPathCapacity]);
