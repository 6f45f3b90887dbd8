#pragma once

class Application;

// The input chooser: takes the path in the input field, lets the user pick a
// source, proposes the link file's name and previews the source. Cancelling
// the pick still proposes and previews what the field held.
void chooseSource(Application& app);

// What the input chooser does once `sourcePath` holds its pick; a file
// dropped on the window is taken the same way. Shows the path in the input
// field, proposes the link file's name and previews the source.
void takeChosenSource(Application& app);

// The output chooser: a save dialog that asks about overwriting on its own,
// so a chosen file is not asked about again when the link is made.
void chooseOutput(Application& app);
