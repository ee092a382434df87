// Fixed-width, NUL-ended single-byte text fields as the manager's records hold them: every
// copy into a field is cut to the field, and every read stops at the field's end even when a
// file gave a field without its terminating zero.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace qmx2::manager {

// The text of a field up to its first zero byte, never past the field.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    const void* nul = std::memchr(field, 0, N);
    return std::string_view(field, nul ? static_cast<const char*>(nul) - field : N);
}

// Stores text in the field, cut to N - 1 bytes, and zero-fills the rest.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, N - n);
}

// Forces a terminating zero into the field's last byte (for records read from files).
template <std::size_t N>
void SealField(char (&field)[N]) {
    field[N - 1] = 0;
}

template <std::size_t N>
bool FieldEmpty(const char (&field)[N]) {
    return field[0] == 0;
}

}  // namespace qmx2::manager
