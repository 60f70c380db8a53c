#include "offline/ChannelIndex.h"

#include <algorithm>

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

    for (std::int64_t b = 0; b < n; b += kSumBlock) {
        const std::int64_t blockEnd = std::min(n, b + kSumBlock);
        for (std::int64_t g = b; g < blockEnd; g += kFanout) {
            const std::int64_t groupEnd = std::min(blockEnd, g + kFanout);
            float mn = kInf;
            float mx = -kInf;
            for (std::int64_t i = g; i < groupEnd; ++i) {
                mn = minSkipNaN(p[i], mn);
                mx = maxSkipNaN(p[i], mx);
            }
            leaves.push_back({mn, mx});
        }
        // Eight independent accumulators: one long chain of dependent double additions would
        // dominate the load time. Floats of one block sum exactly in a double in practice.
        double acc[8] = {};
        std::int64_t cnt = 0;
        std::int64_t i = b;
        for (; i + 8 <= blockEnd; i += 8) {
            for (int k = 0; k < 8; ++k) {
                const float v = p[i + k];
                const bool ok = v == v;
                acc[k] += ok ? static_cast<double>(v) : 0.0;
                cnt += ok ? 1 : 0;
            }
        }
        for (; i < blockEnd; ++i) {
            const float v = p[i];
            if (v == v) {
                acc[0] += v;
                ++cnt;
            }
        }
        blocks.push_back(
            {((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7])),
             cnt});
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
    while (minMax_.back().size() > 1) {
        const auto& below = minMax_.back();
        std::vector<MinMax> level((below.size() + kFanout - 1) / kFanout);
        for (std::size_t j = 0; j < level.size(); ++j) {
            MinMax m{kInf, -kInf};
            const std::size_t end = std::min(below.size(), (j + 1) * kFanout);
            for (std::size_t i = j * kFanout; i < end; ++i) {
                m.min = std::min(m.min, below[i].min);
                m.max = std::max(m.max, below[i].max);
            }
            level[j] = m;
        }
        minMax_.push_back(std::move(level));
    }
    while (sums_.back().size() > 1) {
        const auto& below = sums_.back();
        std::vector<SumCount> level((below.size() + kFanout - 1) / kFanout);
        for (std::size_t j = 0; j < level.size(); ++j) {
            long double s = 0;
            std::int64_t c = 0;
            const std::size_t end = std::min(below.size(), (j + 1) * kFanout);
            for (std::size_t i = j * kFanout; i < end; ++i) {
                s += below[i].sum;
                c += below[i].count;
            }
            level[j] = {static_cast<double>(s), c};
        }
        sums_.push_back(std::move(level));
    }
}

RangeSummary ChannelIndex::extremes(std::span<const float> values, std::int64_t begin,
                                    std::int64_t end) const {
    RangeSummary r;
    const float* raw = values.data();
    std::int64_t b = std::max<std::int64_t>(begin, 0);
    std::int64_t e = std::min(end, size_);
    // level -1 is the records themselves, level l >= 0 the pyramid's minMax_[l]
    for (int level = -1; b < e; ++level) {
        const std::int64_t bUp = roundUp(b, kFanout);
        const std::int64_t eDown = roundDown(e, kFanout);
        const bool top = level + 1 >= static_cast<int>(minMax_.size());
        auto take = [&](std::int64_t from, std::int64_t to) {
            if (level < 0) {
                scanRaw(raw, from, to, r);
                return;
            }
            const auto& nodes = minMax_[static_cast<std::size_t>(level)];
            for (std::int64_t i = from; i < to; ++i) {
                r.min = std::min(r.min, nodes[static_cast<std::size_t>(i)].min);
                r.max = std::max(r.max, nodes[static_cast<std::size_t>(i)].max);
            }
        };
        if (bUp >= eDown || top) {
            take(b, e);
            break;
        }
        take(b, bUp);
        take(eDown, e);
        b = bUp / kFanout;
        e = eDown / kFanout;
    }
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
        b /= kSumBlock;
        e /= kSumBlock;
        // sums_[l] and minMax_[l + 1] describe the same nodes
        for (std::size_t level = 0; b < e; ++level) {
            const std::int64_t bUp = roundUp(b, kFanout);
            const std::int64_t eDown = roundDown(e, kFanout);
            const bool top = level + 1 >= sums_.size();
            auto take = [&](std::int64_t from, std::int64_t to) {
                const auto& s = sums_[level];
                const auto& m = minMax_[level + 1];
                for (std::int64_t i = from; i < to; ++i) {
                    const auto k = static_cast<std::size_t>(i);
                    sum += s[k].sum;
                    count += s[k].count;
                    r.min = std::min(r.min, m[k].min);
                    r.max = std::max(r.max, m[k].max);
                }
            };
            if (bUp >= eDown || top) {
                take(b, e);
                break;
            }
            take(b, bUp);
            take(eDown, e);
            b = bUp / kFanout;
            e = eDown / kFanout;
        }
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
