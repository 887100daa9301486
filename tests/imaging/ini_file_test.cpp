#include "imaging/core/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace lumora {
namespace {

TEST(IniFile, ReadsEntriesSectionsAndComments) {
  const auto doc = TIniDocument::Parse(
      "\xEF\xBB\xBF"
      "Width=620\r\n"
      "; a comment\n"
      "# another\n"
      "BG Color = -1\n"
      "no equals sign here\n"
      "=nameless\n"
      "[Position]\n"
      "Left=12\n"
      "[Values]\n"
      "Left=99");
  EXPECT_EQ(doc.Get("", "Width"), "620");
  EXPECT_EQ(doc.Get("", "BG Color"), "-1");
  EXPECT_EQ(doc.Get("", "bg color"), "-1");  // names ignore ASCII case
  EXPECT_EQ(doc.Get("position", "Left"), "12");
  EXPECT_EQ(doc.Get("Values", "Left"), "99");
  EXPECT_FALSE(doc.Get("", "Left").has_value());
  EXPECT_FALSE(doc.Get("", "no equals sign here").has_value());
  EXPECT_FALSE(doc.Get("", "").has_value());
}

TEST(IniFile, EmptyValueIsNotMissing) {
  const auto doc = TIniDocument::Parse("JPG Editor=\n");
  ASSERT_TRUE(doc.Get("", "JPG Editor").has_value());
  EXPECT_EQ(*doc.Get("", "JPG Editor"), "");
}

TEST(IniFile, LaterDuplicateWinsAndKeepsFirstSpelling) {
  const auto doc = TIniDocument::Parse("Seconds=4\nSECONDS=9\n");
  EXPECT_EQ(doc.Get("", "Seconds"), "9");
  ASSERT_EQ(doc.Sections().size(), 1u);
  ASSERT_EQ(doc.Sections()[0].entries.size(), 1u);
  EXPECT_EQ(doc.Sections()[0].entries[0].name, "Seconds");
}

struct RoundTripCase {
  const char* label;
  std::string section, name, value;
};

class IniRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(IniRoundTrip, EveryByteReadsBack) {
  const auto& c = GetParam();
  TIniDocument doc;
  doc.Set("", "Before", "x");
  doc.Set(c.section, c.name, c.value);
  doc.Set("Other", "After", "y");
  const std::string text = doc.Serialize();
  const auto back = TIniDocument::Parse(text);
  EXPECT_EQ(back.Get(c.section, c.name), c.value) << text;
  EXPECT_EQ(back.Get("", "Before"), "x");
  EXPECT_EQ(back.Get("Other", "After"), "y");
  EXPECT_TRUE(back == doc) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniRoundTrip,
    testing::Values(
        RoundTripCase{"plain", "", "Width", "620"},
        RoundTripCase{"spaced_name", "", "Confirm Deletions", "1"},
        RoundTripCase{"command_line", "", "JPG Editor", "gimp --new-instance \"%1\" a=b; c#d"},
        RoundTripCase{"edge_blanks", "", "  padded  ", "  two spaces each side  "},
        RoundTripCase{"leading_tab", "", "Tabbed", "\tafter tab"},
        RoundTripCase{"newlines", "", "Multi", "line one\nline two\r\nthree\r"},
        RoundTripCase{"backslashes", "", "Directory", "c:\\ and \\x41 and \\n literally\\"},
        RoundTripCase{"nul_and_controls", "", std::string("a\0b", 3), std::string("\0\x01\x7F", 3)},
        RoundTripCase{"equals_in_name", "", "a=b", "=c="},
        RoundTripCase{"comment_like_name", "", ";not a comment", "#x"},
        RoundTripCase{"header_like_name", "", "[Values]", "[x]"},
        RoundTripCase{"bom_like_name", "", "\xEF\xBB\xBFname", "v"},
        RoundTripCase{"utf8", "", "Caption", "Fotos \xC3\xA9t\xC3\xA9 2026"},
        RoundTripCase{"invalid_utf8", "", "\xFF\xFE", "\xC3\x28"},
        RoundTripCase{"section_with_bracket", "Odd]Name", "k", "v"},
        RoundTripCase{"section_with_newline", "Two\nLines", "k", "v"}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.label); });

TEST(IniFile, HostileInputNeverBreaksTheReader) {
  const std::string cases[] = {
      "",
      "[",
      "[unterminated\nk=v",
      "\\",
      "k=\\x",
      "k=\\x4",
      "k=\\xZZ",
      std::string("k=v\0w\n", 6),
      std::string(5000, '['),
      std::string(5000, '='),
      "[]\nk=v",
      "\r\r\r\n\n",
  };
  for (const std::string& text : cases) {
    const auto doc = TIniDocument::Parse(text);
    const auto again = TIniDocument::Parse(doc.Serialize());
    EXPECT_TRUE(again == doc) << testing::PrintToString(text);
  }
  EXPECT_EQ(TIniDocument::Parse("k=\\x4").Get("", "k"), "\\x4");
  EXPECT_EQ(TIniDocument::Parse("[]\nk=v").Get("", "k"), "v");
}

TEST(IniFile, OversizedTextReadsAsEmpty) {
  std::string text = "Width=620\n";
  text.resize(kMaxIniFileBytes + 1, '\n');
  EXPECT_FALSE(TIniDocument::Parse(text).Get("", "Width").has_value());
}

TEST(IniFile, RemoveDeletesOnlyTheNamedValue) {
  auto doc = TIniDocument::Parse("a=1\nb=2\n[S]\na=3\n");
  EXPECT_TRUE(doc.Remove("", "A"));
  EXPECT_FALSE(doc.Remove("", "a"));
  EXPECT_FALSE(doc.Get("", "a").has_value());
  EXPECT_EQ(doc.Get("", "b"), "2");
  EXPECT_EQ(doc.Get("S", "a"), "3");
}

}  // namespace
}  // namespace lumora
