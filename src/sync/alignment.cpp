#include "sync/alignment.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace cardsync {

namespace {

struct Match {
    int a;
    int b;
};

// The longest common subsequence of two sequences of record ids, by the O(ND) algorithm with
// a forward and a backward search that meet in the middle. Memory stays linear in the lengths;
// time grows with the lengths times the number of differences, and long equal runs at either
// end cost one comparison each.
class CommonRun {
public:
    CommonRun(const std::vector<int>& a, const std::vector<int>& b, std::vector<Match>& out)
        : m_a(a)
        , m_b(b)
        , m_out(out) {}

    void run(int a0, int a1, int b0, int b1) {
        while (a0 < a1 && b0 < b1 && m_a[a0] == m_b[b0])
            m_out.push_back({a0++, b0++});
        int suffix = 0;
        while (a1 - suffix > a0 && b1 - suffix > b0 && m_a[a1 - 1 - suffix] == m_b[b1 - 1 - suffix])
            ++suffix;
        a1 -= suffix;
        b1 -= suffix;
        if (a0 < a1 && b0 < b1) {
            if (a1 - a0 == 1) {
                for (int j = b0; j < b1; ++j) {
                    if (m_b[j] == m_a[a0]) {
                        m_out.push_back({a0, j});
                        break;
                    }
                }
            } else if (b1 - b0 == 1) {
                for (int i = a0; i < a1; ++i) {
                    if (m_a[i] == m_b[b0]) {
                        m_out.push_back({i, b0});
                        break;
                    }
                }
            } else {
                // The vectors of the search are freed before the halves are worked on.
                const auto split = middle(a0, a1, b0, b1);
                if (split) {
                    run(a0, split->a, b0, split->b);
                    run(split->a, a1, split->b, b1);
                }
            }
        }
        for (int i = 0; i < suffix; ++i)
            m_out.push_back({a1 + i, b1 + i});
    }

private:
    // A point on a shortest edit path through the box, strictly inside it; none when the two
    // have nothing in common.
    std::optional<Match> middle(int a0, int a1, int b0, int b1) {
        const int n = a1 - a0;
        const int m = b1 - b0;
        const int maxD = (n + m + 1) / 2;
        const int offset = maxD + 1;
        const int length = 2 * maxD + 3;
        std::vector<int> fwd(static_cast<size_t>(length), -1);
        std::vector<int> bwd(static_cast<size_t>(length), -1);
        fwd[static_cast<size_t>(offset + 1)] = 0;
        bwd[static_cast<size_t>(offset + 1)] = 0;
        const int delta = n - m;
        const bool oddDelta = (delta % 2) != 0;
        int kStartF = 0, kEndF = 0, kStartB = 0, kEndB = 0;
        const auto at = [](std::vector<int>& v, int i) -> int& {
            return v[static_cast<size_t>(i)];
        };
        const auto inside = [&](int x, int y) -> std::optional<Match> {
            if ((x == 0 && y == 0) || (x == n && y == m))
                return std::nullopt;
            return Match{a0 + x, b0 + y};
        };
        for (int d = 0; d < maxD; ++d) {
            for (int k = -d + kStartF; k <= d - kEndF; k += 2) {
                const int ki = offset + k;
                int x = (k == -d || (k != d && at(fwd, ki - 1) < at(fwd, ki + 1)))
                            ? at(fwd, ki + 1)
                            : at(fwd, ki - 1) + 1;
                int y = x - k;
                while (x < n && y < m && m_a[a0 + x] == m_b[b0 + y]) {
                    ++x;
                    ++y;
                }
                at(fwd, ki) = x;
                if (x > n) {
                    kEndF += 2;
                } else if (y > m) {
                    kStartF += 2;
                } else if (oddDelta) {
                    const int kb = offset + delta - k;
                    if (kb >= 0 && kb < length && at(bwd, kb) != -1 && x >= n - at(bwd, kb))
                        return inside(x, y);
                }
            }
            for (int k = -d + kStartB; k <= d - kEndB; k += 2) {
                const int ki = offset + k;
                int x = (k == -d || (k != d && at(bwd, ki - 1) < at(bwd, ki + 1)))
                            ? at(bwd, ki + 1)
                            : at(bwd, ki - 1) + 1;
                int y = x - k;
                while (x < n && y < m && m_a[a1 - 1 - x] == m_b[b1 - 1 - y]) {
                    ++x;
                    ++y;
                }
                at(bwd, ki) = x;
                if (x > n) {
                    kEndB += 2;
                } else if (y > m) {
                    kStartB += 2;
                } else if (!oddDelta) {
                    const int kf = offset + delta - k;
                    if (kf >= 0 && kf < length && at(fwd, kf) != -1) {
                        const int fx = at(fwd, kf);
                        const int fy = fx - (kf - offset);
                        if (fx >= n - x)
                            return inside(fx, fy);
                    }
                }
            }
        }
        return std::nullopt;
    }

    const std::vector<int>& m_a;
    const std::vector<int>& m_b;
    std::vector<Match>& m_out;
};

std::string_view bytesOf(const Record& r) {
    return {r.data(), static_cast<size_t>(kRecordSize)};
}

// The pairs of equal records, in order, as many as there can be.
std::vector<Match> anchors(std::span<const Record> synced, std::span<const Record> today) {
    // The equal runs at both ends, mostly all of it, cost one comparison a record.
    std::vector<Match> matches;
    const size_t shorter = std::min(synced.size(), today.size());
    size_t prefix = 0;
    while (prefix < shorter && synced[prefix] == today[prefix]) {
        matches.push_back({static_cast<int>(prefix), static_cast<int>(prefix)});
        ++prefix;
    }
    size_t suffix = 0;
    while (suffix < shorter - prefix &&
           synced[synced.size() - 1 - suffix] == today[today.size() - 1 - suffix])
        ++suffix;
    const auto midA = synced.subspan(prefix, synced.size() - prefix - suffix);
    const auto midB = today.subspan(prefix, today.size() - prefix - suffix);

    // Records become ids, so that the search compares integers. A record found on one side only
    // can never be part of the common run: leaving those out keeps the search short when many
    // records changed.
    std::unordered_map<std::string_view, int> ids;
    ids.reserve(midA.size() + midB.size());
    std::vector<int> idA(midA.size());
    std::vector<int> idB(midB.size());
    for (size_t i = 0; i < midA.size(); ++i)
        idA[i] = ids.try_emplace(bytesOf(midA[i]), static_cast<int>(ids.size())).first->second;
    for (size_t j = 0; j < midB.size(); ++j)
        idB[j] = ids.try_emplace(bytesOf(midB[j]), static_cast<int>(ids.size())).first->second;
    std::vector<char> inA(ids.size(), 0), inB(ids.size(), 0);
    for (int id : idA)
        inA[static_cast<size_t>(id)] = 1;
    for (int id : idB)
        inB[static_cast<size_t>(id)] = 1;
    std::vector<int> a, b, posA, posB;
    for (size_t i = 0; i < idA.size(); ++i) {
        if (inB[static_cast<size_t>(idA[i])]) {
            a.push_back(idA[i]);
            posA.push_back(static_cast<int>(prefix + i));
        }
    }
    for (size_t j = 0; j < idB.size(); ++j) {
        if (inA[static_cast<size_t>(idB[j])]) {
            b.push_back(idB[j]);
            posB.push_back(static_cast<int>(prefix + j));
        }
    }
    const size_t before = matches.size();
    CommonRun(a, b, matches).run(0, static_cast<int>(a.size()), 0, static_cast<int>(b.size()));
    for (size_t k = before; k < matches.size(); ++k)
        matches[k] = {posA[static_cast<size_t>(matches[k].a)],
                      posB[static_cast<size_t>(matches[k].b)]};
    for (size_t k = suffix; k > 0; --k)
        matches.push_back(
            {static_cast<int>(synced.size() - k), static_cast<int>(today.size() - k)});
    return matches;
}

// A value shared by more records than this (a town, an area code) tells too little to look
// for partners by; the fields of a candidate found otherwise still count it.
constexpr size_t kCommonValue = 32;

struct Candidate {
    int score;
    int a;
    int b;
};

// Pairs of records of a stretch that share at least one field, the most shared first.
std::vector<Candidate> candidates(std::span<const Record> synced, std::span<const Record> today,
                                  int a0, int a1, int b0, int b1) {
    struct Key {
        int field;
        std::string_view value;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return std::hash<std::string_view>()(k.value) * 31 + static_cast<size_t>(k.field);
        }
    };
    const auto keyOf = [](const Record& r, int f) {
        const QByteArrayView v = trimmedBlanks(r.fieldBytes(static_cast<Field>(f)));
        return Key{f, std::string_view(v.data(), static_cast<size_t>(v.size()))};
    };
    std::unordered_map<Key, std::vector<int>, KeyHash> byValue;
    for (int j = b0; j < b1; ++j) {
        for (int f = 0; f < kFieldCount; ++f) {
            const Key key = keyOf(today[static_cast<size_t>(j)], f);
            if (!key.value.empty())
                byValue[key].push_back(j);
        }
    }
    std::vector<Candidate> result;
    std::vector<int> found;
    for (int i = a0; i < a1; ++i) {
        found.clear();
        for (int f = 0; f < kFieldCount; ++f) {
            const Key key = keyOf(synced[static_cast<size_t>(i)], f);
            if (key.value.empty())
                continue;
            const auto it = byValue.find(key);
            if (it != byValue.end() && it->second.size() <= kCommonValue)
                found.insert(found.end(), it->second.begin(), it->second.end());
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        for (int j : found)
            result.push_back(
                {sharedFields(synced[static_cast<size_t>(i)], today[static_cast<size_t>(j)]), i,
                 j});
    }
    std::sort(result.begin(), result.end(), [](const Candidate& x, const Candidate& y) {
        return std::tie(y.score, x.a, x.b) < std::tie(x.score, y.a, y.b);
    });
    return result;
}

class Aligner {
public:
    Aligner(std::span<const Record> synced, std::span<const Record> today)
        : m_synced(synced)
        , m_today(today) {
        m_result.synced.resize(synced.size());
        m_todayTaken.assign(today.size(), 0);
    }

    Alignment run() {
        int a = 0, b = 0;
        for (const Match& anchor : anchors(m_synced, m_today)) {
            stretch(a, anchor.a, b, anchor.b, false);
            m_result.synced[static_cast<size_t>(anchor.a)] = {SyncedFate::Kind::Unchanged,
                                                              anchor.b + 1};
            m_todayTaken[static_cast<size_t>(anchor.b)] = 1;
            a = anchor.a + 1;
            b = anchor.b + 1;
        }
        stretch(a, static_cast<int>(m_synced.size()), b, static_cast<int>(m_today.size()), true);
        for (size_t j = 0; j < m_todayTaken.size(); ++j) {
            if (!m_todayTaken[j])
                m_result.added.push_back(static_cast<qint64>(j) + 1);
        }
        return std::move(m_result);
    }

private:
    void pair(int a, int b) {
        m_result.synced[static_cast<size_t>(a)] = {SyncedFate::Kind::Changed, b + 1};
        m_todayTaken[static_cast<size_t>(b)] = 1;
    }

    // Records of both lists between two anchors, or after the last one (tail). Today's records
    // left unpaired become new ones, last-synced ones left unpaired stay deleted.
    void stretch(int a0, int a1, int b0, int b1, bool tail) {
        if (a0 == a1 || b0 == b1)
            return;
        if (!tail && a1 - a0 == b1 - b0) {
            for (int i = 0; i < a1 - a0; ++i)
                pair(a0 + i, b0 + i);
            return;
        }
        std::vector<char> syncedPaired(static_cast<size_t>(a1 - a0), 0);
        for (const Candidate& c : candidates(m_synced, m_today, a0, a1, b0, b1)) {
            if (syncedPaired[static_cast<size_t>(c.a - a0)] ||
                m_todayTaken[static_cast<size_t>(c.b)])
                continue;
            syncedPaired[static_cast<size_t>(c.a - a0)] = 1;
            pair(c.a, c.b);
        }
        if (tail)
            return;
        // Between anchors nothing is new, so the rest are changes too, in order.
        int j = b0;
        for (int i = a0; i < a1; ++i) {
            if (syncedPaired[static_cast<size_t>(i - a0)])
                continue;
            while (j < b1 && m_todayTaken[static_cast<size_t>(j)])
                ++j;
            if (j == b1)
                break;
            pair(i, j++);
        }
    }

    std::span<const Record> m_synced;
    std::span<const Record> m_today;
    std::vector<char> m_todayTaken;
    Alignment m_result;
};

} // namespace

int sharedFields(const Record& a, const Record& b) {
    int shared = 0;
    for (int f = 0; f < kFieldCount; ++f) {
        const QByteArrayView x = trimmedBlanks(a.fieldBytes(static_cast<Field>(f)));
        if (!x.isEmpty() && x == trimmedBlanks(b.fieldBytes(static_cast<Field>(f))))
            ++shared;
    }
    return shared;
}

Alignment alignRecords(std::span<const Record> synced, std::span<const Record> today) {
    return Aligner(synced, today).run();
}

} // namespace cardsync
