#pragma once
#include <windows.h>
#include <shellapi.h>

class Application;

// A drop (WM_DROPFILES) chooses the input file as the input chooser does.
// A link has one source: of several files the first is taken, and the user
// is told; a folder is refused. The drop is released in every case.
void takeDroppedFiles(Application& app, HDROP drop);

// The message dialog is small: these texts fit it without the path, which
// the input field shows anyway.
inline constexpr char kSeveralFilesDroppedText[] = "Several files were dropped: the first one is used";
inline constexpr char kFolderDroppedText[] = "A folder cannot be linked: drop a file";
inline constexpr char kDroppedPathTooLongText[] = "The dropped file's path is too long";
