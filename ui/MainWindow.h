#pragma once

class Application;

// Creates the main window with its menu and the link dialog; false when the
// window class could not be registered (the message has then been shown).
bool createMainWindow(Application& app);
