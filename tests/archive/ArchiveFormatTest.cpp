#include "archive/ArchiveFormat.h"

#include <gtest/gtest.h>

#include "support/Files.h"

namespace {

std::string Head(const std::string& path) {
    return testsupport::ReadFile(path).substr(0, SIGNATURE_BYTES);
}

}  // namespace

// The format, the volume flag of RAR 4 and 5, the end of a 7z archive and the
// system an LZH archive was made on, read from real archives; every shorter
// prefix of each is parsed without reading past it.
TEST(SignatureOf, ReadsWhatTheFirstBytesTell) {
    const std::string corpus = testsupport::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no test corpus";
    const std::string files = corpus + "/archives/rarfile/test/files/";
    const std::string la = corpus + "/archives/libarchive/test_read_format_";
    const std::string lhasa = corpus + "/archives/lhasa/test/archives/";
    struct Case {
        std::string path;
        ArchiveFormat format;
        bool volumes;
        bool unix;
    };
    const std::vector<Case> cases = {
        {files + "rar3-vols.part1.rar", ArchiveFormat::Rar, true, false},
        {files + "rar3-solid.rar", ArchiveFormat::Rar, false, false},
        {files + "rar5-vols.part2.rar", ArchiveFormat::Rar, true, false},
        {files + "rar5-solid.rar", ArchiveFormat::Rar, false, false},
        {la + "7zip_copy.7z", ArchiveFormat::SevenZip, false, false},
        {la + "zip_filename_cp932.zip", ArchiveFormat::Zip, false, false},
        {la + "cab_1.cab", ArchiveFormat::Cab, false, false},
        {lhasa + "lha_unix114i/h0_lh5.lzh", ArchiveFormat::Lzh, false, true},
        {lhasa + "lha_unix114i/h1_lh5.lzh", ArchiveFormat::Lzh, false, true},
        {lhasa + "lha_unix114i/h2_lh5.lzh", ArchiveFormat::Lzh, false, true},
        {lhasa + "lha213/lh5.lzh", ArchiveFormat::Lzh, false, false},
        {lhasa + "explzh_723/h2_lh5.lzh", ArchiveFormat::Lzh, false, false},
        {la + "7zip_sfx_pe.exe", ArchiveFormat::SelfExtracting, false, false},
        {files + "rar3-solid.rar.exp", ArchiveFormat::Unknown, false, false},
    };
    for (const Case& c : cases) {
        const std::string head = Head(c.path);
        const ArchiveSignature signature = SignatureOf(head);
        EXPECT_EQ(signature.format, c.format) << c.path;
        EXPECT_EQ(signature.declaresVolumes, c.volumes) << c.path;
        EXPECT_EQ(signature.madeOnUnix, c.unix) << c.path;
        EXPECT_EQ(ReadSignature(c.path).format, c.format) << c.path;
        for (std::size_t length = 0; length < head.size(); ++length) {
            // Copies, so that a read past the prefix shows under sanitizers.
            const std::string prefix = head.substr(0, length);
            SignatureOf(prefix);
        }
    }
    // A 7z archive spans its signature header and the header at its end.
    EXPECT_EQ(SignatureOf(Head(la + "7zip_copy.7z")).sevenZipEnd,
              testsupport::ReadFile(la + "7zip_copy.7z").size());
}
