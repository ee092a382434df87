// Encoding of the device host's socket protocol.
#include "platform/serial_wire.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace qmx2::platform {
namespace {

class Out {
public:
    void U8(uint8_t v) { b_.push_back(v); }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    void Bytes(const std::vector<uint8_t>& d) {
        U32(static_cast<uint32_t>(d.size()));
        b_.insert(b_.end(), d.begin(), d.end());
    }
    void Name(const WideString& s) {
        U32(static_cast<uint32_t>(s.size()));
        for (char16_t c : s) {
            U8(static_cast<uint8_t>(c));
            U8(static_cast<uint8_t>(c >> 8));
        }
    }
    std::vector<uint8_t> Take() { return std::move(b_); }

private:
    std::vector<uint8_t> b_;
};

class In {
public:
    In(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool U8(uint8_t* v) {
        if (n_ - at_ < 1) return false;
        *v = p_[at_++];
        return true;
    }
    bool U32(uint32_t* v) {
        if (n_ - at_ < 4) return false;
        *v = 0;
        for (int i = 0; i < 4; ++i) *v |= static_cast<uint32_t>(p_[at_ + i]) << (8 * i);
        at_ += 4;
        return true;
    }
    bool U64(uint64_t* v) {
        uint32_t lo = 0, hi = 0;
        if (!U32(&lo) || !U32(&hi)) return false;
        *v = lo | (static_cast<uint64_t>(hi) << 32);
        return true;
    }
    bool Bytes(std::vector<uint8_t>* d, uint32_t limit) {
        uint32_t len = 0;
        if (!U32(&len) || len > limit || n_ - at_ < len) return false;
        d->assign(p_ + at_, p_ + at_ + len);
        at_ += len;
        return true;
    }
    bool Name(WideString* s) {
        uint32_t len = 0;
        if (!U32(&len) || len > kWireMaxName || (n_ - at_) / 2 < len) return false;
        s->clear();
        for (uint32_t i = 0; i < len; ++i, at_ += 2)
            s->push_back(static_cast<char16_t>(p_[at_] | (p_[at_ + 1] << 8)));
        return true;
    }
    bool AtEnd() const { return at_ == n_; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
};

}  // namespace

std::vector<uint8_t> EncodeRequest(const WireRequest& r) {
    Out o;
    o.U8(static_cast<uint8_t>(r.op));
    switch (r.op) {
        case WireOp::kQuery: o.Name(r.name); break;
        case WireOp::kOpen:
            o.U32(r.access);
            o.U32(r.share);
            o.Name(r.name);
            break;
        case WireOp::kAttach: o.U64(r.token); break;
        case WireOp::kClose: break;
        case WireOp::kRead:
            o.U32(r.length);
            if (r.flags) o.U8(r.flags);
            break;
        case WireOp::kWrite: o.Bytes(r.data); break;
        case WireOp::kIoControl:
            o.U32(r.code);
            o.U8(r.flags);
            o.U32(r.length);
            o.Bytes(r.data);
            break;
    }
    return o.Take();
}

bool DecodeRequest(const uint8_t* p, size_t n, WireRequest* r) {
    In in(p, n);
    uint8_t op = 0;
    if (!in.U8(&op)) return false;
    *r = WireRequest{};
    r->op = static_cast<WireOp>(op);
    bool ok = false;
    switch (r->op) {
        case WireOp::kQuery: ok = in.Name(&r->name); break;
        case WireOp::kOpen: ok = in.U32(&r->access) && in.U32(&r->share) && in.Name(&r->name); break;
        case WireOp::kAttach: ok = in.U64(&r->token); break;
        case WireOp::kClose: ok = true; break;
        case WireOp::kRead:
            ok = in.U32(&r->length) && r->length <= kWireMaxData &&
                 (in.AtEnd() || (in.U8(&r->flags) && r->flags == kWireReadAhead));
            break;
        case WireOp::kWrite: ok = in.Bytes(&r->data, kWireMaxData); break;
        case WireOp::kIoControl:
            ok = in.U32(&r->code) && in.U8(&r->flags) && in.U32(&r->length) &&
                 r->length <= kWireMaxData && in.Bytes(&r->data, kWireMaxData) &&
                 (r->flags & ~(kWireHasIn | kWireHasOut | kWireHasReturned)) == 0;
            break;
        default: return false;
    }
    return ok && in.AtEnd();
}

std::vector<uint8_t> EncodeAnswer(const WireAnswer& a) {
    Out o;
    o.U64(static_cast<uint64_t>(a.value));
    o.U32(a.error);
    o.U32(a.returned);
    o.Bytes(a.data);
    return o.Take();
}

bool DecodeAnswer(const uint8_t* p, size_t n, WireAnswer* a) {
    In in(p, n);
    uint64_t v = 0;
    if (!in.U64(&v) || !in.U32(&a->error) || !in.U32(&a->returned) ||
        !in.Bytes(&a->data, kWireMaxData))
        return false;
    a->value = static_cast<int64_t>(v);
    return in.AtEnd();
}

namespace {

bool SendAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

bool ReceiveAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t k = recv(fd, p, n, 0);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

}  // namespace

bool SendFrame(int fd, const std::vector<uint8_t>& payload) {
    if (payload.size() > kWireMaxPayload) return false;
    const uint32_t n = static_cast<uint32_t>(payload.size());
    const uint8_t head[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                             static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    return SendAll(fd, head, 4) && SendAll(fd, payload.data(), payload.size());
}

bool ReceiveFrame(int fd, std::vector<uint8_t>* payload) {
    uint8_t head[4];
    if (!ReceiveAll(fd, head, 4)) return false;
    const uint32_t n = head[0] | (head[1] << 8) | (head[2] << 16) |
                       (static_cast<uint32_t>(head[3]) << 24);
    if (n > kWireMaxPayload) return false;
    payload->resize(n);
    return ReceiveAll(fd, payload->data(), n);
}

std::string DeviceSocketPath(const std::string& root) { return root + "/run/device.sock"; }

}  // namespace qmx2::platform
