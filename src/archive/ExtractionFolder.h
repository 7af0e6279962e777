#pragma once

#include <string>

// Makes the private folder into which this process extracts an archive:
// "Kelvane-<process id>-XXXXXX" in the temporary folder, the end chosen at
// random by mkdtemp and the folder made in the same step, readable by this
// user only. Another user cannot foresee the name, so cannot put a folder or
// a link of their own there first. The process id tells a later run whether
// the process that made a folder is still there. "" when no folder could be
// made.
std::string MakeExtractionFolder();

// Removes the extraction folders that processes of this user left behind
// when they were killed or crashed: folders of that name (or of the older
// "Kelvane-<process id>") in the temporary folder whose process no longer
// exists. A folder of another user, a folder of a process that still runs
// and anything that is no plain folder (a link of that name) stay as they
// are; links inside are removed, never followed.
void RemoveAbandonedExtractionFolders();
