// The reply area of one transaction: received bytes appended as a C string, bounded so that a
// failure text always fits behind the longest reply.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace qmx2::common {

class ReplyArea {
public:
    // `area` holds `size` bytes; `text_limit` received bytes at most are kept (leaving room for a
    // failure text and the NUL).
    ReplyArea(char* area, size_t size, size_t text_limit)
        : area_(area), size_(size), limit_(text_limit < size ? text_limit : size - 1) {
        area_[0] = '\0';
    }

    // False when the byte did not fit: the reply has been cut.
    bool Append(char byte) {
        if (length_ >= limit_) {
            overflowed_ = true;
            return false;
        }
        area_[length_++] = byte;
        area_[length_] = '\0';
        return true;
    }

    // Appends as much of `text` as fits before the area's last byte.
    void AppendText(std::string_view text) {
        const size_t room = size_ - 1 - length_;
        const size_t n = text.size() < room ? text.size() : room;
        std::memcpy(area_ + length_, text.data(), n);
        length_ += n;
        area_[length_] = '\0';
    }

    // Replaces the whole reply by `text`.
    void Set(std::string_view text) {
        length_ = 0;
        area_[0] = '\0';
        AppendText(text);
    }

    size_t length() const { return length_; }
    bool overflowed() const { return overflowed_; }
    const char* text() const { return area_; }

private:
    char* area_;
    size_t size_;
    size_t limit_;
    size_t length_ = 0;
    bool overflowed_ = false;
};

}  // namespace qmx2::common
