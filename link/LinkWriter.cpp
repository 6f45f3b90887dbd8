#include "link/LinkWriter.h"

// Placeholder until the link file writer lands: no link is ever written.
LinkWriter::LinkWriter() = default;
LinkWriter::~LinkWriter() = default;

bool LinkWriter::createLink(const char*, const char*, int32_t, int32_t, int32_t, int32_t, int32_t,
                            int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool, bool, bool,
                            bool, int32_t, SourceCallbacks, ProgressHooks) {
    return false;
}
