// Images written by real ISO9660 tools: every file of the source folder must
// be listed and load with exactly its bytes, cooked and in every raw layout.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "image/KelCDFileSystem.h"
#include "platform/AsciiCase.h"
#include "support/Files.h"
#include "support/RawSectors.h"
#include "support/TempDir.h"

using testsupport::RawLayout;
using testsupport::ShellQuote;
using testsupport::TempDir;

namespace {

// A source folder with 8.3 names (the tools keep them as written, upper case):
// empty files, sizes around a sector, a folder large enough to span sectors,
// nested folders. Keys are disc paths with backslashes.
std::map<std::string, std::string> MakeSourceTree(const std::string& root) {
    std::mt19937 random(20261208);
    auto bytes = [&](std::size_t size) {
        std::string data(size, '\0');
        for (char& c : data) c = char(random() & 0xFF);
        return data;
    };
    std::map<std::string, std::string> files;
    testsupport::MakeDirs(root);
    auto add = [&](const std::string& discPath, std::string content) {
        std::string hostPath = discPath;
        std::replace(hostPath.begin(), hostPath.end(), '\\', '/');
        const std::size_t slash = hostPath.rfind('/');
        if (slash != std::string::npos)
            testsupport::MakeDirs(root + "/" + hostPath.substr(0, slash));
        testsupport::WriteFile(root + "/" + hostPath, content);
        files[discPath] = std::move(content);
    };
    add("SYSTEM.CNF", "BOOT2 = cdrom0:\\SLUS_200.62;1\r\nVER = 1.00\r\n");
    add("SLUS_200.62", bytes(300000));
    add("EMPTY.DAT", "");
    add("ONE.BIN", bytes(2048));
    add("TWO.BIN", bytes(2049));
    for (int i = 0; i < 90; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "MANY\\F%03d.DAT", i);
        add(name, bytes(std::size_t(random() % 5000)));
    }
    add("MODULES\\IOP\\SIO2MAN.IRX", bytes(7000));
    add("A\\B\\C\\D\\E\\DEEP.TXT", "deep file");
    return files;
}

void ExpectEveryFile(const std::string& image, const std::map<std::string, std::string>& files,
                     const std::string& label) {
    KelCDFileSystem fs(image);
    ASSERT_TRUE(fs.IsValid()) << label;
    EXPECT_EQ(fs.Files().size(), files.size()) << label;
    for (const auto& [path, content] : files) {
        const std::int32_t index = fs.OpenFile(path);
        ASSERT_GE(index, 0) << label << ": " << path;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(fs.FileData(index)),
                              std::size_t(fs.FileSize(index))),
                  content)
            << label << ": " << path;
    }
}

void CheckTool(const std::string& tool, const std::string& command) {
    if (!testsupport::HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir dir;
    const std::string source = dir / "source";
    const auto files = MakeSourceTree(source);
    const std::string image = dir / "disc.iso";
    std::string output;
    ASSERT_EQ(
        testsupport::RunCommand(
            command + " -o " + ShellQuote(image) + " " + ShellQuote(source) + " 2>&1", &output),
        0)
        << output;
    ExpectEveryFile(image, files, tool + " cooked");

    const std::string cooked = testsupport::ReadFile(image);
    for (RawLayout layout :
         {RawLayout::Raw2336Mode1, RawLayout::Raw2336Mode2, RawLayout::Raw2352Mode1,
          RawLayout::Raw2352Mode2, RawLayout::Raw2448Mode1, RawLayout::Raw2448Mode2}) {
        const std::string raw = dir / (std::string(testsupport::LayoutName(layout)) + ".bin");
        testsupport::WriteFile(raw, testsupport::ToRawSectors(cooked, layout));
        ExpectEveryFile(raw, files, tool + " " + testsupport::LayoutName(layout));
    }
}

}  // namespace

TEST(IsoTools, GenisoimageImagesReadInEveryLayout) {
    CheckTool("genisoimage", "genisoimage -quiet -V TESTDISC");
}

TEST(IsoTools, XorrisoImagesReadInEveryLayout) {
    // With Rock Ridge, whose data sits after the identifier in each record.
    CheckTool("xorriso", "xorriso -as mkisofs -quiet -R -V TESTDISC");
}

TEST(IsoTools, ANameWithoutExtensionIsListedAndFoundWithoutItsDot) {
    // ISO 9660 writes the name QUAKE as QUAKE.;1 (or QUAKE. without the
    // version); the file is QUAKE, as iso-info lists it and boot lines name it.
    TempDir dir;
    testsupport::MakeDirs(dir / "source");
    testsupport::WriteFile(dir / "source/QUAKE", "the executable");
    testsupport::WriteFile(dir / "source/README.TXT", "text");
    const struct {
        const char* tool;
        const char* command;
        const char* recorded;
    } cases[] = {{"genisoimage", "genisoimage -quiet", "QUAKE.;1"},
                 {"genisoimage", "genisoimage -quiet -N", "QUAKE."},
                 {"xorriso", "xorriso -as mkisofs -quiet", "QUAKE.;1"}};
    for (const auto& c : cases) {
        if (!testsupport::HaveTool(c.tool)) GTEST_SKIP() << c.tool << " is not installed";
        const std::string image = dir / "disc.iso";
        std::string output;
        ASSERT_EQ(testsupport::RunCommand(std::string(c.command) + " -o " + ShellQuote(image) +
                                              " " + ShellQuote(dir / "source") + " 2>&1",
                                          &output),
                  0)
            << output;
        const std::string bytes = testsupport::ReadFile(image);
        ASSERT_NE(bytes.find(c.recorded), std::string::npos) << c.command;
        if (std::string(c.recorded).back() == '1' && testsupport::HaveTool("iso-info")) {
            ASSERT_EQ(
                testsupport::RunCommand(
                    "iso-info --no-header --no-rock-ridge --no-joliet -l -i " + ShellQuote(image),
                    &output),
                0);
            EXPECT_NE(output.find("  quake\n"), std::string::npos) << c.command << "\n" << output;
        }
        KelCDFileSystem fs(image);
        ASSERT_TRUE(fs.IsValid()) << c.command;
        std::vector<std::string> names;
        for (const FileEntry& file : fs.Files()) names.push_back(file.name);
        EXPECT_EQ(names, (std::vector<std::string>{"quake", "readme.txt"})) << c.command;
        const std::int32_t index = fs.OpenFile("QUAKE");
        ASSERT_GE(index, 0) << c.command;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(fs.FileData(index)),
                              std::size_t(fs.FileSize(index))),
                  "the executable")
            << c.command;
    }
}
