#include "session/main_menu.h"

#include <gtest/gtest.h>

#include <climits>

#include "fakes/fakes.h"

namespace vornel {
namespace {

using testing::FakeWorld;

constexpr char kMenu[] =
    "\n\n  Vornel.\n  *****************************************************\n\n\n"
    "  1. Upload configuration file\n  2. Download configuration file\n  3. Exit\n\n"
    "  Action: ";

TEST(ConvertMenuAnswer, DecimalConversionRules) {
  EXPECT_EQ(convert_menu_answer("1"), 1);
  EXPECT_EQ(convert_menu_answer("1x"), 1);
  EXPECT_EQ(convert_menu_answer("+1"), 1);
  EXPECT_EQ(convert_menu_answer("  \t1"), 1);
  EXPECT_EQ(convert_menu_answer("02"), 2);
  EXPECT_EQ(convert_menu_answer("3x"), 3);
  EXPECT_EQ(convert_menu_answer(""), 0);
  EXPECT_EQ(convert_menu_answer("x3"), 0);
  EXPECT_EQ(convert_menu_answer("-1"), -1);
  EXPECT_EQ(convert_menu_answer("+-1"), 0);
  // A huge number must not wrap round to a valid choice.
  EXPECT_EQ(convert_menu_answer("4294967297"), INT_MAX);
  EXPECT_EQ(convert_menu_answer("-4294967295"), INT_MIN);
}

TEST(ShowMainMenu, InvalidAnswersShowTheWholeMenuAgain) {
  FakeWorld w;
  for (const char* line : {"", "0", "4", "-1", "x", "x3", "2"}) w.console.add(line);
  EXPECT_EQ(show_main_menu(w.run), MenuChoice::kDownload);
  std::string expected;
  for (int i = 0; i < 6; ++i) expected += std::string(kMenu) + "Response invalid \n";
  EXPECT_EQ(w.console.out, expected + kMenu);
  EXPECT_EQ(w.log.text(), "");
}

TEST(ShowMainMenu, JudgesOnlyTheFirst31Characters) {
  FakeWorld w;
  w.console.add(std::string(31, ' ') + "1");  // the 1 is the 32nd character
  w.console.add(std::string(30, ' ') + "3");
  EXPECT_EQ(show_main_menu(w.run), MenuChoice::kExit);
  EXPECT_EQ(w.console.reads, 2);
}

TEST(ShowMainMenu, EndOfInputLeavesAsChoiceThree) {
  FakeWorld w;
  w.console.add("7");
  EXPECT_EQ(show_main_menu(w.run), MenuChoice::kExit);
  EXPECT_EQ(w.console.out, std::string(kMenu) + "Response invalid \n" + kMenu);
}

TEST(WaitAndExit, AnyLineOrEndOfInputGivesStatusOne) {
  FakeWorld w;
  w.console.add(std::string(200, 'z'));
  EXPECT_EQ(wait_and_exit(w.run), 1);
  EXPECT_EQ(wait_and_exit(w.run), 1);  // input ended
  EXPECT_EQ(w.console.out, "\nPress <Enter> to exit.\n\nPress <Enter> to exit.\n");
  EXPECT_EQ(w.log.text(), "");
}

}  // namespace
}  // namespace vornel
