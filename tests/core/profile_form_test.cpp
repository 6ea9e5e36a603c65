// The form in which the profile writer leaves a file, as the system's profile functions
// leave it (checked against them in profile_windows_test.cpp); here on the pure functions.
#include "core/system/profile.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace varscope::core;

TEST(ProfileForm, changedValue_wholeFileRewrittenInNormalForm) {
    const std::string hand = "\r\n; note\r\n\r\n[ S ]\n  k  =  old  \n\n[t]\rx = 1\r";
    EXPECT_EQ(profile::SetValue(hand, "s", "k", "new"), "; note\r\n[S]\r\nk=new\r\n[t]\r\nx=1\r\n");
}

TEST(ProfileForm, unchangedValue_fileGivenBackAsItWas) {
    const std::string hand = "\r\n[S]\n  k  =  same  \n";
    // Leading blanks of a value are never written.
    EXPECT_EQ(profile::SetValue(hand, "s", "K", "  same"), hand);
    EXPECT_NE(profile::SetValue(hand, "s", "K", "Same"), hand);
}

TEST(ProfileForm, writtenNamesAndValues_leadingBlanksDroppedTrailingKept) {
    EXPECT_EQ(profile::SetValue("", " new ", "  key ", "  value  "), "[new ]\r\nkey =value  \r\n");
    // Read back, the blanks at the ends are gone.
    EXPECT_EQ(profile::FindValue("[new ]\r\nkey =value  \r\n", "new", "key"), "value");
}

TEST(ProfileForm, emptySectionName_linesAboveTheFirstSection) {
    EXPECT_EQ(profile::SetValue("[a]\r\nk=1\r\n", "", "k", "top"), "k=top\r\n[a]\r\nk=1\r\n");
    EXPECT_EQ(profile::FindValue("k=top\r\n[a]\r\nk=1\r\n", " ", "k"), "top");
}

TEST(ProfileForm, namelessKeysInARow_onlyTheFirstKept) {
    EXPECT_EQ(profile::SetValue("=a\r\n=b\r\nk=1\r\n=c\r\n", "z", "k", "v"),
              "=a\r\nk=1\r\n=c\r\n[z]\r\nk=v\r\n");
}

TEST(ProfileForm, linesWithoutEqualsAndComments_areKeysWithoutValue) {
    const std::string file = "[s]\r\nbare\r\n;c=1\r\n";
    EXPECT_FALSE(profile::FindValue(file, "s", "bare").has_value());
    EXPECT_EQ(profile::FindValue(file, "s", ";c"), "1");
    EXPECT_EQ(profile::SetValue(file, "s", "bare", "v"), "[s]\r\nbare=v\r\n;c=1\r\n");
}

TEST(ProfileForm, quotedValue_smallBuffersCutAsTheSystemCutsThem) {
    const std::string file = "[s]\r\nq=\"quoted\"\r\n";
    EXPECT_EQ(profile::GetValue(file, "s", "q", "", 512), "quoted");
    EXPECT_EQ(profile::GetValue(file, "s", "q", "", 8), "quoted");
    // A buffer of just the value's size without its first quote loses one byte more.
    EXPECT_EQ(profile::GetValue(file, "s", "q", "", 7), "quote");
    EXPECT_EQ(profile::GetValue(file, "s", "q", "", 6), "quote");
    EXPECT_EQ(profile::GetValue(file, "s", "q", "", 1), "");
    EXPECT_EQ(profile::GetValue(file, "s", "q", "", 0), "");
}

TEST(ProfileForm, fallback_trailingBlanksDroppedAndQuotesRemoved) {
    EXPECT_EQ(profile::GetValue("", "s", "k", "dflt  ", 512), "dflt");
    EXPECT_EQ(profile::GetValue("", "s", "k", "   ", 512), " ");
    EXPECT_EQ(profile::GetValue("", "s", "k", "\"x\"", 512), "x");
    EXPECT_EQ(profile::GetValue("", "s", "k", "abcdef", 3), "ab");
}

TEST(ProfileForm, unicodeFiles_keepTheirMarkAndForm) {
    const std::string utf16 = std::string("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0"
                                          "1\0\r\0\n\0",
                                          22);
    EXPECT_EQ(profile::FindValue(utf16, "s", "k"), "1");
    EXPECT_EQ(profile::SetValue(utf16, "s", "k", "2"), std::string("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0"
                                                                   "2\0\r\0\n\0",
                                                                   22));
    EXPECT_EQ(profile::SetValue("\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "2"),
              "\xEF\xBB\xBF[s]\r\nk=2\r\n");
}
