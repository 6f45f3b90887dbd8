#pragma once
#include <cstdint>

class Application;
class SourceReader;

// "YV12", "YUY2", "RGB24", "RGB32", else "UNKNOWN".
const char* formatName(int32_t code);

// Reports an opened source (or its absence, when null): console lines in
// command-line mode, the link dialog's information fields in window mode.
void showSourceInfo(Application& app, SourceReader* source);
