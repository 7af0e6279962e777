// A disc whose image opens but fails a read says why in the error log, under
// its "Failed to find ID" line.
#include <random>

#include "RenameRunFixture.h"
#include "support/ChdBuilder.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace renamerun {
namespace {

TEST_F(RenameRunTest, AChdThatFailsAHunkCheckSaysWhichAndWhyInTheErrorLog) {
    // The boot line names no game code, so the boot file itself is read (for
    // its checksum); its noise does not compress, and chdman's layout stores
    // such hunks as they are.
    std::string elf(150000, '\0');
    std::mt19937 random(22);
    for (char& c : elf) c = char(random() & 0xFF);
    testsupport::IsoBuilder builder;
    builder.AddFile("SYSTEM.CNF", "BOOT2 = cdrom0:\\MAIN.ELF;1\r\n");
    builder.AddFile("MAIN.ELF", elf);
    std::string disc = builder.Build().bytes;
    disc.resize((disc.size() + 4095) / 4096 * 4096, '\0');
    testsupport::ChdSpec spec;
    spec.data = disc;
    std::string chd = testsupport::MakeChd(spec);
    // A hunk well inside the boot file, past what opening the image reads.
    const std::size_t hunk = disc.find(elf.substr(0, 64)) / 4096 + 20;
    const std::size_t stored = chd.find(disc.substr(hunk * 4096, 4096));
    ASSERT_NE(stored, std::string::npos);
    chd[stored + 100] ^= 0x55;
    WriteFile("scan/game.chd", chd);

    EXPECT_EQ(RunRename(Settings()), RunOutcome::NothingMatched);
    EXPECT_EQ(ReadFile("error_log.txt"),
              LOG_BLOCK + "Failed to find ID - scan/game\r\n    game.chd is damaged: hunk " +
                  std::to_string(hunk) + " of " + std::to_string(disc.size() / 4096) +
                  " fails its CRC check once decompressed\r\n");
}

}  // namespace
}  // namespace renamerun
