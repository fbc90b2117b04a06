#include "platform/Profile.h"

#include "support/ScopedLocale.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

using vidrune::platform::Profile;
using vidrune::test::ScopedLocale;
using vidrune::test::TempDir;

constexpr const char* kSample = "; leading comment\r\n"
                                "[Camera1]\r\n"
                                "Name = Left camera  \r\n"
                                "Quoted=\"  spaced  \"\r\n"
                                "Single='x'\r\n"
                                "Mismatched=\"abc'\r\n"
                                "Empty=\r\n"
                                "Trailing=value ; not a comment\r\n"
                                "  ; indented comment=1\r\n"
                                "Dup=first\r\n"
                                "dup=second\r\n"
                                "[camera1]\r\n"
                                "Late=ignored\r\n"
                                "[ Numbers ]\r\n"
                                "a= 42\n"
                                "b=-7\n"
                                "c=12abc\n"
                                "d=abc\n"
                                "e=0x1F\n"
                                "f=+5\n"
                                "g=\n"
                                "h=  -0x10";

// The POSIX writer keeps every byte it does not change, and a batch keeps what it read. The
// Windows one rewrites the whole file (CR LF line ends, no blank lines, the key's spelling as
// found) but keeps every entry, and the Windows functions read the file at every call.
constexpr bool kPosixFiles = std::filesystem::path::preferred_separator == '/';

TEST(ProfileTest, ReadsStringsAndIntegersFromTheFileAsItIsNow) {
    TempDir dir;
    const std::string path = dir.Write("sample.ini", kSample);
    const std::array<const char*, 3> cases[] = {
        // section, key, value
        {"CAMERA1", "NAME", "Left camera"},  // names ignore case, blanks go
        {"Camera1", "Quoted", "  spaced  "}, // quotes removed, inside kept
        {"Camera1", "Single", "x"},
        {"Camera1", "Mismatched", "\"abc'"}, // only a matching pair goes
        {"Camera1", "Empty", ""},            // present and empty
        {"Camera1", "Trailing", "value ; not a comment"},
        {"Camera1", "; indented comment", "1"}, // no comment syntax, as in Windows
        {"Camera1", "Dup", "first"},            // the first key wins
        {"Camera1", "Late", "<default>"},       // only the first section counts
        {"Numbers", "a", "42"},                 // blanks around the section name
        {"Numbers", "h", "-0x10"},              // last line without a newline
    };
    for (const auto& [section, key, expected] : cases)
        EXPECT_EQ(Profile::GetString(path, section, key, "<default>", 256), expected)
            << section << "/" << key;
    // Cut to the buffer, the default as well.
    EXPECT_EQ(Profile::GetString(path, "Camera1", "Name", "", 5), "Left");
    EXPECT_EQ(Profile::GetString(path, "Camera1", "Missing", "NO DATA", 4), "NO ");

    // Integers as the Windows reader takes them.
    const std::pair<const char*, int> integers[] = {
        {"a", 42}, {"b", -7}, {"c", 12},  {"d", 0},        {"e", 31},
        {"f", 5},  {"g", 99}, {"h", -16}, {"missing", 99},
    };
    for (const auto& [key, expected] : integers)
        EXPECT_EQ(Profile::GetInt(path, "Numbers", key, 99), expected) << key;
    EXPECT_EQ(Profile::GetInt(dir.File("absent.ini"), "Numbers", "a", 7), 7);
    for (const auto& [text, expected] : {std::pair{" 42", 42}, {"-", 0}, {"0x", 0}})
        EXPECT_EQ(Profile::ParseInt(text), expected) << text;

    // Rewrites of the same length within one clock tick: no size or time stamp tells them
    // apart, only the bytes.
    for (const char* value : {"1", "2", "3", "2"}) {
        dir.Write("sample.ini", std::string("[S]\nK=") + value + "\n");
        EXPECT_EQ(Profile::GetString(path, "S", "K", "", 8), value);
    }
    std::remove(path.c_str()); // a missing file gives the default
    EXPECT_EQ(Profile::GetString(path, "S", "K", "gone", 8), "gone");
}

TEST(ProfileTest, ABatchReadsEachFileOnceAndSeesItsOwnWrites) {
    TempDir dir;
    const std::string path = dir.Write("batch.ini", "[S]\nK=1\n");
    {
        const Profile::Batch outer;
        EXPECT_EQ(Profile::GetString(path, "S", "K", "", 8), "1");
        dir.Write("batch.ini", "[S]\nK=2\n");
        {
            const Profile::Batch inner;
            EXPECT_EQ(Profile::GetInt(path, "S", "K", 0), kPosixFiles ? 1 : 2);
        }
        EXPECT_EQ(Profile::GetString(path, "S", "K", "", 8), kPosixFiles ? "1" : "2");
        ASSERT_TRUE(Profile::WriteString(path, "S", "Added", "4"));
        EXPECT_EQ(Profile::GetInt(path, "S", "Added", 0), 4);
    }
    EXPECT_EQ(Profile::GetString(path, "S", "K", "", 8), "2");
}

// A UTF-8 byte order mark (as editors on Windows may save it) is no part of the first line
// and stays. A lone CR ends a line as well (files from old Mac editors, or cut short after a
// CR), also the last one; such files only have to read alike afterwards.
TEST(ProfileTest, WriteReplacesAppendsAndKeepsEverythingElse) {
    struct Case {
        const char* before;
        std::vector<std::array<const char*, 3>> writes; // section, key, value
        const char* after;                              // with the POSIX writer
        bool sameBytes = kPosixFiles;
    };
    const Case cases[] = {
        {"; settings\r\n[Mode1]\r\nXoffset=5\r\n; "
         "note\r\nYoffset=6\r\n\r\n[Other]\r\nXoffset=1\r\n",
         {{"mode1", "XOFFSET", "12"}},
         "; settings\r\n[Mode1]\r\nXOFFSET=12\r\n; "
         "note\r\nYoffset=6\r\n\r\n[Other]\r\nXoffset=1\r\n"},
        {"\xEF\xBB\xBF[Mode1]\nXoffset=5\n\n[Other]\nA=1",
         {{"Mode1", "State", "2"}, {"New", "OnTop", "1"}},
         "\xEF\xBB\xBF[Mode1]\nXoffset=5\nState=2\n\n[Other]\nA=1\n[New]\nOnTop=1\n"},
        {"[Old]\nKey=1\rOther=2\r",
         {{"New", "Key", "v"}, {"Old", "Added", "3"}},
         "[Old]\nKey=1\nOther=2\nAdded=3\n[New]\nKey=v\n",
         false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.Write("w.ini", c.before);
        for (const auto& [section, key, value] : c.writes)
            ASSERT_TRUE(Profile::WriteString(path, section, key, value)) << c.after;
        if (c.sameBytes) {
            EXPECT_EQ(dir.Read("w.ini"), c.after);
        }
        // Whatever the layout, the file reads as the expected one does.
        const std::string expected = dir.Write("expected.ini", c.after);
        for (const char* section : {"Mode1", "Other", "New", "Old"})
            for (const char* key : {"Xoffset", "Yoffset", "State", "OnTop", "A", "; settings",
                                    "Key", "Added", "Other"})
                EXPECT_EQ(Profile::GetString(path, section, key, "-", 64),
                          Profile::GetString(expected, section, key, "-", 64))
                    << c.after << section << "/" << key;
    }
}

TEST(ProfileTest, NumbersReadTheSameUnderEveryLocale) {
    const std::pair<const char*, double> cases[] = {
        {"0.01", 0.01},  {" 29.97", 29.97}, {"+1.5", 1.5},  {"-2.5e2", -250.0}, {".5", 0.5},
        {"12abc", 12.0}, {"1,5", 1.0},      {"abc", 0.0},   {"", 0.0},          {"+-5", 0.0},
        {"inf", 0.0},    {"nan", 0.0},      {"1e999", 0.0},
    };
    for (const char* locale : {"C", ScopedLocale::kGerman}) {
        const ScopedLocale set(locale);
        if (!set.Available())
            GTEST_SKIP() << "locale " << locale << " is not installed (scripts/deps.sh makes it)";
        for (const auto& [text, expected] : cases)
            EXPECT_EQ(Profile::ParseNumber(text), expected) << '"' << text << "\" in " << locale;
    }
}
