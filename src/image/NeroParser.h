#pragma once

#include <string>

#include "image/FooterWindow.h"
#include "image/TrackTable.h"

// Nero images (.nrg): the track data, followed by a chain of chunks (a
// four-character identifier, a big-endian size, that many bytes) whose start
// the last four bytes of the file give. This reader understands the chain
// that begins with the CUES table of contents.

// Fills `table` from the footer of the image at `imagePath`. False when the
// chain does not start with CUES, holds a chunk this reader does not know, or
// runs past the end of the file.
bool ParseNero(const FooterWindow& footer, const std::string& imagePath, TrackTable& table);
