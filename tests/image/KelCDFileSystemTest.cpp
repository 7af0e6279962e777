#include "image/KelCDFileSystem.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/ByteOrder.h"
#include "support/Files.h"
#include "support/IsoBuilder.h"
#include "support/PutBytes.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

using testsupport::BuiltIso;
using testsupport::IsoBuilder;
using testsupport::PutLE;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string Loaded(KelCDFileSystem& fs, const std::string& path) {
    const std::int32_t index = fs.OpenFile(path);
    if (index < 0) return "<missing>";
    return std::string(reinterpret_cast<const char*>(fs.FileData(index)),
                       std::size_t(fs.FileSize(index)));
}

// Offset of the directory record named `identifier` inside a folder's sectors.
std::size_t RecordOffset(const BuiltIso& iso, const std::string& folder,
                         const std::string& identifier) {
    const std::size_t start = std::size_t(iso.folderSector.at(folder)) * 2048;
    const std::size_t end = start + iso.folderSize.at(folder);
    for (std::size_t at = start; at < end;) {
        const auto length = static_cast<unsigned char>(iso.bytes[at]);
        if (length == 0) {
            at = (at / 2048 + 1) * 2048;
            continue;
        }
        const auto nameLength = static_cast<unsigned char>(iso.bytes[at + 32]);
        if (iso.bytes.compare(at + 33, nameLength, identifier) == 0) return at;
        at += length;
    }
    throw std::logic_error("no record " + identifier);
}

class FileSystemOn {
public:
    explicit FileSystemOn(const std::string& bytes) : fs(Write(bytes)) {}
    KelCDFileSystem* operator->() { return &fs; }
    KelCDFileSystem& operator*() { return fs; }

private:
    std::string Write(const std::string& bytes) {
        WriteFile(dir / "disc.iso", bytes);
        return dir / "disc.iso";
    }
    TempDir dir;
    KelCDFileSystem fs;
};

}  // namespace

TEST(KelCDFileSystem, FindsFilesByCaseFoldedPathWithBackslashes) {
    IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.71;1\r\n");
    builder.AddFile("DATA/FILE.BIN", "inside data");
    builder.AddFile("A/B/C/D/E/F/G/H/DEEP.TXT", "deep");
    builder.AddFile("NOVER.TXT", "no version", testsupport::WithoutVersion());
    FileSystemOn fs(builder.Build().bytes);
    ASSERT_TRUE(fs->IsValid());

    for (const char* name : {"SYSTEM.CNF", "system.cnf", "System.Cnf"}) {
        EXPECT_EQ(Loaded(*fs, name), "BOOT = cdrom:\\SLPS_000.71;1\r\n") << name;
    }
    for (const char* name : {"SYSTEM.CNF;1", "\\SYSTEM.CNF", "DATA/FILE.BIN", "FILE.BIN"}) {
        EXPECT_EQ(fs->OpenFile(name), -1) << name;
    }
    EXPECT_EQ(Loaded(*fs, "DATA\\FILE.BIN"), "inside data");
    EXPECT_EQ(Loaded(*fs, "a\\b\\c\\d\\e\\f\\g\\h\\deep.txt"), "deep");
    EXPECT_EQ(Loaded(*fs, "nover.txt"), "no version");

    std::vector<std::string> folders;
    for (const DirectoryEntry& entry : fs->Directories()) folders.push_back(entry.name);
    EXPECT_EQ(folders[0], "dummy");
    EXPECT_EQ(folders[1], "");
    EXPECT_NE(std::find(folders.begin(), folders.end(), "a\\b\\c\\"), folders.end());
}

TEST(KelCDFileSystem, LoadsEachOpenIntoItsOwnBlock) {
    IsoBuilder builder;
    builder.AddFile("ONE.TXT", "123456789");
    builder.AddFile("EMPTY.DAT", "");
    builder.AddFile("EXACT.BIN", std::string(4096, 'x'));
    FileSystemOn fs(builder.Build().bytes);
    ASSERT_TRUE(fs->IsValid());

    const std::int32_t first = fs->OpenFile("ONE.TXT");
    const std::int32_t second = fs->OpenFile("one.txt");
    ASSERT_GE(first, 0);
    EXPECT_NE(first, second);
    EXPECT_NE(fs->FileData(first), fs->FileData(second));
    EXPECT_EQ(fs->FileSize(second), 9);
    EXPECT_EQ(fs->FileData(first)[9], 0);  // the rest of the block is zero-filled
    EXPECT_EQ(fs->FileCrc("ONE.TXT"), "CBF43926");

    const std::int32_t empty = fs->OpenFile("EMPTY.DAT");
    ASSERT_GE(empty, 0);
    EXPECT_EQ(fs->FileSize(empty), 0);
    EXPECT_NE(fs->FileData(empty), nullptr);
    EXPECT_EQ(fs->FileCrc("EMPTY.DAT"), "00000000");
    EXPECT_EQ(Loaded(*fs, "EXACT.BIN"), std::string(4096, 'x'));

    EXPECT_EQ(fs->FileData(99), nullptr);
    EXPECT_EQ(fs->FileData(-1), nullptr);
    EXPECT_EQ(fs->FileSize(99), 0);
    EXPECT_EQ(fs->FileCrc("CD3X3_1.ID"), "FFFFFFFF");
}

TEST(KelCDFileSystem, DirectoriesSpanningSectorsAreReadWhole) {
    IsoBuilder builder;
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "F%03d.BIN", i);
        builder.AddFile(std::string("MANY/") + name, name);
        builder.AddFile(name, name);
    }
    builder.AddFile("SYSTEM.CNF", "late in the root");
    const auto iso = builder.Build();
    ASSERT_GE(iso.folderSize.at(""), 3u * 2048);
    FileSystemOn fs(iso.bytes);
    ASSERT_TRUE(fs->IsValid());
    EXPECT_EQ(fs->Files().size(), 301u);
    EXPECT_EQ(Loaded(*fs, "SYSTEM.CNF"), "late in the root");
    EXPECT_EQ(Loaded(*fs, "many\\f149.bin"), "F149.BIN");
}

TEST(KelCDFileSystem, FirstOfTwoEqualNamesWinsAndMultiExtentRecordsDoNotHideLaterFiles) {
    IsoBuilder builder;
    builder.AddFile("DUP.BIN", "first");
    builder.AddFile("DUP.BIN", "second");
    builder.AddFile("BIG.BIN", "part one", testsupport::MultiExtent());
    builder.AddFile("CNF.TXT", "after the big file");
    FileSystemOn fs(builder.Build().bytes);
    ASSERT_TRUE(fs->IsValid());
    EXPECT_EQ(Loaded(*fs, "DUP.BIN"), "first");
    EXPECT_EQ(Loaded(*fs, "BIG.BIN"), "part one");
    EXPECT_EQ(Loaded(*fs, "CNF.TXT"), "after the big file");
}

TEST(KelCDFileSystem, WorksThroughRawLayouts) {
    IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", "BOOT = cdrom:\\SLPS_000.71;1\r\n");
    builder.AddFile("SLPS_000.71", std::string(5000, 'e'));
    const std::string cooked = builder.Build().bytes;
    for (auto layout : {testsupport::RawLayout::Raw2352Mode2, testsupport::RawLayout::Raw2336Mode2,
                        testsupport::RawLayout::Raw2448Mode2}) {
        FileSystemOn fs(testsupport::ToRawSectors(cooked, layout));
        ASSERT_TRUE(fs->IsValid()) << testsupport::LayoutName(layout);
        EXPECT_EQ(Loaded(*fs, "SLPS_000.71"), std::string(5000, 'e'));
    }
}

TEST(KelCDFileSystem, UnreadableImageIsNotValid) {
    TempDir dir;
    WriteFile(dir / "notes.txt", "not a disc");
    KelCDFileSystem fs(dir / "notes.txt");
    EXPECT_FALSE(fs.IsValid());
    EXPECT_EQ(fs.OpenFile("SYSTEM.CNF"), -1);
    EXPECT_EQ(fs.FileCrc("SYSTEM.CNF"), "FFFFFFFF");
    EXPECT_FALSE(KelCDFileSystem(dir / "missing.iso").IsValid());
}

TEST(KelCDFileSystem, DamagedPathTablesEndTheWalkCleanly) {
    IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", "root file");
    builder.AddFile("ADIR/SUB/X.BIN", "x");
    builder.AddFile("ZDIR/Y.BIN", "y");
    const BuiltIso iso = builder.Build();
    const std::size_t pvd = 16 * 2048;
    const std::size_t table = std::size_t(iso.pathTableSector) * 2048;

    {  // A path table larger than the whole image cannot be real.
        std::string bytes = iso.bytes;
        PutLE(bytes, pvd + 132, std::uint32_t(bytes.size() + 1), 4);
        EXPECT_FALSE(FileSystemOn(bytes)->IsValid());
    }
    {  // Records: root (10 bytes), ADIR (12), ZDIR (12), SUB (12). SUB names a
       // parent that does not exist: the table ends before it.
        std::string bytes = iso.bytes;
        bytes[table + 10 + 12 + 12 + 6] = char(0xE7);
        bytes[table + 10 + 12 + 12 + 7] = char(0x03);
        FileSystemOn fs(bytes);
        ASSERT_TRUE(fs->IsValid());
        EXPECT_EQ(fs->Directories().size(), 4u);
        EXPECT_EQ(Loaded(*fs, "ZDIR\\Y.BIN"), "y");
        EXPECT_EQ(fs->OpenFile("ADIR\\SUB\\X.BIN"), -1);
    }
    {  // An identifier length that runs past the table's buffer.
        std::string bytes = iso.bytes;
        PutLE(bytes, pvd + 132, 2047, 4);
        for (std::size_t at = table + 10; at + 8 <= table + 2048; at += 8) {
            bytes.replace(at, 8, std::string("\0\0\0\0\0\0\1\0", 8));
        }
        bytes[table + 2040] = char(255);
        FileSystemOn fs(bytes);
        EXPECT_TRUE(fs->IsValid());
        EXPECT_EQ(Loaded(*fs, "SYSTEM.CNF"), "root file");
    }
}

TEST(KelCDFileSystem, DamagedDirectoryRecordsNeverReadOutsideTheirBuffer) {
    // After "." and "..", nine files of 220-byte records fill the root's one
    // sector exactly. With the root's size one byte short of the sector, the
    // folder's buffer ends where the last record does.
    IsoBuilder builder;
    std::vector<std::string> names;
    for (char letter = 'A'; letter <= 'I'; ++letter) {
        names.push_back(std::string(183, letter) + ".BIN");
        builder.AddFile(names.back(), std::string(1, letter), testsupport::WithoutVersion());
    }
    const BuiltIso iso = builder.Build();
    ASSERT_EQ(iso.folderSize.at(""), 2048u);
    ASSERT_EQ(RecordOffset(iso, "", names.back()) + 220, (iso.folderSector.at("") + 1) * 2048);

    // A damaged record ends the folder's walk: the files before it are found,
    // it and every file after it are not.
    struct Damage {
        std::size_t file;
        std::size_t field;  // 0 the record length, 32 the identifier length
        char value;
        std::size_t filesFound;
    };
    const Damage cases[] = {
        {1, 0, char(220), 9},   // as built
        {1, 32, char(200), 1},  // an identifier longer than its record
        {1, 0, char(100), 1},   // a record too short for its identifier
        {8, 0, char(240), 8},   // the last record running past the buffer
    };
    for (const Damage& damage : cases) {
        std::string bytes = iso.bytes;
        PutLE(bytes, 16 * 2048 + 156 + 10, 2047, 4);
        bytes[RecordOffset(iso, "", names[damage.file]) + damage.field] = damage.value;
        FileSystemOn fs(bytes);
        ASSERT_TRUE(fs->IsValid());
        EXPECT_EQ(fs->Files().size(), damage.filesFound) << damage.file << " " << damage.field;
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(fs->OpenFile(names[i]) >= 0, i < damage.filesFound)
                << names[i].back() << " after damage to " << damage.file;
        }
    }

    const std::size_t recordB = RecordOffset(iso, "", names[1]);
    {  // Sizes beyond the image: the folder is not read, the file is capped.
        std::string bytes = iso.bytes;
        PutLE(bytes, recordB + 10, 0xFFFFFFF0u, 4);
        PutLE(bytes, 16 * 2048 + 156 + 10, 0x7FFFFFFFu, 4);
        FileSystemOn fs(bytes);
        EXPECT_TRUE(fs->IsValid());
        EXPECT_TRUE(fs->Files().empty());
    }
    {  // A file claimed larger than the image is never loaded.
        std::string bytes = iso.bytes;
        PutLE(bytes, recordB + 10, 0xFFFFFFF0u, 4);
        FileSystemOn fs(bytes);
        EXPECT_EQ(fs->OpenFile(names[1]), -1);
        EXPECT_EQ(Loaded(*fs, names[0]), "A");
    }
}

TEST(KelCDFileSystem, PathTablesWithMoreRowsThanNumbersAreCut) {
    IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", "x");
    BuiltIso iso = builder.Build();
    // 70,000 records of 8 bytes each, all children of the root.
    const std::size_t records = 70000;
    std::string table = iso.bytes.substr(std::size_t(iso.pathTableSector) * 2048, 10);
    for (std::size_t i = 0; i < records; ++i) table += std::string("\0\0\0\0\0\0\1\0", 8);
    const std::size_t tableAt = iso.bytes.size();
    std::string bytes = iso.bytes + table + std::string(2048, '\0');
    PutLE(bytes, 16 * 2048 + 132, std::uint32_t(table.size()), 4);
    PutLE(bytes, 16 * 2048 + 140, std::uint32_t(tableAt / 2048), 4);
    FileSystemOn fs(bytes);
    ASSERT_TRUE(fs->IsValid());
    EXPECT_EQ(fs->Directories().size(), 65536u);
    EXPECT_EQ(Loaded(*fs, "SYSTEM.CNF"), "x");
}
