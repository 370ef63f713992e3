#include "convert/multi_search.h"

#include <algorithm>

namespace convert {

MultiSearch::MultiSearch(const std::vector<std::string_view>& patterns)
    : patternCount_(patterns.size()), first_(patterns.size()) {
    nodes_.emplace_back();
    for (size_t id = 0; id < patterns.size(); ++id) {
        first_[id] = id;
        if (patterns[id].empty()) continue;
        int node = 0;
        for (unsigned char c : patterns[id]) {
            int child = Child(node, c);
            if (child < 0) {
                child = static_cast<int>(nodes_.size());
                nodes_.emplace_back();
                nodes_.back().depth = nodes_[static_cast<size_t>(node)].depth + 1;
                auto& next = nodes_[static_cast<size_t>(node)].next;
                next.insert(std::lower_bound(next.begin(), next.end(), std::make_pair(c, 0)), {c, child});
            }
            node = child;
        }
        auto& ends = nodes_[static_cast<size_t>(node)].ends;
        if (ends.empty()) {
            ends.push_back(static_cast<int>(id));
        } else {
            first_[id] = static_cast<size_t>(ends.front());
        }
    }
    std::fill(std::begin(rootNext_), std::end(rootNext_), 0);
    for (auto [c, child] : nodes_[0].next) rootNext_[c] = child;

    // Breadth first, so that a node's fail target is settled before the node.
    std::vector<int> order(nodes_[0].next.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = nodes_[0].next[i].second;
    for (size_t at = 0; at < order.size(); ++at) {
        const int node = order[at];
        Node& n = nodes_[static_cast<size_t>(node)];
        n.output = n.ends.empty() ? nodes_[static_cast<size_t>(n.fail)].output : node;
        for (auto [c, child] : n.next) {
            int f = n.fail;
            int target = 0;
            for (;;) {
                const int t = f == 0 ? rootNext_[c] : Child(f, c);
                if (t > 0) {
                    target = t;
                    break;
                }
                if (f == 0) break;
                f = nodes_[static_cast<size_t>(f)].fail;
            }
            nodes_[static_cast<size_t>(child)].fail = target;
            order.push_back(child);
        }
    }
}

int MultiSearch::Child(int node, unsigned char c) const {
    const auto& next = nodes_[static_cast<size_t>(node)].next;
    auto it = std::lower_bound(next.begin(), next.end(), std::make_pair(c, 0));
    return it != next.end() && it->first == c ? it->second : -1;
}

bool MultiSearch::FindAll(std::string_view text, size_t limit, std::vector<std::vector<size_t>>& starts) const {
    starts.assign(patternCount_, {});
    size_t found = 0;
    int node = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        for (;;) {
            if (node == 0) {
                node = rootNext_[c];
                break;
            }
            const int t = Child(node, c);
            if (t >= 0) {
                node = t;
                break;
            }
            node = nodes_[static_cast<size_t>(node)].fail;
        }
        for (int o = nodes_[static_cast<size_t>(node)].output; o > 0;) {
            const Node& n = nodes_[static_cast<size_t>(o)];
            for (int id : n.ends) starts[static_cast<size_t>(id)].push_back(i + 1 - static_cast<size_t>(n.depth));
            found += n.ends.size();
            o = nodes_[static_cast<size_t>(n.fail)].output;
        }
        if (found > limit) return false;
    }
    return true;
}

}  // namespace convert
