#include "ui/SourceInfoFields.h"

// Placeholder until the link dialog lands.
void fillSourceInfoFields(Application&, SourceReader*) {}
