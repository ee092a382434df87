// qmx2ctl's operation commands on the emulated card: how their words are read and that each
// reaches the operation behind it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "manager/ctl/ctl_commands.h"
#include "manager/ctl/ctl_options.h"
#include "manager/ctl/ops_commands.h"
#include "tests/manager/messages/card_rig.h"

namespace qmx2::manager::ctl {
namespace {

using testing::CardRig;

CommandResult Ctl(CardRig& rig, std::vector<std::string> words, bool json = false) {
    return RunCtlCommand(rig.ctx(), words, json);
}

TEST(CtlOps, WordsAfterTheCommandStayWithIt) {
    const char* argv[] = {"qmx2ctl", "--yes", "sms", "send", "--to", "0401", "--to", "Bo (0402)",
                          "hello", "world"};
    CtlOptions o;
    std::string error;
    ASSERT_TRUE(ParseCtlOptions(10, argv, &o, &error)) << error;
    EXPECT_EQ(o.command, (std::vector<std::string>{"sms", "send", "--to", "0401", "--to",
                                                   "Bo (0402)", "hello", "world"}));
    EXPECT_FALSE(o.ui.target);
    const char* list[] = {"qmx2ctl", "sms", "list", "PDA"};
    CtlOptions l;
    ASSERT_TRUE(ParseCtlOptions(4, list, &l, &error));
    EXPECT_FALSE(OpsCommandTakesAllWords(l.command));
}

TEST(CtlOps, SendToTwoWithALineBreak) {
    CardRig rig;
    const CommandResult r = Ctl(rig, {"sms", "send", "--to", "0401", "--to", "Bo (+0402)", "a\\nb"});
    EXPECT_EQ(r.exit_code, 0) << r.text;
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].number, "+0402");
    EXPECT_EQ(sent[1].text, "a\nb");
    EXPECT_EQ(Ctl(rig, {"sms", "send", "x"}).exit_code, 2);
    EXPECT_EQ(Ctl(rig, {"sms", "send", "--cc", "1", "x"}).exit_code, 2);
}

TEST(CtlOps, DraftMoveAndDelete) {
    CardRig rig;
    EXPECT_EQ(Ctl(rig, {"sms", "draft", "keep", "this"}).text, "Draft at position 31\n");
    EXPECT_EQ(Ctl(rig, {"sms", "move", "31", "--to", "PDA"}).exit_code, 0);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(31)->status), "PDA");
    EXPECT_EQ(FieldText(rig.ctx().messages.At(31)->text), "keep this");
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(30)->status));
    EXPECT_EQ(Ctl(rig, {"sms", "copy", "32", "--to", "Draft"}).exit_code, 1);
    EXPECT_EQ(Ctl(rig, {"sms", "delete", "32"}).exit_code, 0);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(30)->status), "PDA(DEL)");
    EXPECT_EQ(Ctl(rig, {"sms", "delete", "99"}).exit_code, 2);
    EXPECT_EQ(Ctl(rig, {"sms", "paste", "PDA"}).exit_code, 1);
}

TEST(CtlOps, CentreNewListApplyDefault) {
    CardRig rig;
    EXPECT_EQ(Ctl(rig, {"centre", "new", "--name", "Home", "--number", "+3584", "--validity",
                        "1 hour"}).exit_code, 0);
    EXPECT_EQ(Ctl(rig, {"centre", "new", "--name", "Bad", "--number", "+1", "--validity", "2 h"})
                  .exit_code, 2);
    const auto j = nlohmann::json::parse(Ctl(rig, {"centre", "list"}, true).text);
    ASSERT_EQ(j["rows"].size(), 1u);
    EXPECT_EQ(j["rows"][0]["validity"], "1 hour");
    rig.recorder.Clear();
    EXPECT_EQ(Ctl(rig, {"centre", "apply", "1"}).exit_code, 0);
    EXPECT_EQ(rig.recorder.Count("AT+CSMP=17,11,0,0"), 1u);
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "Off");
    EXPECT_EQ(Ctl(rig, {"centre", "default"}).exit_code, 0);
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "On");
    EXPECT_EQ(Ctl(rig, {"centre", "delete", "1"}).exit_code, 0);
    EXPECT_EQ(Ctl(rig, {"centre", "delete", "1"}).exit_code, 2);
}

TEST(CtlOps, SecurityNetSpeedMonitor) {
    CardRig rig;
    const auto s = nlohmann::json::parse(Ctl(rig, {"security", "status"}, true).text);
    EXPECT_EQ(s["security_level"], "None");
    EXPECT_EQ(s["pin_request"], "Off");
    EXPECT_EQ(Ctl(rig, {"security", "pin-request", "On", "--password", "1234"}).exit_code, 0);
    EXPECT_EQ(Ctl(rig, {"security", "change-code", "pin", "--old", "1234", "--new", "5555"})
                  .exit_code, 0);
    EXPECT_EQ(Ctl(rig, {"security", "lock", "Phone", "--password", "bad"}).exit_code, 1);
    const CommandResult search = Ctl(rig, {"net", "search"});
    EXPECT_EQ(search.text, "24405\t2\tRADIOLINJA\n24491\t1\tSONERA\n24403\t3\tTELIA\n");
    EXPECT_EQ(Ctl(rig, {"net", "select", "SONERA"}).exit_code, 0);
    EXPECT_EQ(Ctl(rig, {"net", "status"}).text, "Current network: SONERA\nSelection: Select from list\n");
    EXPECT_EQ(Ctl(rig, {"net", "auto"}).exit_code, 0);
    EXPECT_EQ(Ctl(rig, {"speed", "set", "v110", "14.4"}).exit_code, 0);
    EXPECT_EQ(rig.h.peers.posted, std::vector<uint32_t>{5031});
    EXPECT_EQ(Ctl(rig, {"speed", "get"}).text,
              "ISDN v.110\nReceiving up to 14.4 kbit/s\nSending up to 14.4 kbit/s\n");
    EXPECT_EQ(Ctl(rig, {"speed", "set", "v110", "15"}).exit_code, 2);
    rig.ctx().monitor.signal_level = 1;
    const auto m = nlohmann::json::parse(Ctl(rig, {"monitor"}, true).text);
    EXPECT_EQ(m["signal_bars"], 1);
    EXPECT_EQ(m["paint"].size(), 5u);  // the image, one bar, three lines
}

}  // namespace
}  // namespace qmx2::manager::ctl
