#include "app/caret_sync.h"

#include <algorithm>

namespace caret {
namespace {

using Table = std::vector<std::int32_t>;

// Before any conversion the table is empty; it reads as four zeros, as after
// a conversion without expansions.
std::int64_t at(const Table& table, std::int64_t i) {
    return i >= 0 && i < static_cast<std::int64_t>(table.size()) ? table[static_cast<size_t>(i)] : 0;
}

std::int64_t lastIndex(const Table& expPos) { return std::max<std::int64_t>(3, static_cast<std::int64_t>(expPos.size()) - 1); }

std::int64_t countOf(std::string_view text, char c) { return std::count(text.begin(), text.end(), c); }

}  // namespace

Selection SimpleLowerSelectionFor(std::string_view p) {
    return {static_cast<std::int64_t>(p.size()) - countOf(p, '*') - countOf(p, '#'), 1};
}

Selection LowerSelectionFor(std::string_view p, const Table& expPos, Table& quotePos) {
    const std::int64_t len = static_cast<std::int64_t>(p.size());
    const std::int64_t stars = countOf(p, '*');
    const std::int64_t marks = stars + countOf(p, '#');
    if (stars == 0) return SimpleLowerSelectionFor(p);

    const std::int64_t u = lastIndex(expPos);
    // The walk over the stars: per group the opening and closing star's place
    // (plus one), then the length between them. Stars beyond the table are
    // not recorded.
    std::int64_t q = 0;
    if (stars >= 2) {
        quotePos.assign(static_cast<size_t>(u + 1), 0);
        for (size_t i = p.find('*'); i != std::string_view::npos; i = p.find('*', i + 1)) {
            if (q <= u && q % 3 == 2) {
                quotePos[q] = quotePos[q - 1] - quotePos[q - 2] - 1;
                ++q;
            }
            if (q <= u && q % 3 != 2) {
                quotePos[q] = static_cast<std::int32_t>(i + 2);
                ++q;
            }
        }
    }
    const bool inside = q % 3 != 2 && p.find("**") == std::string_view::npos;
    std::int64_t closedDiff = 0;  // the groups closed before the caret
    for (std::int64_t i = 2; i <= std::min(q, u); i += 3) closedDiff += at(expPos, i);

    Selection s;
    if (inside) {
        const std::int64_t distance = len - static_cast<std::int64_t>(p.rfind('*'));
        s.start = len - marks - closedDiff - distance + 1;
        const std::int64_t g = std::clamp<std::int64_t>(q, 1, u);
        s.length = std::max<std::int64_t>(1, at(expPos, g) - at(expPos, g - 1));
    } else {
        s.start = len - marks - closedDiff;
        s.length = 1;
    }
    s.start = std::max<std::int64_t>(0, s.start);
    return s;
}

namespace {

Selection plainCase(std::string_view upper, std::int64_t p) {
    const bool onMark = p >= 0 && p < static_cast<std::int64_t>(upper.size()) &&
                        (upper[static_cast<size_t>(p)] == '*' || upper[static_cast<size_t>(p)] == '#');
    return {onMark ? p + 1 : p, 1};
}

// A click after the last expansion: the same distance from the end of the
// upper text, moved left over the "#" marks that stand in that stretch.
Selection tailCase(std::string_view upper, std::int64_t lowerLength, std::int64_t clicked) {
    const std::int64_t len = static_cast<std::int64_t>(upper.size());
    std::int64_t e = len - lowerLength + clicked;
    if (e < 0) e = len;
    e = std::max<std::int64_t>(e, 1);  // a 1-based position
    std::int64_t n = e <= len ? countOf(upper.substr(static_cast<size_t>(e - 1)), '#') : 0;
    if (n == 0) n = 1;
    // The stretch before e only grows; it stops at the start of the text.
    while (n > 1 && e - n >= 1) {
        const std::int64_t more = countOf(upper.substr(static_cast<size_t>(e - n - 1), static_cast<size_t>(n)), '#');
        if (more == 0) break;
        n += more;
    }
    return {std::max<std::int64_t>(0, e - n + 1), 1};
}

}  // namespace

Selection UpperSelectionFor(std::string_view upper, std::int64_t lowerLength, std::int64_t clicked,
                            const Table& expPos, const Table& quotePos) {
    const std::int64_t len = static_cast<std::int64_t>(upper.size());
    // Every "#" up to the clicked place stands in the upper text only.
    std::int64_t marks = 0;
    for (std::int64_t i = 0, limit = clicked; i < std::min(limit, len); ++i) {
        if (upper[static_cast<size_t>(i)] == '#') {
            ++marks;
            ++limit;
        }
    }
    const std::int64_t p = clicked + marks;

    const size_t firstStar = upper.find('*');
    if (firstStar == std::string_view::npos || static_cast<std::int64_t>(firstStar) + 1 > p + 1 ||
        upper.find('*', firstStar + 1) == std::string_view::npos)
        return plainCase(upper, p);

    const std::int64_t c = clicked + 1;
    const std::int64_t u = lastIndex(expPos);
    for (std::int64_t i = 0; i <= u; ++i) {
        if (i == 0 && at(expPos, 0) > c) return plainCase(upper, p);
        if (i > 0 && i % 3 == 0 && at(expPos, i) > c) {
            // Between the group before i and the group at i.
            const std::int64_t k = i - 2;
            return {std::max<std::int64_t>(0, clicked - at(expPos, k) + at(quotePos, k)), 1};
        }
        if (i % 3 == 1 && at(expPos, i) > c) {
            // Inside this group's expansion: its abbreviation, without the stars.
            const std::int64_t k = i - 1;
            return {std::max<std::int64_t>(0, at(quotePos, k) - 1),
                    std::max<std::int64_t>(1, at(quotePos, k + 1) - at(quotePos, k) - 1)};
        }
        if (at(expPos, u - 2) <= c) break;
    }
    return tailCase(upper, lowerLength, clicked);
}

}  // namespace caret
