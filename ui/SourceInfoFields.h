#pragma once

class Application;
class SourceReader;

// The window-mode half of the information report: fills the link dialog's
// eleven value fields ("none" first, then what the source reports).
void fillSourceInfoFields(Application& app, SourceReader* source);
