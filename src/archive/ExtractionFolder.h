#pragma once

#include <string>

// The private folder into which this process extracts archives:
// "Kelvane-<process id>" in the temporary folder. The process id keeps two
// running instances apart, and tells a later run whether the process that
// made a folder is still there.
std::string ExtractionFolder();

// Removes the extraction folders that processes of this user left behind
// when they were killed or crashed: folders of that name in the temporary
// folder whose process no longer exists. A folder of another user, a folder
// of a process that still runs and anything that is no plain folder (a link
// of that name) stay as they are; links inside are removed, never followed.
void RemoveAbandonedExtractionFolders();
