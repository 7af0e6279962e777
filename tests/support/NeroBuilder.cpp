#include "support/NeroBuilder.h"

#include "support/PutBytes.h"

namespace testsupport {
namespace {

std::string DaoBody(const std::vector<NrgDaoTrack>& tracks, int offsetBytes) {
    const std::size_t entryBytes = 18 + 3 * std::size_t(offsetBytes);
    std::string body;
    body += BytesBE(22 + entryBytes * tracks.size(), 4);
    body += std::string(14, '\0');  // catalog number
    body += std::string(2, '\0');   // disc type
    body += char(1);                // first track
    body += char(tracks.size());    // last track
    for (const NrgDaoTrack& track : tracks) {
        body += std::string(12, '\0');  // ISRC
        body += BytesBE(track.sectorSize, 2);
        body += char(track.mode);
        body += std::string("\0\0\1", 3);
        body += BytesBE(track.index0Offset, offsetBytes);
        body += BytesBE(track.index1Offset, offsetBytes);
        body += BytesBE(track.endOffset, offsetBytes);
    }
    return body;
}

// The four bytes CUES and CUEX entries begin with: control, track, index, 0.
void AppendCueStart(std::string& body, const NrgCue& cue) {
    body += char(cue.control);
    body += char(cue.track);
    body += char(cue.index);
    body += '\0';
}

std::string TrackAtOnceBody(const std::vector<NrgEtnfTrack>& tracks, int offsetBytes) {
    std::string body;
    for (const NrgEtnfTrack& track : tracks) {
        body += BytesBE(track.dataOffset, offsetBytes);
        body += BytesBE(track.lengthBytes, offsetBytes);
        body += BytesBE(track.modeCode, 4);
        body += BytesBE(track.startSector, 4);
        body += BytesBE(0, offsetBytes == 8 ? 8 : 4);
    }
    return body;
}

}  // namespace

std::string NrgChunk(const std::string& identifier, const std::string& body) {
    std::string chunk = identifier;
    chunk += BytesBE(std::uint32_t(body.size()), 4);
    return chunk + body;
}

std::string NrgCuesBody(const std::vector<NrgCue>& entries) {
    std::string body;
    for (const NrgCue& cue : entries) {
        AppendCueStart(body, cue);
        body += '\0';
        body += BcdMsf(cue.frames);
    }
    return body;
}

std::string NrgCuexBody(const std::vector<NrgCue>& entries) {
    std::string body;
    for (const NrgCue& cue : entries) {
        AppendCueStart(body, cue);
        body += BytesBE(std::uint32_t(std::int64_t(cue.frames) - 150), 4);
    }
    return body;
}

std::vector<NrgCue> NrgDiscCues(const std::vector<unsigned char>& controls,
                                const std::vector<std::uint32_t>& index0,
                                const std::vector<std::uint32_t>& index1, std::uint32_t leadOut) {
    std::vector<NrgCue> cues = {{controls.at(0), 0, 0, 0}};
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const unsigned char track = static_cast<unsigned char>(Bcd(std::uint32_t(i + 1)));
        cues.push_back({controls[i], track, 0, index0.at(i)});
        cues.push_back({controls[i], track, 1, index1.at(i)});
    }
    cues.push_back({controls.back(), 0xAA, 1, leadOut});
    return cues;
}

std::string NrgDaoiBody(const std::vector<NrgDaoTrack>& tracks) {
    return DaoBody(tracks, 4);
}

std::string NrgDaoxBody(const std::vector<NrgDaoTrack>& tracks) {
    return DaoBody(tracks, 8);
}

std::string NrgEtnfBody(const std::vector<NrgEtnfTrack>& tracks) {
    return TrackAtOnceBody(tracks, 4);
}

std::string NrgEtn2Body(const std::vector<NrgEtnfTrack>& tracks) {
    return TrackAtOnceBody(tracks, 8);
}

std::string NrgImage(const std::string& data, const std::string& chunks) {
    std::string image = data + chunks + "NERO";
    image += BytesBE(data.size(), 4);
    return image;
}

std::string Nrg5Image(const std::string& data, const std::string& chunks) {
    std::string image = data + chunks + "NER5";
    image += BytesBE(data.size(), 8);
    return image;
}

}  // namespace testsupport
