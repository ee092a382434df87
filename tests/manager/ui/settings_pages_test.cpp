// The "Network" and "Modem" pages offscreen, worked by mouse and keys against the emulated card:
// a search on the many-operators scenario and a pick, a search that times out, ISDN v.110 at
// 14.4 kbit/s, and hostile input that never makes a second AT command.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "hardware/card/scenario.h"
#include "manager/ui/settings/modem_page.h"
#include "manager/ui/settings/network_page.h"
#include "tests/manager/messages/card_rig.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

using hardware::card::CardScenario;
using hardware::card::Phone;

CardScenario ManyOperators() {
    const auto loaded = hardware::card::LoadScenario(std::string(std::getenv("QMX2_SOURCE_DIR")) +
                                                     "/hardware/scenarios/many-operators.json");
    EXPECT_TRUE(loaded.scenario) << loaded.error;
    return loaded.scenario.value_or(hardware::card::DefaultScenario());
}

const std::string kCap = "Orvan Pellion 2.0|";

// Near the button's left edge: a radio button takes clicks only on its circle and label.
void ClickButton(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(std::min(10, b->width() / 2), b->height() / 2));
}

// The network page on the emulated card. The test thread stays off the virtual clock, so the
// card's minute-long search costs nothing while the page's command thread waits on it.
struct NetworkRig {
    explicit NetworkRig(CardScenario scenario) : rig(std::move(scenario)) {
        testing::OffscreenApp();
        page = std::make_unique<NetworkPageWidget>(rig.ctx());
        page->resize(240, 260);
        page->show();
        for (int i = 0; i < 500 && !page->opened(); ++i) QTest::qWait(2);
        EXPECT_TRUE(page->opened());
    }
    template <class T>
    T* Child(const char* name) { return page->findChild<T*>(name); }
    void Click(const char* name) { ClickButton(Child<QAbstractButton>(name)); }
    QStringList Lines() {
        QStringList lines;
        auto* list = Child<QListWidget>("operatorList");
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
        return lines;
    }
    void Pick(const QString& name) {
        auto* list = Child<QListWidget>("operatorList");
        const int row = int(Lines().indexOf(name));
        ASSERT_GE(row, 0) << name.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    std::string CardOperator() {
        return rig.port.WithPhone([](Phone& p) { return p.scenario().network.current; });
    }
    QString Current() { return Child<QLineEdit>("currentNetwork")->text(); }
    // Which of list, "Search network", "Request network" can be used, as "110".
    std::string Enabled() {
        std::string s;
        for (QWidget* w : {static_cast<QWidget*>(Child<QListWidget>("operatorList")),
                           static_cast<QWidget*>(Child<QPushButton>("searchNetwork")),
                           static_cast<QWidget*>(Child<QPushButton>("requestNetwork"))})
            s += w->isEnabled() ? '1' : '0';
        return s;
    }

    testing::CardRig rig;
    platform::ExternalWait off_clock{*rig.h.clock};
    std::unique_ptr<NetworkPageWidget> page;
};

TEST(NetworkPageWidgetTest, SearchesManyOperatorsAndRegistersWithThePickedOne) {
    NetworkRig n(ManyOperators());
    n.rig.ctx().operator_name_copy = "RADIOLINJA";
    EXPECT_TRUE(n.Child<QRadioButton>("selectFromList")->isChecked());
    EXPECT_EQ(n.Enabled(), "110");
    // The first command after opening in manual mode only shows the operator again.
    n.Click("searchNetwork");
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=?"), 0u);
    EXPECT_EQ(n.Current(), "RADIOLINJA");
    n.Click("searchNetwork");
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=?"), 1u);
    const QStringList lines = n.Lines();
    ASSERT_EQ(lines.size(), 50);
    EXPECT_EQ(lines.mid(0, 4), (QStringList{"COSMOTE", "NL KPN", "Mobistar", "SFR"}));
    EXPECT_EQ(lines.count(""), 50 - 35);
    EXPECT_EQ(n.Current(), "RADIOLINJA");
    EXPECT_EQ(n.Enabled(), "110");

    n.Pick("");  // an empty line leaves the request off
    EXPECT_EQ(n.Enabled(), "110");
    n.Pick("SFR");
    EXPECT_EQ(n.Enabled(), "111");
    n.rig.recorder.Clear();
    n.Click("requestNetwork");
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=1,2,20810"), 1u);
    EXPECT_EQ(n.CardOperator(), "20810");
    EXPECT_EQ(n.Current(), "SFR");
    EXPECT_EQ(n.rig.ctx().monitor.operator_line, "SFR");
    EXPECT_TRUE(n.rig.Shown().empty());

    // "Automatic" hands the choice back to the card and grays the list and both buttons.
    n.Click("automatic");
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=0"), 1u);
    EXPECT_EQ(n.Enabled(), "000");
}

TEST(NetworkPageWidgetTest, SearchThatTimesOutLeavesThePageUsable) {
    CardScenario scenario = ManyOperators();
    scenario.network.search_ms = 65000;  // beyond the search's 60 s
    NetworkRig n(scenario);
    n.Click("searchNetwork");  // the one-time show
    n.Click("searchNetwork");
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=?"), 1u);
    EXPECT_EQ(n.rig.Shown(), (std::vector<std::string>{kCap + "Comm failure - Request time out.",
                                                       kCap + "Network error"}));
    EXPECT_TRUE(n.Lines().isEmpty());
    EXPECT_TRUE(n.page->isEnabled());
    EXPECT_EQ(n.Enabled(), "110");
    n.Click("automatic");
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=0"), 1u);
    EXPECT_EQ(n.Enabled(), "000");
    EXPECT_EQ(n.rig.Shown().size(), 2u);
}

// What reaches the page from the person or from the card never becomes a command of its own:
// the "Current network" field takes no typing, and an operator code with a command behind it is
// not sent.
TEST(NetworkPageWidgetTest, HostileInputNeverMakesASecondCommand) {
    CardScenario scenario = ManyOperators();
    scenario.network.in_reach = {{"24405", "RADIOLINJA", "RL"},
                                 {"24491;+CFUN=0", "SONERA", "SON"},
                                 {"24403\"\r\nAT+CPIN=0000", "TELIA", "TEL"}};
    NetworkRig n(scenario);
    QLineEdit* field = n.Child<QLineEdit>("currentNetwork");
    field->setFocus();
    QTest::keyClicks(field, "\";");
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClicks(field, QString(300, 'x'));
    EXPECT_EQ(n.Current(), "");
    n.Click("searchNetwork");
    n.Click("searchNetwork");
    ASSERT_EQ(n.Lines().mid(0, 4), (QStringList{"RADIOLINJA", "SONERA", "TELIA", ""}));
    for (const char* name : {"SONERA", "TELIA"}) {
        n.Pick(name);
        n.Click("requestNetwork");
        EXPECT_EQ(n.Current(), "RADIOLINJA") << name;
    }
    EXPECT_EQ(n.rig.Shown(), std::vector<std::string>(2, kCap + "Network request fails"));
    EXPECT_EQ(n.CardOperator(), "24405");
    for (const std::string& line : n.rig.recorder.Lines())
        EXPECT_EQ(line.find("+CFUN"), std::string::npos) << line;
    EXPECT_EQ(n.rig.recorder.Count("AT+COPS=1"), 0u);
    EXPECT_EQ(n.rig.recorder.Count("AT+CPIN"), 0u);
}

TEST(ModemPageWidgetTest, IsdnV110At14400StoresTheCommandAndTellsTheCommander) {
    testing::OffscreenApp();
    testing::Harness h;
    {
        ModemPageWidget page(*h.ctx);
        page.show();
        auto* slider = page.findChild<QSlider*>("speedSlider");
        EXPECT_EQ(page.findChild<QLabel*>("receiving")->text(), "Receiving up to 9.6 kbit/s");
        EXPECT_FALSE(page.findChild<QLabel*>("note")->isEnabled());
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Right);
        EXPECT_EQ(page.findChild<QLabel*>("receiving")->text(), "Receiving up to 14.4 kbit/s");
        EXPECT_EQ(page.findChild<QLabel*>("sending")->text(), "Sending up to 14.4 kbit/s");
        EXPECT_TRUE(page.findChild<QLabel*>("note")->isEnabled());
        ClickButton(page.findChild<QRadioButton*>("method1"));
        EXPECT_EQ(page.findChild<QRadioButton*>("method1")->text(), "ISDN v.110");
        EXPECT_TRUE(h.peers.posted.empty());  // nothing is stored before the sheet ends
    }
    EXPECT_EQ(h.registry.Text(u"Software\\Orvan\\QMX2", u"ATModemCmd"), "AT+CBST=81,0,1;+CHSN=2,0,0,0");
    EXPECT_EQ(h.peers.posted, std::vector<uint32_t>{5031});
    EXPECT_EQ(h.ui.Shown(),
              std::vector<std::string>{kCap + "Please close this program before making data or fax connection."});
    // Opened again on the stored setting and closed unchanged: nothing stored, posted or shown.
    {
        ModemPageWidget page(*h.ctx);
        EXPECT_EQ(page.findChild<QSlider*>("speedSlider")->value(), 1);
        EXPECT_TRUE(page.findChild<QRadioButton*>("method1")->isChecked());
    }
    EXPECT_EQ(h.peers.posted.size(), 1u);
    EXPECT_EQ(h.ui.Shown().size(), 1u);
}

}  // namespace
}  // namespace qmx2::manager::ui
