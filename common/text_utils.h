// The small text conversions that every caller of the card shares: 16-bit user-interface text
// to the card's single-byte ISO 8859-1 and back, dialable digits, one-line previews and the
// display form of a service-centre time stamp.
//
// Inputs are NUL-terminated; at most kMaxConversionInput characters of an input are used, the
// rest is cut. Outputs are bounded by the given size (or the conversion areas) and always
// NUL-terminated when the size is not zero.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace qmx2::common {

inline constexpr size_t kConversionAreaSize = 1024;
inline constexpr size_t kMaxConversionInput = kConversionAreaSize - 1;

// Results of NarrowText and WidenText, each valid until the next call of the same utility.
struct ConversionAreas {
    char narrow[kConversionAreaSize] = {};
    platform::WideChar wide[kConversionAreaSize] = {};
};

// Each unit becomes its low 8 bits. A unit above 255 whose low byte would be a control
// character or a double quote becomes '?' instead, so that no character typed by the user turns
// into a line end, Ctrl-Z, ESC, a quote or the end of the text. The input ends at a NUL unit.
const char* NarrowText(ConversionAreas& areas, platform::WideView text);

// Each byte becomes the unit of the same value (0 to 255).
const platform::WideChar* WidenText(ConversionAreas& areas, const char* text);

// Keeps a "+" that is the very first character and "0"-"9", "*", "#" anywhere.
void DialableDigits(const char* text, char* out, size_t out_size);

// Each CR LF, lone CR and lone LF becomes one space.
void FlattenLineBreaks(const char* text, char* out, size_t out_size);

// "yy/mm/dd,hh:mm:ss+zz" as the card gives it becomes "dd/mm/yy,hh:mm". A stamp without ":"
// keeps what is left after the swap and the time-zone cuts.
void FormatStampForDisplay(const char* stamp, char* out, size_t out_size);

}  // namespace qmx2::common
