// Every captured real-modem reply that the system's own commands can get, through the parser
// that reads it, with the fields a person reads off the capture written beside it. Captures
// stored with bare LF get CR LF back, as a modem on the line sends them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "commander/card_state.h"
#include "commander/character_set.h"
#include "common/operator_replies.h"
#include "manager/core/startup_sequence.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/read_parser.h"
#include "manager/monitor/monitor.h"
#include "manager/phonebook/cpbr_parser.h"
#include "tests/manager/real_replies.h"

namespace qmx2::manager {
namespace {

using testing::RealReply;
using testing::WithCrLf;

enum class Parser {
    kCurrentOperator, kOperatorList, kCardState, kCharsets, kRead, kListing, kBook, kMemory, kSignal,
    kLock
};

// What a parser made of a reply, as one line of text.
std::string Summary(Parser parser, const std::string& reply) {
    switch (parser) {
    case Parser::kCurrentOperator: {
        const std::string code = ParseOperatorCode(reply);
        if (!code.empty()) return "code " + code;
        const auto named = common::ParseCurrentOperatorReply(reply);
        return named && (named->format == 0 || named->format == 1) ? "name " + named->oper : "none";
    }
    case Parser::kOperatorList: {
        std::string out;
        for (const auto& o : common::ParseStandardOperatorList(reply, 50))
            out += std::to_string(o.status) + " " + o.long_name + "/" + o.short_name + " " + o.code + "; ";
        return out;
    }
    case Parser::kCardState: {
        // A reply without its final OK runs into the transaction's time-out.
        const bool ends = reply.find("\r\nOK\r\n") != std::string::npos;
        const commander::CardState state = commander::ParseCardState(ends ? reply : reply + "Comm failure(timeout)");
        return state == commander::CardState::kReady    ? "READY"
               : state == commander::CardState::kSimPin ? "SIM PIN"
                                                        : "other " + std::to_string(static_cast<int>(state));
    }
    case Parser::kCharsets: {
        std::string out;
        const auto sets = commander::ParseCharacterSets(reply);
        for (const std::string& s : sets) out += s + " ";
        return out + "-> " + commander::PickCharacterSet(sets).value_or("none");
    }
    case Parser::kRead: {
        MessageRecord r{};
        if (!ParseReadReply(0, reply, "", r).parsed) return "not parsed";
        return std::string(FieldText(r.status)) + "|" + std::string(FieldText(r.number)) + "|" +
               std::string(FieldText(r.time_stamp)) + "|" + std::string(FieldText(r.text));
    }
    case Parser::kListing: {
        MessageTable table;
        table.Allocate(200);
        const std::vector<int> listed = ListedIndices(reply);
        if (std::find(listed.begin(), listed.end(), 0) != listed.end()) NumberFromZero(table);
        ParseUnreadListing(reply, "", table, [](int) {}, [](int) { return std::string_view(); });
        std::string out;
        for (int p = 0; p < table.sim_slots; ++p) {
            const MessageRecord& r = *table.At(p);
            if (FieldEmpty(r.status)) continue;
            out += std::to_string(table.IndexOf(p)) + " " + std::string(FieldText(r.number)) + " " +
                   std::string(FieldText(r.time_stamp)) + " " + std::string(FieldText(r.text)) + "; ";
        }
        return out;
    }
    case Parser::kBook: {
        PhoneBook book;
        book.entries.assign(300, PhonebookEntry{});
        book.number_width = 40;
        book.name_width = 40;
        ParseBookEntries(reply, book);
        std::string out;
        for (std::size_t i = 0; i < book.entries.size(); ++i)
            if (!FieldEmpty(book.entries[i].number) || !FieldEmpty(book.entries[i].name))
                out += std::to_string(i + 1) + " " + std::string(FieldText(book.entries[i].number)) + " " +
                       std::string(FieldText(book.entries[i].name)) + "; ";
        const BookSize size = ParseBookSize(reply);
        if (size.entries > 0) out += "size " + std::to_string(size.entries) + "," +
                                     std::to_string(size.number_width) + "," + std::to_string(size.name_width);
        return out;
    }
    case Parser::kMemory:
        return std::to_string(ParseMessagesUsed(reply)) + "/" + std::to_string(ParseMessageSlots(reply));
    case Parser::kLock:  // "+CLCK: 1" marks the lock on; a change needs the final OK
        return std::string(reply.find("+CLCK: 1") != std::string::npos ? "on" : "off") +
               (reply.find("\r\nOK\r\n") != std::string::npos ? ", OK" : ", refused");
    case Parser::kSignal: {
        int bars = -1;
        return ParseSignalReply(reply.c_str(), &bars) ? std::to_string(bars) : "none";
    }
    }
    return {};
}

struct Row {
    const char* file;
    Parser parser;
    const char* expected;
};

// clang-format off
const Row kRows[] = {
    {"cmgl-text-huawei-e220.txt", Parser::kListing, "0 +44798311xxxx 10/04/04,12:34:50+04  First test using pmc; 1 +44798311xxxx 10/03/28,15:05:13+04 testing; 2 84457711198105108101 10/04/02,23:32:31+04 You've successfully purchased 30 days of mobile broadband, please keep this text as your receipt.; 3 84457711198105108101 10/04/04,01:48:07+04 Unfortunately, your 7 days of mobile broadband expires at midnight tonight.  You can either buy another 7 days or carry on using Mobile Broadband at 2 per day; "},
    {"cmgl-text-rec-read-za.txt", Parser::kListing, "1 +2784000153099999 13/02/07,01:31:44+08 New and here to stay! Don't just recharge SUPACHARGE and get your recharged airtime+FREE CellC to CellC mins & SMSs+Free data to use anytime. T&C apply. Cell C; 2 +27840001463 13/02/07,06:24:02+08 Standard Bank: Your accounts are no longer FICA compliant. Please bring ID & proof of residence to any branch to reactivate your accounts. Queries? 0860003422.; "},
    {"cmgl-text-rec-unread-za.txt", Parser::kListing, "0 +27748577604 13/01/28,14:51:42+08 Hello raspberry pi; "},
    // Only the header line was reported: no body, no final OK.
    {"cmgl-text-ublox-sara-r410m-header.txt", Parser::kListing, "0 +TelNr 21/07/21, 07:09:48+08 ; "},
    {"cmgl-text-simcom-sim800l.txt", Parser::kListing, "96 Play 23/02/09,13:07:04+04 osci 2 zl, kodem *111*802*1. Szczegoly na www.play.pl; 97 Play 23/02/09,13:42:18+04 Nie masz srodkow na koncie, aby wyslac wiadomosc. Doladuj sie bez kosztow transmisji na stronie http://zero.play.pl lub aktywuj jednorazowy kredyt o war; 98 Play 23/02/09,13:42:18+04 tosci 2 zl, kodem *111*802*1. Szczegoly na www.play.pl; 99 Play 23/02/09,14:12:29+04 Nie masz srodkow na koncie, aby wyslac wiadomosc. Doladuj sie bez kosztow transmisji na stronie http://zero.play.pl lub aktywuj jednorazowy kredyt o wart; 100 Play 23/02/09,14:12:29+04 osci 2 zl, kodem *111*802*1. Szczegoly na www.play.pl; "},
    {"cmgr-text-csdh-hk.txt", Parser::kRead,
     "REC READ|+85291234567|07/02/18,00:05:10+32|It is easy to read text messages via AT commands."},
    {"cmgr-text-csdh-m2m.txt", Parser::kRead,
     "REC READ|3473065111|06/05/28,18:15:41+80|hello."},
    {"cmgr-text-csdh-no-space.txt", Parser::kRead,
     "REC READ|+393488535999|07/04/05,18:02:28+08|You have a missed called. Freeinformation provided by your operator."},
    {"cmgr-text-csdh-sto-unsent.txt", Parser::kRead,
     "STO UNSENT|+10011||Hello World"},
    {"cmgr-text-huawei-e220.txt", Parser::kRead,
     "REC READ|+44798311xxxx|10/03/28,15:05:12+04|testing"},
    {"cmgr-text-motorola-l7.txt", Parser::kRead,
     "REC READ|+4123456789132|2009/8/18,19:11:45|Hoewfliepl jookfotu oediutocou noabd fjumuywuncuzx lqutyehw. Joifdykojgdh pyigypaslp jomxuauxosiau arhi ludiqigitoda rivwitumaxy jyokigebxeqir zxeuluhp isluqlinushceg Styonwy jy uhu ibwypejkenobuo zitkizaruamim jbis dytiuiryuzil jeisviz zuoyrs. Leay agjyicify dojip-yfucqoguwx soxujdeh qyg R ginyea jpae ryk huywxeqyraeo enyvkymyscepae jeweimqizp afu fiysy noytaj. "},
    {"cmgr-text-motorola-multiline.txt", Parser::kRead,
     "REC READ|+6667776667744|2009/8/18,19:11:45|Hoewfliepl jookfotu oediutocou noabd fjumuywuncuzx lqutyehw. Joifdykojgdh pyigypaslp jomxuauxosiau arhi ludiqigitoda rivwitumaxy jyokigebxeqir.\r\nZxeuluhp isluqlinushceg Styonwy jy uhu ibwypejkenobuo zitkizaruamim jbis dytiuiryuzil jeisviz zuoyrs. Leay agjyicify dojip-yfucqoguwx soxujdeh qyg R.\r\n.ginyea jpae ryk huywxeqyraeo enyvkymyscepae jeweimqizp afu fiysy.\r\nNoytaj. "},
    {"cmgr-text-timezone-plus08.txt", Parser::kRead,
     "REC READ|+31625044454|07/07/05,09:56:03+08|Test message 2"},
    {"cops-read-china-mobile-act.txt", Parser::kCurrentOperator,
     "name CHINA MOBILE"},
    {"cops-read-mtn.txt", Parser::kCurrentOperator,
     "name MTN"},
    {"cops-read-numeric-cz.txt", Parser::kCurrentOperator,
     "code 23001"},
    {"cops-read-numeric-no-act.txt", Parser::kCurrentOperator,
     "code 46000"},
    {"cops-read-omnitel.txt", Parser::kCurrentOperator,
     "name I OMNITEL"},
    {"cops-test-ac860.txt", Parser::kOperatorList,
     "2 T-Mobile/TMO 31026; 1 Cingular/Cinglr 310410; 1 Cingular/Cinglr 310410; "},
    {"cops-test-ac881.txt", Parser::kOperatorList,
     "1 T-Mobile/TMO 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-e1550.txt", Parser::kOperatorList,
     "2 T-Mobile/TMO 31026; 1 AT&T/AT&T 310410; "},
    {"cops-test-e160g.txt", Parser::kOperatorList,
     "2 T-Mobile/TMO 31026; 1 AT&T/AT&T 310410; "},
    {"cops-test-e226.txt", Parser::kOperatorList,
     "1 / 31026; 1 / 310410; 1 / 310410; "},
    {"cops-test-em9191.txt", Parser::kOperatorList,
     "1 Telekom.de/TDG 26201; 1 Telekom.de/Telekom. 26201; 1 o2 - de/o2 - de 26203; 1 vodafone.de/Vodafone 26202; "},
    {"cops-test-f3507g.txt", Parser::kOperatorList,
     "2 T - Mobile/T - Mobile 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-f3607gw.txt", Parser::kOperatorList,
     "2 T - Mobile/T - Mobile 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-gobi.txt", Parser::kOperatorList,
     "2 T-Mobile/T-Mobile 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-gt3gplus.txt", Parser::kOperatorList,
     "1 T-Mobile US/TMO US 31026; 1 Cingular/Cingular 310410; "},
    {"cops-test-gtm378.txt", Parser::kOperatorList,
     "2 T-Mobile/T-Mobile 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-gtmax36.txt", Parser::kOperatorList,
     "2 T-Mobile US/TMO US 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-gtultraexpress.txt", Parser::kOperatorList,
     "2 T-Mobile US/TMO US 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-huawei-e220.txt", Parser::kOperatorList,
     "1 T-Mobile UK/TMO UK 23430; 2 T-Mobile UK/TMO UK 23430; "},
    {"cops-test-icon225.txt", Parser::kOperatorList,
     "2 T-Mobile US/TMO US 31026; 1 AT&T/AT&T 310410; "},
    {"cops-test-icon452.txt", Parser::kOperatorList,
     "1 T-Mobile US/TMO US 31026; 2 T-Mobile/T-Mobile 310260; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-mc8775.txt", Parser::kOperatorList,
     "2 T-Mobile/T-Mobile 31026; 1 AT&T/AT&T 310410; 1 AT&T/AT&T 310410; "},
    {"cops-test-mercury.txt", Parser::kOperatorList,
     "2 / 310410; 1 AT&T/AT&T 310410; 1 T-Mobile/TMO 31026; "},
    {"cops-test-mf622.txt", Parser::kOperatorList,
     "2 T-Mobile/T-Mobile 31026; 1 / 310410; "},
    {"cops-test-mf627a.txt", Parser::kOperatorList,
     "2 AT&T@/AT&TD 310410; 3 Vstream Wireless/VSTREAM 31026; "},
    {"cops-test-mf627b.txt", Parser::kOperatorList,
     "2 AT&Tp/AT&T@ 310410; 3 / 31026; "},
    {"cops-test-motoc.txt", Parser::kOperatorList,
     "2 T-Mobile/ 310260; 0 Cingular Wireless/ 310410; "},
    {"cops-test-n2720.txt", Parser::kOperatorList,
     "2 T - Mobile/ 31026; 1 AT&T/ 310410; "},
    {"cops-test-n80.txt", Parser::kOperatorList,
     "2 T - Mobile/ 31026; 1 Einstein PCS/ 31064; 1 Cingular/ 31041; "},
    {"cops-test-quicksilver.txt", Parser::kOperatorList,
     "2 AT&T/ 310410; 2 / 3104100; 1 AT&T/ 310260; "},
    {"cops-test-samsung-z810.txt", Parser::kOperatorList,
     "1 T-Mobile USA, In/T-Mobile 310260; 1 AT&T/AT&T 310410; "},
    {"cops-test-sek600i.txt", Parser::kOperatorList,
     "2 blau/ 26203; 2 blau/ 26203; 3 / 26201; 3 / 26202; 3 / 26207; 3 / 26201; 3 / 26207; "},
    {"cops-test-tm506.txt", Parser::kOperatorList,
     "2 /T-Mobile 31026; 2 T - Mobile/T - Mobile 310260; 1 AT&T/AT&T 310410; "},
    {"cops-test-ublox-lara.txt", Parser::kOperatorList,
     "2 Movistar/Movistar 21407; 1 YOIGO/YOIGO 21404; 1 vodafone ES/voda ES 21401; 1 Orange SP/ESPRT 21403; 1 vodafone ES/voda ES 21401; 1 Orange SP/ESPRT 21403; "},
    {"cops-test-xu870.txt", Parser::kOperatorList,
     "0 AT&T MicroCell/AT&T MicroCell 310410; 1 AT&T MicroCell/AT&T MicroCell 310410; 1 T-Mobile/TMO 31026; "},
    {"cpbr-empty-entry-option-gtm382.txt", Parser::kBook,
     ""},
    {"cpbr-samsung-p900-index-mismatch.txt", Parser::kBook,
     "81 #121# My Tempo; "},
    {"cpbr-samsung-wrong-charset.txt", Parser::kBook,
     "2 *100# gg get balance; "},
    {"cpbr-test-motorola.txt", Parser::kBook,
     "size 250,50,14"},
    {"cpbr-test-option-gtm382.txt", Parser::kBook,
     "size 1,40,20"},
    {"cpin-ready-huawei-e1752.txt", Parser::kCardState,
     "READY"},
    {"cpin-ready-no-ok-wavecom.txt", Parser::kCardState,
     "READY"},
    {"cpin-ready-no-ok.txt", Parser::kCardState,
     "READY"},
    {"cpin-sim-pin-huawei-dongle.txt", Parser::kCardState,
     "SIM PIN"},
    {"cpms-set-duplicated-reply.txt", Parser::kMemory,
     "2/300"},
    {"cpms-set-huawei-e1752.txt", Parser::kMemory,
     "0/23"},
    {"cpms-set-huawei-e303.txt", Parser::kMemory,
     "0/20"},
    {"cpms-set-huawei-e3131.txt", Parser::kMemory,
     "1/30"},
    {"cpms-set-wavecom-multiband.txt", Parser::kMemory,
     "14/50"},
    {"cscs-test-blackberry.txt", Parser::kCharsets,
     "IRA -> IRA"},
    {"cscs-test-buslink.txt", Parser::kCharsets,
     "8859-1 ASCII GSM UCS2 UTF8 -> 8859-1"},
    {"cscs-test-option-icon225.txt", Parser::kCharsets,
     "IRA GSM UCS2 -> IRA"},
    {"cscs-test-sierra-mercury.txt", Parser::kCharsets,
     "IRA GSM UCS2 PCCP437 -> IRA"},
    {"clck-sc-disable-error-huawei-dongle.txt", Parser::kLock, "off, refused"},
    {"clck-sc-query-huawei-dongle.txt", Parser::kLock, "on, OK"},
    {"clck-sc-query-mm-fixture.txt", Parser::kLock, "on, OK"},
    {"csq-duplicated-echo-cme515.txt", Parser::kSignal,
     "none"},
    {"csq-huawei-e1752.txt", Parser::kSignal,
     "1"},
    {"csq-no-space.txt", Parser::kSignal,
     "0"},
    {"csq-unnamed-8-2.txt", Parser::kSignal,
     "1"},
    {"csq-unnamed-9-3.txt", Parser::kSignal,
     "1"},
};
// clang-format on

// Captures of commands the system sends whose content it does not take, with why.
struct LeftOut {
    const char* file;
    const char* why;
};
const LeftOut kLeftOut[] = {
    {"cmgr-text-status-report-empty-stat.txt", "a status report: the system never reads the SR memory"},
    {"cmgr-text-status-report.txt", "a status report: the system never reads the SR memory"},
    {"cpbr-calllog-date-time-fields.txt", "a call register entry: the system reads only SM and ME"},
    {"cpbr-calllog-leading-empty-field.txt", "a call register entry: the system reads only SM and ME"},
    {"cpbr-huawei-e17x-hex-name.txt", "name in hex: a UCS2/HEX-only device"},
    {"cpbr-motorola-email-entry.txt", "name in UCS2: a UCS2-only device"},
    {"cpbr-motorola-ucs2-unquoted.txt", "unquoted hex name: a UCS2-only device"},
    {"cpbr-nokia-2730.txt", "name in UCS2: a UCS2-only device"},
    {"cpbr-samsung-binary-number.txt", "binary bytes with a line feed inside the quoted number: dropped by design"},
    {"cpbr-ucs2-empty-number.txt", "name in UCS2: a UCS2-only device"},
    {"cpin-enter-ok-huawei-dongle.txt", "the answer to a code, judged by its final OK only"},
    {"cpms-read-cinterion-mc75i.txt", "AT+CPMS? is only searched for the full-memory pattern"},
    {"cpms-read-nokia-n79.txt", "AT+CPMS? is only searched for the full-memory pattern"},
};

// Prefixes of commands the system never sends: +CREG, +CGREG, +CNMI=?, +CPMS=?, +CPBS, +CLCK=?,
// +CSCA?, +CSCS?.
constexpr const char* kNeverSent[] = {"creg-", "cgreg-", "cnmi-", "cpms-test-", "cpbs-", "clck-test-",
                                      "csca-", "cscs-read-"};

TEST(CapturedReplies, EveryApplicableCaptureReadsAsAPersonReadsIt) {
    QMX2_NEED_REAL_REPLIES();
    const std::filesystem::path dir = testing::RealRepliesDir();
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no captured replies at " << dir;
    int right = 0;
    for (const Row& row : kRows) {
        const std::string capture = RealReply(row.file);
        ASSERT_FALSE(capture.empty()) << row.file;
        const std::string got = Summary(row.parser, WithCrLf(capture));
        EXPECT_EQ(got, row.expected) << row.file;
        right += got == row.expected;
    }
    EXPECT_EQ(right, static_cast<int>(std::size(kRows)));
    // Of the captures the system's commands get, the UCS2-only devices, call registers and status
    // reports are out of reach; the binary number and the two "AT+CPMS?" forms are not read.
    // Every capture is read above, left out with a reason, or answers a command never sent.
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".txt") continue;
        bool known = false;
        for (const Row& row : kRows) known = known || name == row.file;
        for (const LeftOut& l : kLeftOut) known = known || name == l.file;
        for (const char* prefix : kNeverSent) known = known || name.rfind(prefix, 0) == 0;
        EXPECT_TRUE(known) << name << " is neither read nor named";
    }
}

}  // namespace
}  // namespace qmx2::manager
