#pragma once

#include <string>

#include "image/FooterWindow.h"
#include "image/TrackTable.h"

// DiscJuggler images (.cdi): the track data, followed near the end of the file
// by a block of session and track headers whose position the last four bytes
// give. Eight layouts of that block are known; they are tried in order.

// Fills `table` from the footer of the image at `imagePath`. False when no
// layout describes the block.
bool ParseDiscJuggler(const FooterWindow& footer, const std::string& imagePath, TrackTable& table);
