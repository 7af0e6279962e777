// Every disc image and descriptor of the shared corpus, read here and compared
// with what the reference tools read of it: the golden files beside this one,
// which scripts/conformance-goldens writes with cd-info, iso-info and cd-read.
// Compared are the track table, the ISO 9660 listing with each file's size
// and CRC-32, and the identifier. Each disc read is also made into a CHD by
// chdman with its default codecs, which must read as the same disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ident/BootFileId.h"
#include "image/KelCDFileSystem.h"
#include "image/KelCDImage.h"
#include "image/KelCDImageDAO.h"
#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/PutBytes.h"
#include "support/TempDir.h"

namespace {

using testsupport::CorpusDir;
using testsupport::ShellQuote;

const std::string GOLDEN_DIR = ORVANE_CONFORMANCE_GOLDEN_DIR;
constexpr std::string_view GOLDEN_SUFFIX = ".txt";

// A disc as it reads: track types and first sectors counted from the first
// track's, the listing in the golden files' words, the identifier.
struct Reading {
    bool read = false;
    std::vector<std::string> tracks;  // "XA 826"
    std::int64_t leadout = 0;
    std::vector<std::string> files;  // "LSN SIZE CRC path", sorted by path
    std::string identifier;          // a code, "none" or "unchecked"
};

struct Golden {
    Reading tools;
    // Where this reader rightly differs from the tools (the golden file says
    // why): whether it reads the disc at all. Files the tools miss are in
    // `tools.files` all the same.
    std::optional<bool> oursRead;
};

void SortByPath(std::vector<std::string>& files) {
    auto path = [](const std::string& line) {
        std::size_t at = 0;
        for (int field = 0; field < 3; ++field) at = line.find(' ', at) + 1;
        return line.substr(at);
    };
    std::sort(files.begin(), files.end(),
              [&](const std::string& a, const std::string& b) { return path(a) < path(b); });
}

Golden ReadGolden(const std::string& file) {
    Golden golden;
    std::ifstream in(file);
    std::optional<std::int64_t> origin;
    std::vector<std::int64_t> starts;
    std::vector<std::string> types;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string key;
        words >> key;
        const std::string rest = line.substr(std::min(line.size(), key.size() + 1));
        if (key == "ours") {
            // This reader's own reading, where it rightly differs.
            key = rest.substr(0, rest.find(' '));
            if (key == "read") golden.oursRead = rest == "read yes";
            if (key == "file") golden.tools.files.push_back(rest.substr(5));
        } else if (key == "read") {
            golden.tools.read = rest == "yes";

        } else if (key == "track") {
            std::int64_t number = 0, lsn = 0;
            std::string type;
            words >> number >> type >> lsn;
            if (!origin) origin = lsn;
            types.push_back(type);
            starts.push_back(lsn);
        } else if (key == "leadout") {
            words >> golden.tools.leadout;
        } else if (key == "file") {
            golden.tools.files.push_back(rest);
        } else if (key == "identifier") {
            golden.tools.identifier = rest;
        }
    }
    // This reader counts sectors from the first track's index 1.
    for (std::size_t i = 0; i < starts.size(); ++i) {
        golden.tools.tracks.push_back(types[i] + " " + std::to_string(starts[i] - *origin));
    }
    if (origin) golden.tools.leadout -= *origin;
    SortByPath(golden.tools.files);
    return golden;
}

const char* TypeName(SectorKind kind) {
    switch (kind) {
        case SectorKind::Audio:
            return "audio";
        case SectorKind::Mode1Data:
            return "data";
        case SectorKind::Mode2Data:
            return "XA";
        case SectorKind::Other:
            break;
    }
    return "other";
}

std::string Identifier(KelCDFileSystem& fileSystem) {
    using Identify = std::optional<std::string> (*)(KelCDFileSystem&);
    for (const Identify identify :
         {Identify(IdentifyPlayStation2), Identify(IdentifyPlayStation), Identify(IdentifyPsp)}) {
        if (const std::optional<std::string> code = identify(fileSystem)) return *code;
    }
    return "none";
}

Reading ReadHere(const std::string& path) {
    Reading ours;
    const KelCDImage image(path);
    ours.read = image.IsOpened();
    if (!ours.read) return ours;
    const KelCDImageBase& reader = image.Reader();
    for (std::int32_t track = 0; track < reader.TrackCount(); ++track) {
        ours.tracks.push_back(std::string(TypeName(reader.TrackSectorKind(track))) + " " +
                              std::to_string(reader.TrackFirstSector(track)));
    }
    ours.leadout = image.SectorCount();

    KelCDFileSystem fileSystem(path);
    const std::vector<FileEntry>& files = fileSystem.Files();
    for (std::size_t i = 0; i < files.size(); ++i) {
        // The records of a file of several extents are one file.
        std::uint64_t size = files[i].size;
        std::size_t last = i;
        while (files[last].continued && last + 1 < files.size() &&
               files[last + 1].name == files[i].name) {
            size += files[++last].size;
        }
        std::string name = files[i].name;
        std::replace(name.begin(), name.end(), '\\', '/');
        ours.files.push_back(std::to_string(files[i].extent) + " " + std::to_string(size) + " " +
                             fileSystem.FileCrc(files[i].name) + " " + name);
        i = last;
    }
    SortByPath(ours.files);
    ours.identifier = Identifier(fileSystem);
    return ours;
}

void ExpectSameDisc(const Reading& ours, const Reading& tools, const std::string& what) {
    EXPECT_EQ(ours.tracks, tools.tracks) << what;
    EXPECT_EQ(ours.leadout, tools.leadout) << what;
    EXPECT_EQ(ours.files, tools.files) << what;
    if (tools.identifier != "unchecked") {
        EXPECT_EQ(ours.identifier, tools.identifier) << what;
    }
}

// The sheet type chdman takes for a track, or nothing.
std::optional<std::string> SheetType(TrackMode mode, std::int32_t sectorSize) {
    switch (mode) {
        case TrackMode::Audio:
            if (sectorSize == 2352) return "AUDIO";
            break;
        case TrackMode::Mode1:
            if (sectorSize == 2048 || sectorSize == 2352) {
                return "MODE1/" + std::to_string(sectorSize);
            }
            break;
        case TrackMode::Mode2:
            if (sectorSize == 2336 || sectorSize == 2352) {
                return "MODE2/" + std::to_string(sectorSize);
            }
            break;
        case TrackMode::Unset:
            break;
    }
    return std::nullopt;
}

// The tracks of a descriptor, from index 1 on, each in a file of its own
// with a cue sheet naming them, and each gap before a track as a pregap the
// sheet does not store: what chdman makes a CHD of. chdman mishandles
// pregaps in a sheet of one file, hence one file a track. Sectors of 2336
// bytes get their sync and header back, as a raw dump holds them, so that
// chdman drops (and the reader computes again) their error codes. False
// (with the reason) when a track has a layout chdman cannot take.
bool WriteTracksForChdman(const KelCDImageDAO& disc, const testsupport::TempDir& dir,
                          std::string& why) {
    const TrackTable& table = disc.Tracks();
    std::string sheet;
    std::int64_t end = 0;
    for (std::int32_t track = 0; track < table.Count(); ++track) {
        const TrackEntry& row = table.At(track);
        const std::optional<std::string> type = SheetType(row.mode, row.sectorSize);
        if (!type || !row.data) {
            why = "track " + std::to_string(track + 1) + " has a layout chdman does not take";
            return false;
        }
        const std::int64_t first = disc.TrackFirstSector(track);
        std::int64_t count =
            row.sectorCount >= 0
                ? row.sectorCount
                : (std::int64_t(row.data->Size()) - row.dataOffset) / row.sectorSize;
        if (track + 1 < table.Count()) {
            const TrackEntry& next = table.At(track + 1);
            count = std::min(count, disc.TrackFirstSector(track + 1) -
                                        std::max<std::int64_t>(next.pregapSectors, 0) - first);
        }
        std::string bytes(std::size_t(count * row.sectorSize), '\0');
        if (!row.data->ReadExactly(bytes.data(), bytes.size(), std::uint64_t(row.dataOffset))) {
            why = "track " + std::to_string(track + 1) + " cannot be read";
            return false;
        }
        std::string sheetType = *type;
        if (row.sectorSize == 2336) {
            std::string raw;
            for (std::int64_t sector = 0; sector < count; ++sector) {
                raw += std::string("\0", 1) + std::string(10, '\xFF') + std::string("\0", 1) +
                       testsupport::BcdMsf(std::uint64_t(first + sector + 150)) + '\x02';
                raw.append(bytes, std::size_t(sector * 2336), 2336);
            }
            bytes = std::move(raw);
            sheetType = "MODE2/2352";
        }
        const std::string name = "track" + std::to_string(track + 1) + ".bin";
        testsupport::WriteFile(dir / name, bytes);
        char number[16];
        std::snprintf(number, sizeof number, "%02d", track + 1);
        sheet += "FILE \"" + name + "\" BINARY\n  TRACK " + number + " " + sheetType + "\n";
        if (const std::int64_t gap = first - end; track > 0 && gap > 0) {
            char msf[16];
            std::snprintf(msf, sizeof msf, "%02d:%02d:%02d", int(gap / 4500), int(gap / 75 % 60),
                          int(gap % 75));
            sheet += std::string("    PREGAP ") + msf + "\n";
        }
        sheet += "    INDEX 01 00:00:00\n";
        end = first + count;
    }
    testsupport::WriteFile(dir / "disc.cue", sheet);
    return true;
}

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every golden file, by its path below the golden folder.
std::vector<std::string> GoldenFiles() {
    std::vector<std::string> found;
    std::vector<std::string> folders = {""};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        for (const std::string& name : testsupport::ListNames(GOLDEN_DIR + "/" + folder)) {
            const std::string relative = folder.empty() ? name : folder + "/" + name;
            if (platform::KindOf(GOLDEN_DIR + "/" + relative) == platform::PathKind::Folder) {
                folders.push_back(relative);
            } else if (EndsWith(relative, GOLDEN_SUFFIX)) {
                found.push_back(relative.substr(0, relative.size() - GOLDEN_SUFFIX.size()));
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// The corpus's disc images and descriptors of the formats this reader reads
// that have a golden (cdrdao .toc files have none: no format read here).
bool IsImageOrDescriptor(const std::string& name) {
    for (const char* extension : {".iso", ".bin", ".cue", ".nrg", ".ccd", ".cdi", ".chd", ".cso"}) {
        if (EndsWith(name, extension)) return true;
    }
    return false;
}

// The corpus's images folder; a test without it skips, except under CI,
// where a missing corpus means the suite checked nothing.
std::string ImagesOrSkip() {
    const std::string corpus = CorpusDir();
    if (!corpus.empty()) return corpus + "/images";
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true") {
        ADD_FAILURE() << "CI=true and no shared corpus at " << ORVANE_CORPUS_DIR;
    }
    return {};
}

class Conformance : public ::testing::TestWithParam<std::string> {};

TEST_P(Conformance, ReadsAsTheReferenceToolsDo) {
    const std::string images = ImagesOrSkip();
    if (images.empty()) GTEST_SKIP() << "no shared corpus";
    const std::string image = images + "/" + GetParam();
    ASSERT_EQ(platform::KindOf(image), platform::PathKind::File) << "not in the corpus: " << image;
    const Golden golden = ReadGolden(GOLDEN_DIR + "/" + GetParam() + std::string(GOLDEN_SUFFIX));
    const Reading ours = ReadHere(image);

    EXPECT_EQ(ours.read, golden.oursRead.value_or(golden.tools.read));
    if (golden.oursRead || !ours.read) return;
    ExpectSameDisc(ours, golden.tools, GetParam());

    const KelCDImageDAO descriptor(image);
    if (!descriptor.IsOpened()) return;
    if (!testsupport::HaveTool("chdman")) GTEST_SKIP() << "chdman is not installed";
    const testsupport::TempDir dir;
    std::string why;
    if (!WriteTracksForChdman(descriptor, dir, why)) GTEST_SKIP() << why;
    std::string output;
    ASSERT_EQ(testsupport::RunCommand("chdman createcd -i " + ShellQuote(dir / "disc.cue") +
                                          " -o " + ShellQuote(dir / "disc.chd") + " 2>&1",
                                      &output),
              0)
        << output;
    ExpectSameDisc(ReadHere(dir / "disc.chd"), golden.tools, GetParam() + " as a CHD");
}

INSTANTIATE_TEST_SUITE_P(Corpus, Conformance, ::testing::ValuesIn(GoldenFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

TEST(ConformanceGoldens, EveryImageOfTheCorpusHasOne) {
    const std::string images = ImagesOrSkip();
    if (images.empty()) GTEST_SKIP() << "no shared corpus";
    std::vector<std::string> inCorpus;
    std::vector<std::string> folders = {""};
    while (!folders.empty()) {
        const std::string folder = folders.back();
        folders.pop_back();
        for (const std::string& name : testsupport::ListNames(images + "/" + folder)) {
            const std::string relative = folder.empty() ? name : folder + "/" + name;
            if (platform::KindOf(images + "/" + relative) == platform::PathKind::Folder) {
                folders.push_back(relative);
            } else if (IsImageOrDescriptor(relative)) {
                inCorpus.push_back(relative);
            }
        }
    }
    std::sort(inCorpus.begin(), inCorpus.end());
    EXPECT_GT(inCorpus.size(), 40u);
    EXPECT_EQ(inCorpus, GoldenFiles()) << "run scripts/conformance-goldens";
}

}  // namespace
