#include "platform/Profile.h"

#include "support/ScopedLocale.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using vidrune::platform::Profile;
using vidrune::test::ScopedLocale;
using vidrune::test::TempDir;

namespace {

const char* kSample = "; leading comment\r\n"
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

struct StringCase {
    const char* section;
    const char* key;
    const char* expected;
};

} // namespace

TEST(ProfileTest, ReadsStringsByTheProfileRules) {
    TempDir dir;
    const std::string path = dir.Write("sample.ini", kSample);
    const StringCase cases[] = {
        {"Camera1", "Name", "Left camera"},
        {"CAMERA1", "NAME", "Left camera"},  // names ignore case
        {"Camera1", "Quoted", "  spaced  "}, // quotes removed, inside kept
        {"Camera1", "Single", "x"},
        {"Camera1", "Mismatched", "\"abc'"}, // only a matching pair goes
        {"Camera1", "Empty", ""},            // present and empty
        {"Camera1", "Trailing", "value ; not a comment"},
        {"Camera1", "; indented comment", "<default>"},
        {"Camera1", "Dup", "first"},      // the first key wins
        {"Camera1", "Late", "<default>"}, // only the first section counts
        {"Numbers", "a", "42"},           // blanks around the section name
        {"Numbers", "h", "-0x10"},        // last line without a newline
        {"Missing", "a", "<default>"},
        {"Numbers", "zz", "<default>"},
    };
    for (const StringCase& c : cases) {
        EXPECT_EQ(Profile::GetString(path, c.section, c.key, "<default>", 256), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(Profile::GetString(dir.File("absent.ini"), "Camera1", "Name", "dflt", 256), "dflt");
    // Cut to the buffer, the default as well.
    EXPECT_EQ(Profile::GetString(path, "Camera1", "Name", "", 5), "Left");
    EXPECT_EQ(Profile::GetString(path, "Camera1", "Name", "", 1), "");
    EXPECT_EQ(Profile::GetString(path, "Camera1", "Missing", "NO DATA", 4), "NO ");
}

TEST(ProfileTest, ReadsIntegersAsTheWindowsReaderDoes) {
    TempDir dir;
    const std::string path = dir.Write("sample.ini", kSample);
    const std::pair<const char*, int> cases[] = {
        {"a", 42}, {"b", -7}, {"c", 12},  {"d", 0},        {"e", 31},
        {"f", 5},  {"g", 99}, {"h", -16}, {"missing", 99},
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(Profile::GetInt(path, "Numbers", key, 99), expected) << key;
    EXPECT_EQ(Profile::GetInt(dir.File("absent.ini"), "Numbers", "a", 7), 7);
    EXPECT_EQ(Profile::ParseInt(" 42"), 42);
    EXPECT_EQ(Profile::ParseInt("-"), 0);
    EXPECT_EQ(Profile::ParseInt("0x"), 0);
}

TEST(ProfileTest, WriteReplacesInPlaceAndKeepsEverythingElse) {
    TempDir dir;
    dir.Write("w.ini", "; settings\r\n[Mode1]\r\nXoffset=5\r\n; note\r\nYoffset=6\r\n\r\n"
                       "[Other]\r\nXoffset=1\r\n");
    const std::string path = dir.File("w.ini");
    ASSERT_TRUE(Profile::WriteString(path, "mode1", "XOFFSET", "12"));
    EXPECT_EQ(dir.Read("w.ini"), "; settings\r\n[Mode1]\r\nXOFFSET=12\r\n; note\r\nYoffset=6\r\n"
                                 "\r\n[Other]\r\nXoffset=1\r\n");
    EXPECT_EQ(Profile::GetInt(path, "Other", "Xoffset", 0), 1);
}

TEST(ProfileTest, WriteAppendsKeysAndSections) {
    TempDir dir;
    dir.Write("w.ini", "[Mode1]\nXoffset=5\n\n[Other]\nA=1");
    const std::string path = dir.File("w.ini");
    ASSERT_TRUE(Profile::WriteString(path, "Mode1", "State", "2"));
    ASSERT_TRUE(Profile::WriteString(path, "New", "OnTop", "1"));
    EXPECT_EQ(dir.Read("w.ini"), "[Mode1]\nXoffset=5\nState=2\n\n[Other]\nA=1\n[New]\nOnTop=1\n");
    EXPECT_EQ(Profile::GetInt(path, "New", "OnTop", 0), 1);
    EXPECT_EQ(Profile::GetInt(path, "Mode1", "State", 0), 2);
}

TEST(ProfileTest, WriteCreatesTheFile) {
    TempDir dir;
    const std::string path = dir.File("fresh.ini");
    ASSERT_TRUE(Profile::WriteString(path, "Mode65536_65792_65793", "Xoffset", "1930"));
    ASSERT_TRUE(Profile::WriteString(path, "Mode65536_65792_65793", "Yoffset", "120"));
    EXPECT_EQ(dir.Read("fresh.ini"), "[Mode65536_65792_65793]\nXoffset=1930\nYoffset=120\n");
    EXPECT_FALSE(Profile::WriteString(dir.File("no/such/folder/x.ini"), "S", "K", "V"));
}

TEST(ProfileTest, ALoneCarriageReturnEndsALine) {
    // Files from old Mac editors, or cut short after a CR: each line stays its own.
    const std::pair<const char*, const char*> files[] = {
        {"last.ini", "[Old]\nKey=1\r"},
        {"only.ini", "[Old]\rKey=1\rOther=2\r"},
        {"mixed.ini", "[Old]\r\nKey=1\rOther=2\n"},
    };
    TempDir dir;
    for (const auto& [name, text] : files) {
        const std::string path = dir.Write(name, text);
        EXPECT_EQ(Profile::GetString(path, "Old", "Key", "", 64), "1") << name;
        ASSERT_TRUE(Profile::WriteString(path, "New", "Key", "v")) << name;
        ASSERT_TRUE(Profile::WriteString(path, "Old", "Added", "3")) << name;
        EXPECT_EQ(Profile::GetString(path, "New", "Key", "", 64), "v") << name;
        EXPECT_EQ(Profile::GetString(path, "Old", "Key", "", 64), "1") << name;
        EXPECT_EQ(Profile::GetString(path, "Old", "Added", "", 64), "3") << name;
    }
}

TEST(ProfileTest, NumbersReadTheSameUnderEveryLocale) {
    const std::pair<const char*, double> cases[] = {
        {"0.01", 0.01},  {" 29.97", 29.97}, {"+1.5", 1.5},  {"-2.5e2", -250.0}, {".5", 0.5},
        {"12abc", 12.0}, {"1,5", 1.0},      {"abc", 0.0},   {"", 0.0},          {"+-5", 0.0},
        {"inf", 0.0},    {"nan", 0.0},      {"1e999", 0.0},
    };
    auto check = [&](const char* locale) {
        for (const auto& [text, expected] : cases)
            EXPECT_EQ(Profile::ParseNumber(text), expected) << '"' << text << "\" in " << locale;
    };
    check("C");
    ScopedLocale german(ScopedLocale::kGerman);
    if (!german.Available())
        GTEST_SKIP() << "locale " << ScopedLocale::kGerman
                     << " is not installed (scripts/deps.sh generates it)";
    check(ScopedLocale::kGerman);
}
