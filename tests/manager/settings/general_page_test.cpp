// The "General" settings page: loaded from the option block, taken back whatever closed the sheet.
#include "manager/settings/general_page.h"

#include <gtest/gtest.h>

#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

TEST(GeneralPage, HiddenValuesRoundTripAndChangesAreKeptOnDestroy) {
    testing::Harness h;
    OptionBlock& o = h.ctx->options;
    o.cell_info_display = 1;
    o.exit_when_card_removed = 0;
    SetField(o.voice_mailbox, "+49177123");
    GeneralPage page = OpenGeneralPage(*h.ctx);
    EXPECT_EQ(page.languages, std::vector<std::string>{"English"});
    EXPECT_FALSE(page.confirm_on_delete);
    EXPECT_TRUE(page.cell_info_display);
    EXPECT_EQ(page.voice_mailbox, "+49177123");
    page.confirm_on_delete = true;  // then the sheet is closed with Cancel: the page is destroyed
    page.empty_deleted_on_exit = true;
    DestroyGeneralPage(*h.ctx, page);
    EXPECT_EQ(o.confirm_on_delete, 1);
    EXPECT_EQ(o.empty_deleted_on_exit, 1);
    EXPECT_EQ(o.cell_info_display, 1);
    EXPECT_EQ(o.exit_when_card_removed, 0);
    EXPECT_EQ(FieldText(o.language), "English");
    EXPECT_EQ(FieldText(o.voice_mailbox), "+49177123");
    page.voice_mailbox = std::string(30, '9');
    DestroyGeneralPage(*h.ctx, page);
    EXPECT_EQ(FieldText(o.voice_mailbox), std::string(20, '9'));
}

}  // namespace
}  // namespace qmx2::manager
