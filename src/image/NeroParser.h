#pragma once

#include <string>

#include "image/FooterWindow.h"
#include "image/TrackTable.h"

// Nero images (.nrg): the track data, followed by a chain of chunks (a
// four-character identifier, a big-endian size, that many bytes) that the
// footer locates: "NER5" and a 64-bit offset in the last 12 bytes (the images
// of Nero 5.5 and later), else a 32-bit offset in the last 4 (after "NERO").
//
// A disc-at-once session is a cue chunk (CUES with positions as minutes,
// seconds and frames, CUEX with sector numbers) that places every track on
// the disc, and a DAO chunk (DAOI, or DAOX with 64-bit offsets) that gives
// each track's mode, sector size and place in the file. A track-at-once
// session is an ETNF chunk (ETN2 with 64-bit offsets). SINF, CDTX, MTYP, DINF,
// TOCT and RELO chunks say nothing about where sectors lie and are skipped.

// Fills `table` from the footer of the image at `imagePath`. False when the
// chain holds no track, a chunk this reader does not know, or a chunk that
// runs past the end of the file.
bool ParseNero(const FooterWindow& footer, const std::string& imagePath, TrackTable& table);
