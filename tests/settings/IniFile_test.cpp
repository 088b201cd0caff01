#include "settings/IniFile.h"
#include "settings/IniText.h"
#include "settings/SettingsError.h"

#include "tests/db/ScratchDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrom {
namespace {

using test::ScratchDir;

// A hand-kept file: a comment before any section, an unknown section, names
// in other letter cases, blanks around names and values, a line break of LF
// only, a line without "=", and blank lines between the sections.
const std::string HandKept = "; written by hand\r\n"
                             "[Other]\r\n"
                             "VisibleCol=not ours\r\n"
                             "\r\n"
                             "[SORT]\r\n"
                             "  visiblecol = Ошибка,Номер_А \r\n"
                             "Extra=keep me\n"
                             "no equals sign here\r\n"
                             "\r\n"
                             "[State]\r\n"
                             ";successful=0\r\n"
                             "Unknown=1\r\n"
                             "\r\n";

TEST(IniText, FindsValuesByCaseInsensitiveNamesInTheFirstMatchingSection) {
    EXPECT_EQ(FindIniValue(HandKept, "Sort", "VisibleCol"), "Ошибка,Номер_А");
    EXPECT_EQ(FindIniValue(HandKept, "other", "VISIBLECOL"), "not ours");
    EXPECT_EQ(FindIniValue(HandKept, "Sort", "Extra"), "keep me");
    EXPECT_EQ(FindIniValue(HandKept, "Sort", "Unknown"), std::nullopt);
    EXPECT_EQ(FindIniValue(HandKept, "state", "successful"), std::nullopt); // commented out
    EXPECT_EQ(FindIniValue(HandKept, "Missing", "Extra"), std::nullopt);
    EXPECT_TRUE(SameIniName("\xC0\xE1\xE2\xB8", "\xE0\xC1\xC2\xA8")); // "Абвё" / "аБВЁ"
    EXPECT_FALSE(SameIniName("Sort", "Sorts"));
}

TEST(IniText, WritingChangesOnlyTheValueAndKeepsEverythingElseByteForByte) {
    std::string text = SetIniValue(HandKept, "Sort", "VisibleCol", "A,B");
    text = SetIniValue(text, "Sort", "SortCol", "C");
    text = SetIniValue(text, "state", "window", "2");
    text = SetIniValue(text, "New", "Key", "v");
    EXPECT_EQ(text, "; written by hand\r\n"
                    "[Other]\r\n"
                    "VisibleCol=not ours\r\n"
                    "\r\n"
                    "[SORT]\r\n"
                    "  visiblecol =A,B\r\n"
                    "Extra=keep me\n"
                    "no equals sign here\r\n"
                    "SortCol=C\r\n"
                    "\r\n"
                    "[State]\r\n"
                    ";successful=0\r\n"
                    "Unknown=1\r\n"
                    "window=2\r\n"
                    "\r\n"
                    "[New]\r\n"
                    "Key=v\r\n");
}

TEST(IniText, LinesWithoutFinalBreakAndNewSections) {
    EXPECT_EQ(SetIniValue("", "state", "window", "1"), "[state]\r\nwindow=1\r\n");
    EXPECT_EQ(SetIniValue("[state]\r\nwindow=1", "state", "filter", "0"),
              "[state]\r\nwindow=1\r\nfilter=0\r\n");
    EXPECT_EQ(SetIniValue("[state]\r\nwindow=1", "state", "window", "2"), "[state]\r\nwindow=2");
    EXPECT_EQ(SetIniValue("[Sort]\r\nA=1", "state", "B", "2"),
              "[Sort]\r\nA=1\r\n\r\n[state]\r\nB=2\r\n");
    EXPECT_EQ(SetIniValue("[state]\r\n", "state", "PrintStr", "two\r\nlines"),
              "[state]\r\nPrintStr=two  lines\r\n");
}

TEST(IniInteger, DecimalHexadecimalAndEverythingElse) {
    EXPECT_EQ(ParseIniInteger("42"), 42);
    EXPECT_EQ(ParseIniInteger("-1"), -1);
    EXPECT_EQ(ParseIniInteger("+7"), 7);
    EXPECT_EQ(ParseIniInteger("0x1F"), 31);
    EXPECT_EQ(ParseIniInteger("0XfF"), 255);
    EXPECT_EQ(ParseIniInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseIniInteger("2147483647"), 2147483647);
    for (const char* bad : {"", "x", "12a", "1.5", "0x", "0xG", "0x100000000", "2147483648", "+-1",
                            "--1", "- 1", "$10"})
        EXPECT_EQ(ParseIniInteger(bad), std::nullopt) << bad;
}

TEST(IniFile, ValueFormsAbsentAndEmpty) {
    ScratchDir dir;
    dir.Write("t.ini",
              "[s]\r\nempty=\r\nlist= a b,\"c d\" \r\ntext=\xCF\xF3\xF2\xFC\r\nhex=0x10\r\n");
    const IniFile ini((dir.Path() / "t.ini").string());
    EXPECT_EQ(ini.ReadString("s", "empty", "def"), "");
    EXPECT_EQ(ini.ReadString("s", "absent", "def"), "def");
    EXPECT_EQ(ini.ReadString("s", "text", ""), "Путь");
    EXPECT_EQ(ini.ReadList("s", "empty", {"def"}), std::vector<std::string>{});
    EXPECT_EQ(ini.ReadList("s", "absent", {"def"}), std::vector<std::string>{"def"});
    EXPECT_EQ(ini.ReadList("s", "list", {}), (std::vector<std::string>{"a", "b", "c d"}));
    EXPECT_EQ(ini.ReadInteger("s", "hex", 5), 16);
    EXPECT_EQ(ini.ReadInteger("s", "empty", 5), 5);

    const IniFile missing((dir.Path() / "none.ini").string());
    EXPECT_EQ(missing.ReadInteger("s", "hex", 3), 3);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "none.ini"));
}

TEST(IniFile, TextsAreReadUpTo2047CharactersAndWrittenInWindows1251) {
    ScratchDir dir;
    const IniFile ini((dir.Path() / "t.ini").string());
    std::string longText;
    for (int i = 0; i < 2100; ++i)
        longText.append("я");
    ini.WriteString("state", "PrintStr", longText);
    EXPECT_EQ(dir.Read("t.ini").size(), std::string("[state]\r\nPrintStr=\r\n").size() + 2100);
    const std::string read = ini.ReadString("state", "PrintStr", "");
    EXPECT_EQ(read.size(), 2047u * 2); // two UTF-8 bytes per letter
    ini.WriteBool("state", "On", true);
    ini.WriteInteger("state", "Num", -12);
    ini.WriteList("state", "L", {"x y", "z"});
    EXPECT_TRUE(dir.Read("t.ini").ends_with("\xFF\xFF\r\nOn=1\r\nNum=-12\r\nL=\"x y\",z\r\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "t.ini.tmp"));
}

TEST(IniFile, AKeyThatCannotBeWrittenNamesTheFile) {
    ScratchDir dir;
    dir.Write("plain", "a regular file, not a directory");
    const std::string fileName = (dir.Path() / "plain" / "addpar.ini").string();
    const IniFile ini(fileName);
    try {
        ini.WriteBool("state", "AutoOpen", true);
        ADD_FAILURE() << "the write went through";
    } catch (const SettingsError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + fileName);
    }
    EXPECT_EQ(ini.ReadBool("state", "AutoOpen", false), false);
}

} // namespace
} // namespace kestrom
