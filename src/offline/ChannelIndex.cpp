#include "offline/ChannelIndex.h"

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// NaN fails both comparisons, so a NaN record never becomes an extreme. Written as the x86
// min/max operand order so the loops vectorise.
inline float minSkipNaN(float v, float m) {
    return v < m ? v : m;
}
inline float maxSkipNaN(float v, float m) {
    return v > m ? v : m;
}

constexpr std::int64_t roundUp(std::int64_t v, std::int64_t f) {
    return (v + f - 1) / f * f;
}
constexpr std::int64_t roundDown(std::int64_t v, std::int64_t f) {
    return v / f * f;
}

// Covers [b, e) of the finest level with as few nodes as possible: at each level the ends that
// do not fill a whole parent are taken there, the rest is left to the level above.
// `take(level, from, to)` is called with node indices of that level; `levels` counts them all.
template <typename Take>
void climbLevels(std::int64_t b, std::int64_t e, std::size_t levels, Take take) {
    constexpr std::int64_t fanout = ChannelIndex::kFanout;
    for (std::size_t level = 0; b < e; ++level) {
        const std::int64_t bUp = roundUp(b, fanout);
        const std::int64_t eDown = roundDown(e, fanout);
        if (bUp >= eDown || level + 1 >= levels) {
            take(level, b, e);
            return;
        }
        take(level, b, bUp);
        take(level, eDown, e);
        b = bUp / fanout;
        e = eDown / fanout;
    }
}

// Adds the levels above `levels.back()`, each node combining kFanout nodes of the level below,
// until one node covers everything.
template <typename Node, typename Combine>
void addUpperLevels(std::vector<std::vector<Node>>& levels, Combine combine) {
    constexpr auto fanout = static_cast<std::size_t>(ChannelIndex::kFanout);
    while (levels.back().size() > 1) {
        const auto& below = levels.back();
        std::vector<Node> level((below.size() + fanout - 1) / fanout);
        for (std::size_t j = 0; j < level.size(); ++j) {
            const auto first = below.begin() + static_cast<std::ptrdiff_t>(j * fanout);
            const auto last = below.begin() +
                              static_cast<std::ptrdiff_t>(std::min(below.size(), (j + 1) * fanout));
            level[j] = combine(first, last);
        }
        levels.push_back(std::move(level));
    }
}

void scanRaw(const float* values, std::int64_t begin, std::int64_t end, RangeSummary& r) {
    for (std::int64_t i = begin; i < end; ++i) {
        r.min = minSkipNaN(values[i], r.min);
        r.max = maxSkipNaN(values[i], r.max);
    }
}

void sumRaw(const float* values, std::int64_t begin, std::int64_t end, long double& sum,
            std::int64_t& count) {
    for (std::int64_t i = begin; i < end; ++i) {
        const float v = values[i];
        if (v == v) {
            sum += v;
            ++count;
        }
    }
}

// Vectors of the compiler's vector extension: the optimiser does not vectorise the NaN-skipping
// extremes by itself (their order of evaluation matters to it), and loading dominates the cost
// of opening a log.
typedef float F4 __attribute__((vector_size(16)));
typedef float F2 __attribute__((vector_size(8)));
typedef double D2 __attribute__((vector_size(16)));
typedef std::int32_t I4 __attribute__((vector_size(16)));

inline F4 load4(const float* p) {
    F4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Lane-wise extremes that skip NaN (the accumulator never holds one).
inline F4 min4(F4 v, F4 m) {
    return v < m ? v : m;
}
inline F4 max4(F4 v, F4 m) {
    return v > m ? v : m;
}

inline void addValues(F4 v, D2& lo, D2& hi, I4& count) {
    const I4 ok = v == v;
    const F4 value = ok ? v : F4{};
    count -= ok; // a true lane is -1
    lo += __builtin_convertvector(__builtin_shufflevector(value, value, 0, 1), D2);
    hi += __builtin_convertvector(__builtin_shufflevector(value, value, 2, 3), D2);
}

// One full block of kSumBlock records: the extremes of its 16 leaves, its sum and value count.
void summarizeBlock(const float* p, MinMaxNode* leaves, double& sum, std::int64_t& count) {
    D2 a0 = {}, a1 = {}, a2 = {}, a3 = {}, a4 = {}, a5 = {}, a6 = {}, a7 = {};
    I4 cnt = {};
    for (int g = 0; g < 16; ++g, p += 16) {
        const F4 v0 = load4(p);
        const F4 v1 = load4(p + 4);
        const F4 v2 = load4(p + 8);
        const F4 v3 = load4(p + 12);
        F4 mn = {kInf, kInf, kInf, kInf};
        F4 mx = -mn;
        mn = min4(v3, min4(v2, min4(v1, min4(v0, mn))));
        mx = max4(v3, max4(v2, max4(v1, max4(v0, mx))));
        mn = min4(__builtin_shufflevector(mn, mn, 2, 3, 0, 1), mn);
        mx = max4(__builtin_shufflevector(mx, mx, 2, 3, 0, 1), mx);
        mn = min4(__builtin_shufflevector(mn, mn, 1, 0, 3, 2), mn);
        mx = max4(__builtin_shufflevector(mx, mx, 1, 0, 3, 2), mx);
        leaves[g] = {mn[0], mx[0]};
        addValues(v0, a0, a1, cnt);
        addValues(v1, a2, a3, cnt);
        addValues(v2, a4, a5, cnt);
        addValues(v3, a6, a7, cnt);
    }
    const D2 total = ((a0 + a1) + (a2 + a3)) + ((a4 + a5) + (a6 + a7));
    sum = total[0] + total[1];
    count = static_cast<std::int64_t>(cnt[0]) + cnt[1] + cnt[2] + cnt[3];
}

} // namespace

ChannelIndex ChannelIndex::build(std::span<const float> values) {
    ChannelIndex index;
    index.reserve(static_cast<std::int64_t>(values.size()));
    index.append(values);
    index.finish();
    return index;
}

void ChannelIndex::reserve(std::int64_t records) {
    minMax_.assign(1, {});
    sums_.assign(1, {});
    minMax_[0].reserve(static_cast<std::size_t>((records + kFanout - 1) / kFanout));
    sums_[0].reserve(static_cast<std::size_t>((records + kSumBlock - 1) / kSumBlock));
}

void ChannelIndex::append(std::span<const float> chunk) {
    if (minMax_.empty()) {
        reserve(static_cast<std::int64_t>(chunk.size()));
    }
    auto& leaves = minMax_[0];
    auto& blocks = sums_[0];
    const float* p = chunk.data();
    const auto n = static_cast<std::int64_t>(chunk.size());

    std::int64_t b = 0;
    for (; b + kSumBlock <= n; b += kSumBlock) {
        const std::size_t at = leaves.size();
        leaves.resize(at + kFanout);
        SumCount sc;
        summarizeBlock(p + b, leaves.data() + at, sc.sum, sc.count);
        blocks.push_back(sc);
    }
    if (b < n) {
        // the file's last, partial block
        double sum = 0;
        std::int64_t count = 0;
        for (std::int64_t g = b; g < n; g += kFanout) {
            MinMax m{kInf, -kInf};
            for (std::int64_t i = g; i < std::min(n, g + kFanout); ++i) {
                m.min = minSkipNaN(p[i], m.min);
                m.max = maxSkipNaN(p[i], m.max);
                if (p[i] == p[i]) {
                    sum += p[i];
                    ++count;
                }
            }
            leaves.push_back(m);
        }
        blocks.push_back({sum, count});
    }
    size_ += n;
}

void ChannelIndex::finish() {
    if (minMax_.empty()) {
        reserve(0);
    }
    buildUpperLevels();
}

void ChannelIndex::buildUpperLevels() {
    minMax_.resize(1);
    sums_.resize(1);
    addUpperLevels(minMax_, [](auto first, auto last) {
        MinMax m{kInf, -kInf};
        for (; first != last; ++first) {
            m.min = std::min(m.min, first->min);
            m.max = std::max(m.max, first->max);
        }
        return m;
    });
    addUpperLevels(sums_, [](auto first, auto last) {
        long double s = 0;
        std::int64_t c = 0;
        for (; first != last; ++first) {
            s += first->sum;
            c += first->count;
        }
        return SumCount{static_cast<double>(s), c};
    });
}

RangeSummary ChannelIndex::extremes(std::span<const float> values, std::int64_t begin,
                                    std::int64_t end) const {
    RangeSummary r;
    const float* raw = values.data();
    // level 0 is the records themselves, level l > 0 the pyramid's minMax_[l - 1]
    climbLevels(std::max<std::int64_t>(begin, 0), std::min(end, size_), minMax_.size() + 1,
                [&](std::size_t level, std::int64_t from, std::int64_t to) {
                    if (level == 0) {
                        scanRaw(raw, from, to, r);
                        return;
                    }
                    const auto& nodes = minMax_[level - 1];
                    for (std::int64_t i = from; i < to; ++i) {
                        r.min = std::min(r.min, nodes[static_cast<std::size_t>(i)].min);
                        r.max = std::max(r.max, nodes[static_cast<std::size_t>(i)].max);
                    }
                });
    return r;
}

RangeSummary ChannelIndex::summarize(std::span<const float> values, std::int64_t begin,
                                     std::int64_t end) const {
    RangeSummary r;
    const float* raw = values.data();
    const std::int64_t b0 = std::max<std::int64_t>(begin, 0);
    const std::int64_t e0 = std::min(end, size_);
    if (b0 >= e0) {
        return r;
    }
    long double sum = 0;
    std::int64_t count = 0;
    std::int64_t b = roundUp(b0, kSumBlock);
    std::int64_t e = roundDown(e0, kSumBlock);
    if (b >= e) {
        scanRaw(raw, b0, e0, r);
        sumRaw(raw, b0, e0, sum, count);
    } else {
        scanRaw(raw, b0, b, r);
        sumRaw(raw, b0, b, sum, count);
        scanRaw(raw, e, e0, r);
        sumRaw(raw, e, e0, sum, count);
        // sums_[l] and minMax_[l + 1] describe the same nodes
        climbLevels(b / kSumBlock, e / kSumBlock, sums_.size(),
                    [&](std::size_t level, std::int64_t from, std::int64_t to) {
                        const auto& s = sums_[level];
                        const auto& m = minMax_[level + 1];
                        for (std::int64_t i = from; i < to; ++i) {
                            const auto k = static_cast<std::size_t>(i);
                            sum += s[k].sum;
                            count += s[k].count;
                            r.min = std::min(r.min, m[k].min);
                            r.max = std::max(r.max, m[k].max);
                        }
                    });
    }
    r.sum = static_cast<double>(sum);
    r.count = count;
    return r;
}

std::size_t ChannelIndex::bytes() const {
    std::size_t total = 0;
    for (const auto& level : minMax_) {
        total += level.capacity() * sizeof(MinMax);
    }
    for (const auto& level : sums_) {
        total += level.capacity() * sizeof(SumCount);
    }
    return total;
}

} // namespace orv
