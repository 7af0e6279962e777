#include "archive/KelArchivers.h"

KelArchiverRAR::KelArchiverRAR(const ArchiveRequest& request) : KelArchiverBase(request) {
    ExtractArchive("Archive (RAR) Error");
}

KelArchiver7Z::KelArchiver7Z(const ArchiveRequest& request) : KelArchiverBase(request) {
    ExtractArchive("Archive (7Z) Error");
}

KelArchiverLZH::KelArchiverLZH(const ArchiveRequest& request) : KelArchiverBase(request) {
    ExtractArchive("Archive (LZH) Error");
}

KelArchiverGCA::KelArchiverGCA(const ArchiveRequest& request) : KelArchiverBase(request) {
    Fail("Archive (CAB) Error", FailedExtraction(ExtractionFailure::NoReader, {}));
}

ArchiverKind ChooseArchiver(const std::string& path) {
    struct Choice {
        const char* text;
        ArchiverKind kind;
    };
    // Volume names such as X.part01.rar already hold ".rar".
    static constexpr Choice CHOICES[] = {
        {".zip", ArchiverKind::SevenZip}, {".rar", ArchiverKind::RAR},
        {".001", ArchiverKind::RAR},      {".7z", ArchiverKind::SevenZip},
        {".lzh", ArchiverKind::LZH},      {".gca", ArchiverKind::GCA},
        {".cab", ArchiverKind::SevenZip}, {".z01", ArchiverKind::SevenZip},
    };
    for (const Choice& choice : CHOICES) {
        if (path.find(choice.text) != std::string::npos) return choice.kind;
    }
    return ArchiverKind::None;
}

std::unique_ptr<KelArchiverBase> CreateArchiver(ArchiverKind kind, const ArchiveRequest& request) {
    switch (kind) {
        case ArchiverKind::RAR:
            return std::make_unique<KelArchiverRAR>(request);
        case ArchiverKind::SevenZip:
            return std::make_unique<KelArchiver7Z>(request);
        case ArchiverKind::LZH:
            return std::make_unique<KelArchiverLZH>(request);
        case ArchiverKind::GCA:
            return std::make_unique<KelArchiverGCA>(request);
        case ArchiverKind::None:
            break;
    }
    return nullptr;
}
