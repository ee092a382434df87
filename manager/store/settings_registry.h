// The manager's values under "Software\Orvan\QMX2": read as the manager always reads them (by
// enumerating the key with 100-byte room for names and data), written as strings of a fixed
// 100-byte data size.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmx2::platform {
class Registry;
}

namespace qmx2::manager {

inline constexpr char16_t kManagerKey[] = u"Software\\Orvan\\QMX2";
inline constexpr char16_t kValueModemCmd[] = u"ATModemCmd";
inline constexpr char16_t kValueStartUpFlag[] = u"StartUpFlag";
inline constexpr char16_t kValueUseDefCentre[] = u"useDefSMSCenter";
inline constexpr char16_t kValueUnreadIdx[] = u"UnreadIdx";
inline constexpr char16_t kValueNewMsgIdx[] = u"NewMsgIdx";
inline constexpr char16_t kValueNotifyFlag[] = u"NotifyFlag";

inline constexpr char kDefaultModemCmd[] = "AT+CBST=0,0,1;+CHSN=1,0,0,0";
// Every value is written with this data size; the text and its terminator must fit.
inline constexpr unsigned kValueBytes = 100;
inline constexpr std::size_t kMaxValueChars = kValueBytes / 2 - 1;

// The value's text narrowed to single bytes, or nothing when it is absent. The enumeration stops
// at the first value whose name or data does not fit 100 bytes: it and every value after it
// count as absent, as does every value of a key that cannot be opened.
std::optional<std::string> ReadManagerValue(platform::Registry& registry, std::u16string_view name);

// Writes the text (cut to 49 characters) as a string of 100 bytes, creating the key if needed.
// False when the key cannot be created or the value not written.
bool WriteManagerValue(platform::Registry& registry, std::u16string_view name,
                       std::string_view text);

bool DeleteManagerValue(platform::Registry& registry, std::u16string_view name);

}  // namespace qmx2::manager
