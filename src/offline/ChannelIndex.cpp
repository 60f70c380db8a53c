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
void addUpperLevels(std::vector<NodeArray<Node>>& levels, Combine combine) {
    constexpr auto fanout = static_cast<std::size_t>(ChannelIndex::kFanout);
    while (levels.back().size() > 1) {
        const NodeArray<Node>& below = levels.back();
        NodeArray<Node> level((below.size() + fanout - 1) / fanout);
        for (std::size_t j = 0; j < level.size(); ++j) {
            const Node* first = below.data() + j * fanout;
            const Node* last = below.data() + std::min(below.size(), (j + 1) * fanout);
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
// extremes by itself (their order of evaluation matters to it), and indexing is most of the cost
// of opening a log once the bytes are read. The block summary is compiled twice, for AVX2 and for
// the baseline, and the better one is picked when the program starts. Both clones compute the
// same lane operations in the same order, so their results agree bit for bit: the 8-wide vectors
// hold two leaves side by side, each in the lanes the 4-wide code gave it.
typedef float F4 __attribute__((vector_size(16)));
typedef float F8 __attribute__((vector_size(32)));
typedef double D4 __attribute__((vector_size(32)));
typedef std::int32_t I8 __attribute__((vector_size(32)));

// Adds the values of four records (NaN as nothing) to the two-lane sums (lo | hi).
inline void addValues(F4 v, D4& sums) {
    const F4 value = v == v ? v : F4{};
    sums += __builtin_convertvector(value, D4);
}

// 8-wide vectors stay inside the function below (no parameters or results of that type), so the
// clones share no calling convention for them.
// `blocks` full blocks of kSumBlock records from p: the extremes of their 16 leaves each, the
// node above the leaves (when the pyramid has one), the sum and value count of every block.
__attribute__((target_clones("avx2", "default"))) void
summarizeFullBlocks(const float* p, std::int64_t blocks, MinMaxNode* leaves, MinMaxNode* above,
                    ChannelIndex::SumCount* sums) {
    constexpr F8 inf = {kInf, kInf, kInf, kInf, kInf, kInf, kInf, kInf};
    for (std::int64_t blk = 0; blk < blocks; ++blk) {
        // s0 holds the sums of record lanes 0..3 of every leaf's first four records, s1 of the
        // next four, and so on: each leaf's values are added in leaf order.
        D4 s0 = {}, s1 = {}, s2 = {}, s3 = {};
        I8 cnt = {};
        for (int g = 0; g < 16; g += 2, p += 32) {
            F8 a, b, c, d;
            std::memcpy(&a, p, sizeof a);      // leaf g, records 0..7
            std::memcpy(&b, p + 8, sizeof b);  // leaf g, records 8..15
            std::memcpy(&c, p + 16, sizeof c); // leaf g + 1, records 0..7
            std::memcpy(&d, p + 24, sizeof d); // leaf g + 1, records 8..15
            const F8 w0 = __builtin_shufflevector(a, c, 0, 1, 2, 3, 8, 9, 10, 11);
            const F8 w1 = __builtin_shufflevector(a, c, 4, 5, 6, 7, 12, 13, 14, 15);
            const F8 w2 = __builtin_shufflevector(b, d, 0, 1, 2, 3, 8, 9, 10, 11);
            const F8 w3 = __builtin_shufflevector(b, d, 4, 5, 6, 7, 12, 13, 14, 15);
            // v < m ? v : m, the x86 min operand order: NaN fails the comparison and is skipped
            F8 mn = inf;
            F8 mx = -inf;
            for (const F8& w : {w0, w1, w2, w3}) {
                mn = w < mn ? w : mn;
                mx = w > mx ? w : mx;
            }
            const F8 mn2 = __builtin_shufflevector(mn, mn, 2, 3, 0, 1, 6, 7, 4, 5);
            const F8 mx2 = __builtin_shufflevector(mx, mx, 2, 3, 0, 1, 6, 7, 4, 5);
            mn = mn2 < mn ? mn2 : mn;
            mx = mx2 > mx ? mx2 : mx;
            const F8 mn1 = __builtin_shufflevector(mn, mn, 1, 0, 3, 2, 5, 4, 7, 6);
            const F8 mx1 = __builtin_shufflevector(mx, mx, 1, 0, 3, 2, 5, 4, 7, 6);
            mn = mn1 < mn ? mn1 : mn;
            mx = mx1 > mx ? mx1 : mx;
            leaves[g] = {mn[0], mx[0]};
            leaves[g + 1] = {mn[4], mx[4]};
            cnt -= (w0 == w0) + (w1 == w1) + (w2 == w2) + (w3 == w3); // a true lane is -1
            addValues(__builtin_shufflevector(w0, w0, 0, 1, 2, 3), s0);
            addValues(__builtin_shufflevector(w1, w1, 0, 1, 2, 3), s1);
            addValues(__builtin_shufflevector(w2, w2, 0, 1, 2, 3), s2);
            addValues(__builtin_shufflevector(w3, w3, 0, 1, 2, 3), s3);
            addValues(__builtin_shufflevector(w0, w0, 4, 5, 6, 7), s0);
            addValues(__builtin_shufflevector(w1, w1, 4, 5, 6, 7), s1);
            addValues(__builtin_shufflevector(w2, w2, 4, 5, 6, 7), s2);
            addValues(__builtin_shufflevector(w3, w3, 4, 5, 6, 7), s3);
        }
        const auto h0 =
            __builtin_shufflevector(s0, s0, 0, 1) + __builtin_shufflevector(s0, s0, 2, 3);
        const auto h1 =
            __builtin_shufflevector(s1, s1, 0, 1) + __builtin_shufflevector(s1, s1, 2, 3);
        const auto h2 =
            __builtin_shufflevector(s2, s2, 0, 1) + __builtin_shufflevector(s2, s2, 2, 3);
        const auto h3 =
            __builtin_shufflevector(s3, s3, 0, 1) + __builtin_shufflevector(s3, s3, 2, 3);
        const auto total = (h0 + h1) + (h2 + h3);
        std::int64_t count = 0;
        for (int i = 0; i < 8; ++i) {
            count += cnt[i];
        }
        sums[blk] = {total[0] + total[1], count};
        if (above != nullptr) {
            MinMaxNode m{kInf, -kInf};
            for (int g = 0; g < 16; ++g) {
                m.min = std::min(m.min, leaves[g].min);
                m.max = std::max(m.max, leaves[g].max);
            }
            above[blk] = m;
        }
        leaves += 16;
    }
}

// The leaves, sum and count of a block that ends early (the file's last one).
void summarizePartialBlock(const float* p, std::int64_t n, MinMaxNode* leaves, MinMaxNode* above,
                           ChannelIndex::SumCount& sums) {
    double sum = 0;
    std::int64_t count = 0;
    MinMaxNode all{kInf, -kInf};
    for (std::int64_t g = 0; g < n; g += ChannelIndex::kFanout) {
        MinMaxNode m{kInf, -kInf};
        for (std::int64_t i = g; i < std::min(n, g + ChannelIndex::kFanout); ++i) {
            m.min = minSkipNaN(p[i], m.min);
            m.max = maxSkipNaN(p[i], m.max);
            if (p[i] == p[i]) {
                sum += p[i];
                ++count;
            }
        }
        *leaves++ = m;
        all.min = std::min(all.min, m.min);
        all.max = std::max(all.max, m.max);
    }
    sums = {sum, count};
    if (above != nullptr) {
        *above = all;
    }
}

} // namespace

ChannelIndex ChannelIndex::build(std::span<const float> values) {
    ChannelIndex index;
    const auto n = static_cast<std::int64_t>(values.size());
    index.prepare(n);
    index.summarizeBlocks(values, 0, n);
    index.finish(values);
    return index;
}

void ChannelIndex::prepare(std::int64_t records) {
    size_ = records;
    const auto leaves = static_cast<std::size_t>((records + kFanout - 1) / kFanout);
    const auto blocks = static_cast<std::size_t>((records + kSumBlock - 1) / kSumBlock);
    minMax_.clear();
    sums_.clear();
    minMax_.emplace_back(leaves);
    if (leaves > 1) {
        // the level above the leaves is written with them, while they are in the cache
        minMax_.emplace_back(blocks);
    }
    sums_.emplace_back(blocks);
}

void ChannelIndex::summarizeBlocks(std::span<const float> values, std::int64_t begin,
                                   std::int64_t end) {
    const std::int64_t first = begin / kSumBlock;
    const std::int64_t full = (end - begin) / kSumBlock;
    MinMax* leaves = minMax_[0].data() + first * kFanout;
    MinMax* above = minMax_.size() > 1 ? minMax_[1].data() + first : nullptr;
    SumCount* sums = sums_[0].data() + first;
    summarizeFullBlocks(values.data() + begin, full, leaves, above, sums);
    const std::int64_t rest = begin + full * kSumBlock;
    if (rest < end) {
        summarizePartialBlock(values.data() + rest, end - rest, leaves + full * kFanout,
                              above != nullptr ? above + full : nullptr, sums[full]);
    }
}

void ChannelIndex::finish(std::span<const float> values) {
    const auto n = static_cast<std::int64_t>(values.size());
    if (minMax_.empty()) {
        prepare(0);
    }
    if (n < size_) {
        size_ = n;
        const auto leaves = static_cast<std::size_t>((n + kFanout - 1) / kFanout);
        const auto blocks = static_cast<std::size_t>((n + kSumBlock - 1) / kSumBlock);
        minMax_[0].shrink(leaves);
        sums_[0].shrink(blocks);
        if (leaves <= 1) {
            minMax_.resize(1);
        } else {
            minMax_[1].shrink(blocks);
        }
        if (const std::int64_t cut = roundDown(n, kSumBlock); cut < n) {
            summarizeBlocks(values, cut, n);
        }
    }
    buildUpperLevels();
}

void ChannelIndex::buildUpperLevels() {
    minMax_.resize(std::min<std::size_t>(minMax_.size(), 2));
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
    const std::int64_t b = std::max<std::int64_t>(begin, 0);
    const std::int64_t e = std::min(end, size_);
    if (b < e) {
        addExtremes(values.data(), minMax_.size(), b, e, r); // the top level is a single node
    }
    return r;
}

void ChannelIndex::prefetch(std::span<const float> values, std::int64_t at) const {
    if (at < 0 || at >= size_) {
        return;
    }
    __builtin_prefetch(values.data() + at);
    __builtin_prefetch(values.data() + std::max<std::int64_t>(at - 1, 0));
    __builtin_prefetch(minMax_[0].data() + at / kFanout);
    if (minMax_.size() > 1) {
        __builtin_prefetch(minMax_[1].data() + at / kSumBlock);
    }
}

void ChannelIndex::addExtremes(const float* raw, std::size_t level, std::int64_t from,
                               std::int64_t to, RangeSummary& r) const {
    // Level l >= 1 is the pyramid's minMax_[l - 1], whose nodes cover 16^l records; [from, to)
    // lies inside one of them.
    const std::int64_t span = std::int64_t{1} << (4 * level);
    const MinMax& node = minMax_[level - 1][static_cast<std::size_t>(from / span)];
    if (node.min >= r.min && node.max <= r.max) {
        return; // nothing in the node can change the extremes found so far
    }
    if (level == 1) {
        scanRaw(raw, from, to, r);
        return;
    }
    const std::int64_t child = span / kFanout;
    const std::int64_t first = from / child;
    const std::int64_t last = (to - 1) / child;
    auto whole = [&](std::int64_t c) {
        return from <= c * child && to >= std::min((c + 1) * child, size_);
    };
    // The children covered whole first: the extremes they give often make the two children cut
    // by the range's ends unnecessary to open, which keeps the finest levels out of the cache.
    const auto& nodes = minMax_[level - 2];
    for (std::int64_t c = whole(first) ? first : first + 1; c <= last && whole(c); ++c) {
        r.min = std::min(r.min, nodes[static_cast<std::size_t>(c)].min);
        r.max = std::max(r.max, nodes[static_cast<std::size_t>(c)].max);
    }
    if (!whole(first)) {
        addExtremes(raw, level - 1, from, std::min(to, (first + 1) * child), r);
    }
    if (last != first && !whole(last)) {
        addExtremes(raw, level - 1, last * child, to, r);
    }
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
        total += level.size() * sizeof(MinMax);
    }
    for (const auto& level : sums_) {
        total += level.size() * sizeof(SumCount);
    }
    return total;
}

bool ChannelIndex::sameAs(const ChannelIndex& other) const {
    auto same = [](const auto& a, const auto& b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t l = 0; l < a.size(); ++l) {
            if (a[l].size() != b[l].size() ||
                (a[l].size() > 0 &&
                 std::memcmp(a[l].data(), b[l].data(), a[l].size() * sizeof(a[l][0])) != 0)) {
                return false;
            }
        }
        return true;
    };
    return size_ == other.size_ && same(minMax_, other.minMax_) && same(sums_, other.sums_);
}

} // namespace orv
