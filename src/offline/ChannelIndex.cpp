#include "offline/ChannelIndex.h"

#include <algorithm>
#include <bit>
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

void scanRaw(ChannelValues values, std::int64_t begin, std::int64_t end, RangeSummary& r) {
    for (std::int64_t i = begin; i < end; ++i) {
        r.min = minSkipNaN(values[i], r.min);
        r.max = maxSkipNaN(values[i], r.max);
    }
}

void sumRaw(ChannelValues values, std::int64_t begin, std::int64_t end, long double& sum,
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
// of opening a log. The block summary is compiled twice, for AVX2 and for the baseline, and the
// better one is picked when the program starts. Both compute the same lane operations in the same
// order (the baseline splits each 8-wide operation into two 4-wide ones), so their results agree
// bit for bit.
//
// The records are read as they are stored: a vector of eight floats holds four records, the
// temperature in the even lanes and channel 2 in the odd ones, so both channels are summarised by
// the same instructions and nothing is copied apart first.
static_assert(std::endian::native == std::endian::little,
              "the block summary reads the little-endian records as they are");
typedef float F4 __attribute__((vector_size(16)));
typedef float F8 __attribute__((vector_size(32)));
typedef double D4 __attribute__((vector_size(32)));
typedef std::int32_t I8 __attribute__((vector_size(32)));

struct BlockOut {
    MinMaxNode* leaves;
    MinMaxNode* above; // nullptr when the pyramid has no level above the leaves
    ChannelIndex::SumCount* sums;
};

// 8-wide vectors stay inside the function below (no parameters or results of that type), so the
// clones share no calling convention for them.
// `blocks` full blocks of kSumBlock records from p: per channel the extremes of the 16 leaves of
// every block, the node above them, the block's sum and value count.
__attribute__((target_clones("avx2", "default"))) void
summarizeFullBlocks(const unsigned char* p, std::int64_t blocks, BlockOut t, BlockOut c) {
    constexpr F8 inf = {kInf, kInf, kInf, kInf, kInf, kInf, kInf, kInf};
    for (std::int64_t blk = 0; blk < blocks; ++blk) {
        // Lanes alternate temperature and channel 2. s0 adds the first two records of the first
        // and second vector of every leaf, s1 the last two; s2 and s3 the same for the third and
        // fourth vector: always in leaf order.
        D4 s0 = {}, s1 = {}, s2 = {}, s3 = {};
        I8 cnt = {};
        for (std::int64_t g = 0; g < ChannelIndex::kFanout; ++g) {
            F8 w0, w1, w2, w3; // the leaf's 16 records
            std::memcpy(&w0, p, sizeof w0);
            std::memcpy(&w1, p + 32, sizeof w1);
            std::memcpy(&w2, p + 64, sizeof w2);
            std::memcpy(&w3, p + 96, sizeof w3);
            p += ChannelIndex::kFanout * kLogRecordSize;
            // v < m ? v : m, the x86 min operand order: NaN fails the comparison and is skipped
            F8 mn = w0 < inf ? w0 : inf;
            F8 mx = w0 > -inf ? w0 : -inf;
            mn = w1 < mn ? w1 : mn;
            mx = w1 > mx ? w1 : mx;
            mn = w2 < mn ? w2 : mn;
            mx = w2 > mx ? w2 : mx;
            mn = w3 < mn ? w3 : mn;
            mx = w3 > mx ? w3 : mx;
            // fold the four records of each channel into lane 0 (temperature) and 1 (channel 2)
            const F8 mn4 = __builtin_shufflevector(mn, mn, 4, 5, 6, 7, 0, 1, 2, 3);
            const F8 mx4 = __builtin_shufflevector(mx, mx, 4, 5, 6, 7, 0, 1, 2, 3);
            mn = mn4 < mn ? mn4 : mn;
            mx = mx4 > mx ? mx4 : mx;
            const F8 mn2 = __builtin_shufflevector(mn, mn, 2, 3, 0, 1, 6, 7, 4, 5);
            const F8 mx2 = __builtin_shufflevector(mx, mx, 2, 3, 0, 1, 6, 7, 4, 5);
            mn = mn2 < mn ? mn2 : mn;
            mx = mx2 > mx ? mx2 : mx;
            const F4 leaves = __builtin_shufflevector(mn, mx, 0, 8, 1, 9);
            std::memcpy(&t.leaves[g], &leaves, sizeof(MinMaxNode));
            std::memcpy(&c.leaves[g], reinterpret_cast<const char*>(&leaves) + sizeof(MinMaxNode),
                        sizeof(MinMaxNode));
            const auto p0 = w0 == w0; // a true lane is -1
            const auto p1 = w1 == w1;
            const auto p2 = w2 == w2;
            const auto p3 = w3 == w3;
            cnt -= (p0 + p1) + (p2 + p3);
            const F8 v0 = p0 ? w0 : F8{};
            const F8 v1 = p1 ? w1 : F8{};
            const F8 v2 = p2 ? w2 : F8{};
            const F8 v3 = p3 ? w3 : F8{};
            // widened to double, two records of each channel per vector half
            const F4 lo0 = __builtin_shufflevector(v0, v0, 0, 1, 2, 3);
            const F4 lo1 = __builtin_shufflevector(v1, v1, 0, 1, 2, 3);
            const F4 lo2 = __builtin_shufflevector(v2, v2, 0, 1, 2, 3);
            const F4 lo3 = __builtin_shufflevector(v3, v3, 0, 1, 2, 3);
            const F4 hi0 = __builtin_shufflevector(v0, v0, 4, 5, 6, 7);
            const F4 hi1 = __builtin_shufflevector(v1, v1, 4, 5, 6, 7);
            const F4 hi2 = __builtin_shufflevector(v2, v2, 4, 5, 6, 7);
            const F4 hi3 = __builtin_shufflevector(v3, v3, 4, 5, 6, 7);
            s0 += __builtin_convertvector(lo0, D4) + __builtin_convertvector(lo1, D4);
            s1 += __builtin_convertvector(hi0, D4) + __builtin_convertvector(hi1, D4);
            s2 += __builtin_convertvector(lo2, D4) + __builtin_convertvector(lo3, D4);
            s3 += __builtin_convertvector(hi2, D4) + __builtin_convertvector(hi3, D4);
        }
        const D4 total = (s0 + s1) + (s2 + s3);
        t.sums[blk] = {total[0] + total[2], std::int64_t{cnt[0]} + cnt[2] + cnt[4] + cnt[6]};
        c.sums[blk] = {total[1] + total[3], std::int64_t{cnt[1]} + cnt[3] + cnt[5] + cnt[7]};
        if (t.above != nullptr) {
            for (const BlockOut* out : {&t, &c}) {
                MinMaxNode m{kInf, -kInf};
                for (std::int64_t g = 0; g < ChannelIndex::kFanout; ++g) {
                    m.min = std::min(m.min, out->leaves[g].min);
                    m.max = std::max(m.max, out->leaves[g].max);
                }
                out->above[blk] = m;
            }
        }
        t.leaves += ChannelIndex::kFanout;
        c.leaves += ChannelIndex::kFanout;
    }
}

// The leaves, sum and count of one channel's block that ends early (the file's last one):
// records from..from+n-1.
void summarizePartialBlock(ChannelValues values, std::int64_t from, std::int64_t n,
                           MinMaxNode* leaves, MinMaxNode* above, ChannelIndex::SumCount& sums) {
    double sum = 0;
    std::int64_t count = 0;
    MinMaxNode all{kInf, -kInf};
    for (std::int64_t g = 0; g < n; g += ChannelIndex::kFanout) {
        MinMaxNode m{kInf, -kInf};
        for (std::int64_t i = g; i < std::min(n, g + ChannelIndex::kFanout); ++i) {
            const float v = values[from + i];
            m.min = minSkipNaN(v, m.min);
            m.max = maxSkipNaN(v, m.max);
            if (v == v) {
                sum += v;
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

void ChannelIndex::build(const unsigned char* records, std::int64_t count,
                         ChannelIndex& temperature, ChannelIndex& channel2) {
    temperature.prepare(count);
    channel2.prepare(count);
    summarizeRecords(records, 0, count, temperature, channel2);
    temperature.finish(ChannelValues(records, count));
    channel2.finish(ChannelValues(records + sizeof(float), count));
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

void ChannelIndex::summarizeRecords(const unsigned char* records, std::int64_t begin,
                                    std::int64_t end, ChannelIndex& temperature,
                                    ChannelIndex& channel2) {
    const std::int64_t first = begin / kSumBlock;
    const std::int64_t full = (end - begin) / kSumBlock;
    auto out = [first](ChannelIndex& index) {
        return BlockOut{index.minMax_[0].data() + first * kFanout,
                        index.minMax_.size() > 1 ? index.minMax_[1].data() + first : nullptr,
                        index.sums_[0].data() + first};
    };
    const BlockOut t = out(temperature);
    const BlockOut c = out(channel2);
    summarizeFullBlocks(records + begin * kLogRecordSize, full, t, c);
    const std::int64_t rest = begin + full * kSumBlock;
    if (rest < end) {
        const ChannelValues tValues(records, end);
        const ChannelValues cValues(records + sizeof(float), end);
        summarizePartialBlock(tValues, rest, end - rest, t.leaves + full * kFanout,
                              t.above != nullptr ? t.above + full : nullptr, t.sums[full]);
        summarizePartialBlock(cValues, rest, end - rest, c.leaves + full * kFanout,
                              c.above != nullptr ? c.above + full : nullptr, c.sums[full]);
    }
}

void ChannelIndex::finish(ChannelValues values) {
    const std::int64_t n = values.size();
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
            const std::int64_t block = cut / kSumBlock;
            summarizePartialBlock(values, cut, n - cut, minMax_[0].data() + block * kFanout,
                                  minMax_.size() > 1 ? minMax_[1].data() + block : nullptr,
                                  sums_[0][static_cast<std::size_t>(block)]);
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

RangeSummary ChannelIndex::extremes(ChannelValues values, std::int64_t begin,
                                    std::int64_t end) const {
    RangeSummary r;
    const std::int64_t b = std::max<std::int64_t>(begin, 0);
    const std::int64_t e = std::min(end, size_);
    if (b < e) {
        addExtremes(values, minMax_.size(), b, e, r); // the top level is a single node
    }
    return r;
}

void ChannelIndex::prefetch(ChannelValues values, std::int64_t at) const {
    if (at < 0 || at >= size_) {
        return;
    }
    __builtin_prefetch(values.address(at));
    __builtin_prefetch(values.address(std::max<std::int64_t>(at - 1, 0)));
    __builtin_prefetch(minMax_[0].data() + at / kFanout);
    if (minMax_.size() > 1) {
        __builtin_prefetch(minMax_[1].data() + at / kSumBlock);
    }
}

void ChannelIndex::addExtremes(ChannelValues raw, std::size_t level, std::int64_t from,
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

RangeSummary ChannelIndex::summarize(ChannelValues values, std::int64_t begin,
                                     std::int64_t end) const {
    RangeSummary r;
    const ChannelValues raw = values;
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
