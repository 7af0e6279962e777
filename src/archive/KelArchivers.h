#pragma once

#include <memory>
#include <string>

#include "archive/KelArchiverBase.h"

// The four archive families. Every extractor reads its archive through the
// same routine, which recognises the format from the bytes, so an archive
// that reaches the "wrong" family (a 7z volume set named .001 goes to the RAR
// extractor) is still extracted; the family only names the failure message.

class KelArchiverRAR final : public KelArchiverBase {
public:
    explicit KelArchiverRAR(const ArchiveRequest& request);
};

class KelArchiver7Z final : public KelArchiverBase {
public:
    explicit KelArchiver7Z(const ArchiveRequest& request);
};

class KelArchiverLZH final : public KelArchiverBase {
public:
    explicit KelArchiverLZH(const ArchiveRequest& request);
};

// No reader for GCA archives exists here: this extractor always fails, with a
// message saying so.
class KelArchiverGCA final : public KelArchiverBase {
public:
    explicit KelArchiverGCA(const ArchiveRequest& request);
};

enum class ArchiverKind { None, RAR, SevenZip, LZH, GCA };

// The family for an archive path whose last extension is in lower case. The
// tests look for a text anywhere in the path, folders included, in a fixed
// order: ".zip", ".rar", ".001", ".7z", ".lzh", ".gca", ".cab", ".z01" (the
// first volume of a spanned zip whose .zip is missing); so a ".rar" in a
// folder name wins over the ".7z" of the file.
ArchiverKind ChooseArchiver(const std::string& path);

// The extractor of a family, which extracts at once; null for None.
std::unique_ptr<KelArchiverBase> CreateArchiver(ArchiverKind kind, const ArchiveRequest& request);
