#include "imaging/core/messages.h"

#include <gtest/gtest.h>

#include "imaging/core/exceptions.h"

namespace lumora {
namespace {

TEST(MessagesTest, TableHoldsItsOwnNumbersInOrder) {
  EXPECT_NO_THROW(CheckLanguageTable());
  TPGLangStrEntry broken[3] = {{0, {"", "", "", "", "", ""}}, {2, {"x", "", "", "", "", ""}}, {2, {"", "", "", "", "", ""}}};
  try {
    CheckLanguageTable(broken, 3);
    FAIL();
  } catch (const EPixelGraphic& e) {
    EXPECT_STREQ(e.what(), "PGLangStrEntries order wrong 1 and 2 are not identical");
  }
}

struct MessageCase {
  int number;
  std::vector<std::string> args;
  const char* expected;
};

class MessageTextTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(MessageTextTest, TextWithArguments) {
  const MessageCase& c = GetParam();
  std::string text;
  switch (c.args.size()) {
    case 0: text = PGMessage(c.number); break;
    case 1: text = PGMessage(c.number, {c.args[0]}); break;
    case 2: text = PGMessage(c.number, {c.args[0], c.args[1]}); break;
    default: text = PGMessage(c.number, {c.args[0], c.args[1], c.args[2]}); break;
  }
  EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MessageTextTest,
    ::testing::Values(
        MessageCase{0, {}, ""}, MessageCase{84, {}, ""}, MessageCase{1, {}, "X, Y index out of range"},
        MessageCase{7, {"Index"}, "Index invalid"},
        MessageCase{17,
                    {"Portable Bitmap", "16.7 million colors", "black and white"},
                    "The graphic cannot be saved to a Portable Bitmap file with the current color resolution (16.7 "
                    "million colors).\r\rThe graphic will be saved with a different color resolution (black and white)."},
        MessageCase{18,
                    {"Portable Bitmap", "16.7 million colors"},
                    "The graphic cannot be saved with to a Portable Bitmap file with the current color resolution "
                    "(16.7 million colors)"},
        MessageCase{19, {"xyz"}, "Unknown file extension \"xyz\""},
        MessageCase{31, {"CreateDIBSection"}, "CreateDIBSection failed"},
        MessageCase{82, {}, "\u00B1"}, MessageCase{83, {}, "\u00B0"}, MessageCase{25, {}, "Image files"}),
    [](const auto& info) { return "Message" + std::to_string(info.param.number); });

TEST(MessagesTest, ArgumentsAreNotSubstitutedAgain) {
  EXPECT_EQ(SubstituteArgs("%S1 and %S2", {"%S2", "b"}), "%S2 and b");
  EXPECT_EQ(SubstituteArgs("%S1 %S1", {"a"}), "a %S1");
}

}  // namespace
}  // namespace lumora
