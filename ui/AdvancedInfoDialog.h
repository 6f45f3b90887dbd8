#pragma once

class Application;

// Shows the advanced information dialog for `path` and returns when it closes.
void showAdvancedInfo(Application& app, const char* path);
