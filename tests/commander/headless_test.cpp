// The headless commander's command line and its text user interface.
#include <gtest/gtest.h>

#include <sstream>

#include "commander/program_options.h"
#include "commander/text_ui.h"
#include "tests/commander/scripted_ui.h"

namespace qmx2::commander {
namespace {

using testing::W;

TEST(ProgramOptionsTest, CodesAndFlags) {
    const CommanderOptions o = ParseCommanderOptions(
        {"--headless", "--root=/tmp/h", "--pin=1234", "--puk=12345678", "--new-pin=1111", "--code="});
    EXPECT_TRUE(o.error.empty());
    EXPECT_TRUE(o.headless);
    EXPECT_FALSE(o.ask);
    EXPECT_EQ(o.root, "/tmp/h");
    EXPECT_EQ(o.codes.pin, "1234");
    EXPECT_EQ(o.codes.puk, "12345678");
    EXPECT_EQ(o.codes.new_pin, "1111");
    EXPECT_EQ(o.codes.other, "");
    EXPECT_FALSE(o.codes.pin2);
    EXPECT_TRUE(ParseCommanderOptions({}).error.empty());
}

TEST(ProgramOptionsTest, Mistakes) {
    EXPECT_EQ(ParseCommanderOptions({"--pin"}).error, "unknown option: --pin");
    EXPECT_EQ(ParseCommanderOptions({"--headles"}).error, "unknown option: --headles");
    EXPECT_EQ(ParseCommanderOptions({"--puk=1"}).error, "--puk and --new-pin go together");
    EXPECT_TRUE(ParseCommanderOptions({"--help"}).help);
}

TEST(TextUiTest, GivenCodesAreOfferedOnce) {
    std::ostringstream log;
    HeadlessCodes codes;
    codes.pin = "1234";
    TextUi ui(nullptr, log, codes);
    platform::WideString typed;
    EXPECT_TRUE(ui.RunCodeDialog(CodeDialogTextFor(CodeKind::kSimPin), &typed));
    EXPECT_EQ(typed, W("1234"));
    EXPECT_FALSE(ui.RunCodeDialog(CodeDialogTextFor(CodeKind::kSimPin), &typed));
    EXPECT_FALSE(ui.RunCodeDialog(CodeDialogTextFor(CodeKind::kSecurityCode), &typed));
    EXPECT_EQ(log.str(), "Qmx2Com: Please enter SIM PIN: (given)\n");
}

TEST(TextUiTest, MessagesGoToTheLogOnOneLine) {
    std::ostringstream log;
    TextUi ui(nullptr, log, {});
    EXPECT_EQ(ui.ShowMessage({"Please make sure your Pellion 2.0\r\nis powered up and SIM card is inserted.",
                              kCommanderTitle}),
              MessageAnswer::kOk);
    EXPECT_EQ(log.str(), "Qmx2Com: [QMX2 commander] Please make sure your Pellion 2.0  is powered up "
                         "and SIM card is inserted.\n");
    EXPECT_EQ(ui.ShowMessage({"busy", kCommanderTitle, MessageOwner::kCommanderWindow, true,
                              MessageButtons::kRetryCancel}),
              MessageAnswer::kCancel);
}

TEST(TextUiTest, TerminalAnswers) {
    std::istringstream in("r\n0000\n12345678\n4321\n");
    std::ostringstream log;
    TextUi ui(&in, log, {});
    EXPECT_EQ(ui.ShowMessage({"busy", kCommanderTitle, MessageOwner::kCommanderWindow, true,
                              MessageButtons::kRetryCancel}),
              MessageAnswer::kRetry);
    platform::WideString typed;
    EXPECT_TRUE(ui.RunCodeDialog(CodeDialogTextFor(CodeKind::kPhNetPin), &typed));
    EXPECT_EQ(typed, W("0000"));
    PukFields puk;
    EXPECT_TRUE(ui.RunPukDialog({"Enter PUK code", "Please enter PUK code:", "Please enter new SIM PIN:",
                                 "Please re-enter SIM PIN:"}, &puk));
    EXPECT_EQ(puk.puk, W("12345678"));
    EXPECT_EQ(puk.new_pin, W("4321"));
    EXPECT_EQ(puk.reenter_pin, W("4321"));
    EXPECT_FALSE(ui.RunCodeDialog(CodeDialogTextFor(CodeKind::kSimPin), &typed));  // end of input
}

TEST(TextUiTest, ATerminalLineEndingInCrLfGivesTheCodeAlone) {
    // A raw terminal sends CR LF; the CR would make the code unsendable.
    std::istringstream in("1234\r\n");
    std::ostringstream log;
    TextUi ui(&in, log, {});
    platform::WideString typed;
    EXPECT_TRUE(ui.RunCodeDialog(CodeDialogTextFor(CodeKind::kSimPin), &typed));
    EXPECT_EQ(typed, W("1234"));
}

}  // namespace
}  // namespace qmx2::commander
