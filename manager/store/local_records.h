// Records that live only on the handheld besides messages and contacts: the message-centre
// profiles of "msggrp.txt" and the option block of "misc.txt".
#pragma once

#include <cstddef>
#include <cstdint>

#include "manager/core/fixed_text.h"

namespace qmx2::manager {

struct MessageCentreProfile {
    char name[56];
    int32_t validity_code;  // 0, 5, 23, 71, 167 or 255
    char centre_number[21];  // empty: the profile is free
    uint8_t sending_format;  // 1 Text, 2 E-mail, 3 Fax, 4 Paging; 0 never set
    uint8_t reserved[2];
};

static_assert(sizeof(MessageCentreProfile) == 84);
static_assert(offsetof(MessageCentreProfile, validity_code) == 56);
static_assert(offsetof(MessageCentreProfile, centre_number) == 60);
static_assert(offsetof(MessageCentreProfile, sending_format) == 81);

inline constexpr int kProfiles = 10;

struct OptionBlock {
    uint8_t reply_path;
    uint8_t save_sent_copy;
    uint8_t status_reports;
    uint8_t send_long_messages;
    uint8_t confirm_on_delete;
    uint8_t empty_deleted_on_exit;
    uint8_t cell_info_display;
    uint8_t exit_when_card_removed;
    char language[21];
    char voice_mailbox[21];
    char second_list_text[22];
    int32_t unused_choice;  // 0, 1 or 2; nothing changes it, written back as read
    int32_t bearer;         // data-call method, overridden by "ATModemCmd" at start
    int32_t speed;          // data-call speed index, likewise
};

static_assert(sizeof(OptionBlock) == 84);
static_assert(offsetof(OptionBlock, confirm_on_delete) == 4);
static_assert(offsetof(OptionBlock, empty_deleted_on_exit) == 5);
static_assert(offsetof(OptionBlock, language) == 8);
static_assert(offsetof(OptionBlock, voice_mailbox) == 29);
static_assert(offsetof(OptionBlock, second_list_text) == 50);
static_assert(offsetof(OptionBlock, unused_choice) == 72);
static_assert(offsetof(OptionBlock, bearer) == 76);
static_assert(offsetof(OptionBlock, speed) == 80);

inline void SealProfile(MessageCentreProfile& p) {
    SealField(p.name);
    SealField(p.centre_number);
}

inline void SealOptions(OptionBlock& o) {
    SealField(o.language);
    SealField(o.voice_mailbox);
    SealField(o.second_list_text);
}

}  // namespace qmx2::manager
