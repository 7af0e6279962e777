#include "config/KeyedTextDocument.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ReadOnlyFile.h"
#include "support/Files.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {
const std::string HEADER = "[Orvane preset file Ver1]";
}

TEST(KeyedTextDocument, LoadsOnlyFilesWithTheExactHeader) {
    TempDir dir;
    for (const std::string& first : {HEADER + " ", std::string("[orvane preset file Ver1]"),
                                     std::string("\xEF\xBB\xBF") + HEADER,
                                     std::string("[Orvane setting file Ver1]"), std::string()}) {
        WriteFile(dir / "p.ini", first + "\r\n[EditBox]\r\n0=x\r\n");
        KeyedTextDocument document(HEADER);
        EXPECT_FALSE(document.Load(dir / "p.ini")) << first;
        EXPECT_TRUE(document.Sections().empty());
    }
    KeyedTextDocument missing(HEADER);
    EXPECT_FALSE(missing.Load(dir / "absent.ini"));
    // LF-only files and a last line without line end read the same.
    WriteFile(dir / "p.ini", HEADER + "\n[EditBox]\n0=x");
    KeyedTextDocument unix(HEADER);
    EXPECT_TRUE(unix.Load(dir / "p.ini"));
    EXPECT_EQ(unix.Get("EditBox", "0"), "x");
}

TEST(KeyedTextDocument, LinesAreTakenByteForByte) {
    TempDir dir;
    WriteFile(dir / "p.ini",
              HEADER +
                  "\r\nlead=before any section\r\n\r\n[General]\r\na=b=c\r\n=x\r\n"
                  "key=\r\nLanguage = English\r\nnote without equals\r\n"
                  "[General\r\n[General]x=1\r\ntwice=1\r\ntwice=2\r\n[]\r\nempty=e\r\n");
    KeyedTextDocument document(HEADER);
    ASSERT_TRUE(document.Load(dir / "p.ini"));
    EXPECT_EQ(document.Get("", "lead"), "before any section");
    EXPECT_EQ(document.Get("", "empty"), "e");
    EXPECT_EQ(document.Get("General", "a"), "b=c");
    EXPECT_EQ(document.Get("General", ""), "x");
    EXPECT_EQ(document.Get("General", "key"), "");
    EXPECT_EQ(document.Get("General", "Language"), "");
    EXPECT_EQ(document.Get("General", "Language "), " English");
    EXPECT_EQ(document.Get("General", "[General]x"), "1");
    EXPECT_EQ(document.Get("General", "twice"), "2");
    EXPECT_EQ(document.Get("Missing", "a"), "");
    EXPECT_EQ(document.Sections().size(), 2u);  // Get never adds
}

TEST(KeyedTextDocument, SavesInByteOrderWithCrLfAndReadsBackTheSame) {
    TempDir dir;
    KeyedTextDocument document(HEADER);
    EXPECT_TRUE(document.Set("EditBox", "1", "%n"));
    EXPECT_TRUE(document.Set("EditBox", "0", "/data/Images"));
    EXPECT_TRUE(document.Set("CheckBox", "2", "0"));
    EXPECT_TRUE(document.Set("CheckBox", "10", "1"));
    EXPECT_TRUE(document.Set("CheckBox", "1", "0"));
    EXPECT_TRUE(document.Set("", "top", "t"));
    EXPECT_TRUE(document.Set("ListBox", "MACHINE", "-1"));
    ASSERT_TRUE(document.Save(dir / "p.ini"));
    EXPECT_EQ(ReadFile(dir / "p.ini"),
              HEADER +
                  "\r\n[]\r\ntop=t\r\n[CheckBox]\r\n1=0\r\n10=1\r\n2=0\r\n[EditBox]\r\n"
                  "0=/data/Images\r\n1=%n\r\n[ListBox]\r\nMACHINE=-1\r\n");
    KeyedTextDocument again(HEADER);
    ASSERT_TRUE(again.Load(dir / "p.ini"));
    EXPECT_EQ(again.Sections(), document.Sections());
    EXPECT_FALSE(document.Save(dir / "missing/p.ini"));
}

// What a save would replace without having read it is left as it is: a FIFO,
// and (for a user the permissions apply to) a file without read permission.
TEST(KeyedTextDocument, SaveNeverReplacesAFileItCouldNotRead) {
    TempDir dir;
    KeyedTextDocument document(HEADER);
    ASSERT_EQ(mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    EXPECT_FALSE(document.Save(dir / "fifo.ini"));
    EXPECT_EQ(platform::ReadSmallFile(dir / "fifo.ini").outcome,
              platform::SmallFile::Outcome::NotRegular);
    if (geteuid() == 0) return;  // root reads every file
    WriteFile(dir / "locked.ini", "kept");
    ASSERT_EQ(chmod((dir / "locked.ini").c_str(), 0), 0);
    EXPECT_FALSE(document.Save(dir / "locked.ini"));
    ASSERT_EQ(chmod((dir / "locked.ini").c_str(), 0600), 0);
    EXPECT_EQ(ReadFile(dir / "locked.ini"), "kept");
}

TEST(KeyedTextDocument, SetRefusesWhatWouldNotReadBack) {
    KeyedTextDocument document(HEADER);
    EXPECT_FALSE(document.Set("General", "a=b", "x"));
    EXPECT_FALSE(document.Set("General", "[x", "y]"));
    EXPECT_FALSE(document.Set("General", "key", "two\r\nlines"));
    EXPECT_FALSE(document.Set("General", "key", "line\n"));
    EXPECT_FALSE(document.Set("Gen\neral", "key", "x"));
    EXPECT_TRUE(document.Sections().empty());
    EXPECT_TRUE(document.Set("General", "x", "a=b"));
    EXPECT_EQ(document.Get("General", "x"), "a=b");
}
