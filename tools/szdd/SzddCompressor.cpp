#include "tools/szdd/SzddCompressor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace nv::szdd {

namespace {

constexpr int kWindow = 4096;
constexpr int kFirstWrite = 0xFF0;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
// A match may reach back at most this far. One less than the window keeps the
// copy source away from the slot the expander is writing.
constexpr int kMaxDistance = kWindow - 1;
constexpr int kHashBits = 14;
constexpr int kHashSize = 1 << kHashBits;

// The input as the expander sees it: kWindow blanks of "history" (the preset
// window) followed by the data. Positions below kWindow are blanks.
class History {
public:
    explicit History(std::span<const uint8_t> data) : data_(data) {}
    uint8_t at(int64_t pos) const { return pos < kWindow ? uint8_t(' ') : data_[size_t(pos - kWindow)]; }
    int64_t end() const { return kWindow + int64_t(data_.size()); }

private:
    std::span<const uint8_t> data_;
};

class Matcher {
public:
    Matcher(const History& h, int maxChain) : h_(h), maxChain_(maxChain) {
        head_.fill(-1);
        prev_.fill(-1);
    }

    void insert(int64_t pos) {
        if (pos + kMinMatch > h_.end())
            return;
        uint32_t k = hash(pos);
        prev_[size_t(pos) & (kWindow - 1)] = head_[k];
        head_[k] = pos;
    }

    // Longest match for `pos` among earlier inserted positions within reach.
    std::pair<int, int64_t> longest(int64_t pos) const {
        int limit = int(std::min<int64_t>(kMaxMatch, h_.end() - pos));
        if (limit < kMinMatch)
            return {0, 0};
        int best = 0;
        int64_t bestPos = 0;
        int chain = maxChain_;
        for (int64_t cand = head_[hash(pos)]; cand >= 0 && chain-- > 0; cand = prev_[size_t(cand) & (kWindow - 1)]) {
            if (pos - cand > kMaxDistance)
                break;
            int len = 0;
            while (len < limit && h_.at(cand + len) == h_.at(pos + len))
                ++len;
            if (len > best) {
                best = len;
                bestPos = cand;
                if (len == limit)
                    break;
            }
        }
        return {best, bestPos};
    }

private:
    uint32_t hash(int64_t pos) const {
        uint32_t v = uint32_t(h_.at(pos)) << 16 | uint32_t(h_.at(pos + 1)) << 8 | h_.at(pos + 2);
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    const History& h_;
    int maxChain_;
    std::array<int64_t, kHashSize> head_;
    // Chains only need to reach back one window, so they live in a ring: the
    // slot of a position within reach is never reused before it falls out.
    std::array<int64_t, kWindow> prev_;
};

// Collects items eight at a time behind their control byte.
class ItemWriter {
public:
    explicit ItemWriter(std::vector<uint8_t>& out) : out_(out) {}
    void literal(uint8_t b) {
        begin();
        out_[control_] |= uint8_t(1u << count_);
        out_.push_back(b);
        ++count_;
    }
    void match(int windowPos, int len) {
        begin();
        out_.push_back(uint8_t(windowPos & 0xFF));
        out_.push_back(uint8_t(((windowPos >> 4) & 0xF0) | (len - kMinMatch)));
        ++count_;
    }

private:
    void begin() {
        if (count_ == 8 || control_ == SIZE_MAX) {
            control_ = out_.size();
            out_.push_back(0);
            count_ = 0;
        }
    }
    std::vector<uint8_t>& out_;
    size_t control_ = SIZE_MAX;
    int count_ = 0;
};

}  // namespace

std::optional<std::vector<uint8_t>> compress(std::span<const uint8_t> data, char missingChar, Effort effort) {
    if (data.size() > 0xFFFFFFFFu)
        return std::nullopt;
    std::vector<uint8_t> out = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33, 0x41, uint8_t(missingChar)};
    uint32_t len = uint32_t(data.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(len >> (8 * i)));
    out.reserve(out.size() + data.size() + data.size() / 8 + 16);

    History h(data);
    // 160 KB of tables: kept off the stack.
    auto matcher = std::make_unique<Matcher>(h, effort == Effort::Thorough ? 256 : 16);
    Matcher& m = *matcher;
    // Only the blanks the first matches can reach need to be findable.
    for (int64_t p = kWindow - kMaxDistance; p < kWindow; ++p)
        m.insert(p);

    ItemWriter w(out);
    int64_t pos = kWindow;
    int64_t inserted = kWindow;  // positions below this are in the matcher
    auto insertUpTo = [&](int64_t p) {
        for (; inserted < p; ++inserted)
            m.insert(inserted);
    };
    const int64_t end = h.end();
    while (pos < end) {
        insertUpTo(pos);
        auto [len, from] = m.longest(pos);
        if (len < kMinMatch) {
            w.literal(h.at(pos));
            ++pos;
            continue;
        }
        if (effort == Effort::Thorough && len < kMaxMatch && pos + 1 < end) {
            // One step of lazy evaluation: a literal now may buy a longer match.
            insertUpTo(pos + 1);
            auto [nextLen, nextFrom] = m.longest(pos + 1);
            if (nextLen > len) {
                w.literal(h.at(pos));
                ++pos;
                len = nextLen;
                from = nextFrom;
            }
        }
        w.match(int((kFirstWrite + (from - kWindow)) & (kWindow - 1)), len);
        pos += len;
    }
    return out;
}

std::string compressedName(std::string_view name) {
    size_t base = name.find_last_of("\\/:");
    base = base == std::string_view::npos ? 0 : base + 1;
    size_t dot = name.rfind('.');
    std::string out(name);
    if (dot == std::string_view::npos || dot < base)
        return out + "._";
    size_t extLen = name.size() - dot - 1;
    if (extLen >= 3)
        out.back() = '_';
    else
        out += '_';
    return out;
}

char missingCharOf(std::string_view name) {
    size_t base = name.find_last_of("\\/:");
    base = base == std::string_view::npos ? 0 : base + 1;
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < base || name.size() - dot - 1 < 3)
        return 0;
    return name.back();
}

}  // namespace nv::szdd
