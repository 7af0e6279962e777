// Names of archives packed on Japanese systems: Shift-JIS (CP932) in zips
// without the UTF-8 flag and in LZH, EUC-JP in LZH from Unix, and names that
// nothing decodes.
#include "archive/ArchiveNames.h"

#include <gtest/gtest.h>

#include <atomic>

#include "archive/KelArchivers.h"
#include "platform/FileOps.h"
#include "support/Files.h"
#include "support/IdentFixtures.h"
#include "support/PutBytes.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

using testsupport::BytesLE;
using testsupport::ListNames;
using testsupport::ReadFile;
using testsupport::WriteFile;
using Names = std::vector<std::string>;

namespace {

// Shift-JIS and EUC-JP bytes of "イータ.iso" and "ゲーム".
const std::string ETA_SJIS = "\x83\x43\x81\x5B\x83\x5E.iso";
const std::string ETA_EUC = "\xA5\xA4\xA1\xBC\xA5\xBF.iso";
const std::string GAME_SJIS = "\x83\x51\x81\x5B\x83\x80";

std::uint16_t Crc16(const std::string& bytes) {
    std::uint16_t crc = 0;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

// An LZH archive of one stored (-lh0-) file, as LHA tools write them: a
// level 0 header (MS-DOS), or a level 2 header made on `system` ('M' MS-DOS,
// 'U' Unix).
std::string StoredLzh(int level, const std::string& name, const std::string& data,
                      char system = 'M') {
    std::string header;
    if (level == 0) {
        std::string body = "-lh0-";
        body += BytesLE(data.size(), 4);
        body += BytesLE(data.size(), 4);
        body += BytesLE(0x00210000, 4);  // DOS time and date
        body += '\x20';                  // attribute
        body += '\0';                    // level
        body += char(name.size());
        body += name;
        body += BytesLE(Crc16(data), 2);
        unsigned sum = 0;
        for (unsigned char byte : body) sum += byte;
        header = std::string(1, char(body.size())) + char(sum & 0xFF) + body;
    } else {
        const std::string crcExtension = std::string("\x00\x00\x00", 3);
        const std::string nameExtension = "\x01" + name;
        std::string rest = crcExtension;
        rest += BytesLE(nameExtension.size() + 2, 2);
        rest += nameExtension;
        rest += BytesLE(0, 2);
        std::string fixed;
        const std::size_t size = 26 + rest.size();
        fixed += BytesLE(size, 2);
        fixed += "-lh0-";
        fixed += BytesLE(data.size(), 4);
        fixed += BytesLE(data.size(), 4);
        fixed += BytesLE(0, 4);  // Unix time
        fixed += "\x20\x02";
        fixed += BytesLE(Crc16(data), 2);
        fixed += system;
        fixed += BytesLE(crcExtension.size() + 2, 2);
        header = fixed + rest;
        const std::uint16_t crc = Crc16(header);
        header[fixed.size() + 1] = char(crc & 0xFF);
        header[fixed.size() + 2] = char(crc >> 8);
    }
    return header + data + '\0';
}

// A level 0 LZH archive with the name of its first file replaced.
std::string WithLevel0Name(const std::string& lzh, const std::string& name) {
    const std::size_t oldLength = static_cast<unsigned char>(lzh[21]);
    const std::size_t headerSize = static_cast<unsigned char>(lzh[0]) + 2;
    std::string body = lzh.substr(2, 19) + char(name.size()) + name +
                       lzh.substr(22 + oldLength, headerSize - 22 - oldLength);
    unsigned sum = 0;
    for (unsigned char byte : body) sum += byte;
    return std::string(1, char(body.size())) + char(sum & 0xFF) + body + lzh.substr(headerSize);
}

// Gives every entry of a zip archive the compression method `method`.
void SetZipMethod(const std::string& path, std::uint16_t method) {
    std::string zip = ReadFile(path);
    for (const auto& [signature, at] : {std::pair<std::string, std::size_t>{"PK\3\4", 8},
                                        std::pair<std::string, std::size_t>{"PK\1\2", 10}}) {
        for (std::size_t header = zip.find(signature); header != std::string::npos;
             header = zip.find(signature, header + 4)) {
            zip[header + at] = char(method & 0xFF);
            zip[header + at + 1] = char(method >> 8);
        }
    }
    WriteFile(path, zip);
}

// Letters without repeats long enough for a deflate match of the longest
// length, whose code means something else in Deflate64.
std::string Scrambled(std::size_t length) {
    std::string text;
    std::uint32_t state = 12345;
    while (text.size() < length) {
        state = state * 1103515245 + 12345;
        text += char('a' + (state >> 16) % 26);
    }
    return text;
}

}  // namespace

TEST(LegacyNames, DecodedFromTheCodePagesOfTheirTimeNeverSkipped) {
    testsupport::TempDir dir;
    const std::string image = "PlayStation image bytes";
    const std::string scrambled = Scrambled(20000);
    testsupport::MakeDirs(dir / "src");
    WriteFile(dir / ("src/" + ETA_SJIS), image);
    WriteFile(dir / "src/\x01\x02.iso", image);
    WriteFile(dir / "src/text", scrambled);
    auto zip = [&](const std::string& archive, const std::string& file) {
        ASSERT_TRUE(identtest::RunIn(
            dir / "src", "LC_ALL=C zip -q -9 ../" + archive + " " + testsupport::ShellQuote(file)));
    };
    zip("sjis.zip", ETA_SJIS);
    zip("control.zip", "\x01\x02.iso");
    // Deflate64 reads a deflate stream without matches of the longest length
    // alike: the library refuses the method, the second extractor takes it.
    WriteFile(dir / ("src/" + GAME_SJIS), scrambled);
    zip("deflate64.zip", GAME_SJIS);
    SetZipMethod(dir / "deflate64.zip", 9);

    WriteFile(dir / "h0.lzh", StoredLzh(0, ETA_SJIS, image));
    WriteFile(dir / "unix.lzh", StoredLzh(2, ETA_EUC, image, 'U'));
    WriteFile(dir / "dos.lzh", StoredLzh(2, "\x95\x5C\x8E\xA6.iso", image));
    WriteFile(dir / "bad.lzh", StoredLzh(2, "\x80\xFF.iso", image));
    const std::string corpus = testsupport::CorpusDir();
    if (!corpus.empty()) {
        // A real -lh1- archive (which only the second extractor reads) under
        // a Shift-JIS name.
        WriteFile(
            dir / "lh1.lzh",
            WithLevel0Name(ReadFile(corpus + "/archives/lhasa/test/archives/lharc113/lh1.lzh"),
                           GAME_SJIS));
    }

    struct Case {
        std::string archive;
        ArchiverKind kind;
        std::string name;
        std::string content;
    };
    const std::vector<Case> cases = {
        {"sjis.zip", ArchiverKind::SevenZip, "イータ.iso", image},
        {"control.zip", ArchiverKind::SevenZip, "Entry-1.iso", image},
        {"deflate64.zip", ArchiverKind::SevenZip, "ゲーム", scrambled},
        {"h0.lzh", ArchiverKind::LZH, "イータ.iso", image},
        {"unix.lzh", ArchiverKind::LZH, "イータ.iso", image},
        {"dos.lzh", ArchiverKind::LZH, "表示.iso", image},
        // The library cannot read past this name at all; the second extractor
        // writes its bytes as escapes.
        {"bad.lzh", ArchiverKind::LZH, "%80%ff.iso", image},
        {"lh1.lzh", ArchiverKind::LZH, "ゲーム", ""},
    };
    for (const Case& c : cases) {
        if (platform::KindOf(dir / c.archive) != platform::PathKind::File) continue;
        const auto archiver = CreateArchiver(c.kind, {dir / c.archive, dir / "out"});
        ASSERT_TRUE(archiver->Succeeded()) << c.archive << ": " << archiver->Problem().subject;
        ASSERT_EQ(ListNames(dir / "out"), Names{c.name}) << c.archive;
        if (!c.content.empty()) {
            EXPECT_EQ(ReadFile(dir / ("out/" + c.name)), c.content) << c.archive;
        }
    }
}

TEST(LegacyNames, EachEncodingDecodesOnlyWhatItExplains) {
    EXPECT_EQ(DecodeLegacyName(ETA_SJIS, LegacyEncoding::Cp932), "イータ.iso");
    EXPECT_EQ(DecodeLegacyName(ETA_EUC, LegacyEncoding::EucJp), "イータ.iso");
    EXPECT_EQ(DecodeLegacyName("\x80\xA0", LegacyEncoding::Cp437), "Çá");
    // A lead byte without its second byte, a control character, a
    // user-defined character: no decoding.
    EXPECT_EQ(DecodeLegacyName("\x83", LegacyEncoding::Cp932), std::nullopt);
    EXPECT_EQ(DecodeLegacyName("a\x01", LegacyEncoding::Cp437), std::nullopt);
    EXPECT_EQ(DecodeLegacyName("\xF0\x40", LegacyEncoding::Cp932), std::nullopt);
    EXPECT_EQ(DecodeLegacyName("", LegacyEncoding::Cp932), std::nullopt);
    EXPECT_EQ(GeneratedName(3, "\x80\xFF.iso"), "Entry-3.iso");
    EXPECT_EQ(GeneratedName(4, "\x80\xFF.i\xFFo"), "Entry-4");
    EXPECT_EQ(GeneratedName(5, "noextension"), "Entry-5");
}
