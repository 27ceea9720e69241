#include "discover/search.h"

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick, MotifFound on_found) {
    Search s{tree, params, std::move(tick), std::move(on_found)};
    s.masks = make_masks(*tree.sample, params.Dist);
    return s;
}

namespace {

// Writes residue c at buffer position k, followed by the closing star.
void put(Search& s, int k, char c) {
    s.B.resize(k);
    s.B.push_back(c);
    s.B.push_back('*');
}

// Level 0 of a frame stack: the rows of the pattern the walk's paths extend.
RowFrame& base(FrameStack& rows) {
    if (rows.levels.empty()) rows.levels.resize(1);
    rows.levels[0].current = 0;
    return rows.levels[0].frames[0];
}

// Extends the rows by letter i of `node` at walk level `level` (the size of the walk stack):
// the first letter of a node starts from its parent's last frame, the others from the frame
// of the letter before.
Extension extend(Search& s, FrameStack& rows, size_t level, int i, char c, bool tested) {
    if (rows.levels.size() <= level) rows.levels.resize(level + 1);
    FrameStack::Level& here = rows.levels[level];
    const FrameStack::Level& parent = rows.levels[level - 1];
    const RowFrame& from = i == 0 ? parent.frames[parent.current] : here.frames[here.current];
    const int to = i == 0 ? 0 : 1 - here.current;
    const Extension e = extend_rows(s.masks, from, c, here.frames[to], tested, s.params.Minsam);
    here.current = to;
    if (tested && s.tick && e.ticks > 0) s.tick(e.ticks);
    return e;
}

const RowFrame& current(const FrameStack& rows, size_t level) {
    const FrameStack::Level& here = rows.levels[level];
    return here.frames[here.current];
}

void report(Search& s, int occurrences) {
    ++s.Ct;
    if (s.on_found) s.on_found(occurrences, s.B, s.Ct);
}

}  // namespace

void one_ptn(Search& s) {
    whole_text_frame(s.masks, base(s.x_rows));
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(s, k, c);
        if (k < s.params.Minlgh) {  // not tested, but its rows lead to the tested ones
            extend(s, s.x_rows, s.S1.size(), i, c, false);
            return true;
        }
        if (k > s.params.Maxlgh) return false;
        ++s.St;
        const int count = extend(s, s.x_rows, s.S1.size(), i, c, true).count;
        // every extension of a rejected X needs at least as many operations in every sequence
        if (count < 0) return false;
        s.MLst.push_back(s.B.substr(1, k));
        report(s, count);
        return true;
    });
}

void cut(Search& s) {
    whole_text_frame(s.masks, base(s.x_rows));
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(s, k, c);
        if (k >= s.params.Maxlgh || extend(s, s.x_rows, s.S1.size(), i, c, true).count < 0) {
            truncate_node(s.tree, node, i);
            return false;
        }
        return true;
    });
}

void second_ptn(Search& s, int start, const RowFrame& x) {
    const int x_length = start - 2;
    gap_frame(s.masks, x, base(s.y_rows));
    walk(s.tree, start, s.S2, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(s, k, c);
        const int y_length = k - start + 1;
        const int length = x_length + y_length;
        if (length < s.params.Minlgh) {
            extend(s, s.y_rows, s.S2.size(), i, c, false);
            return true;
        }
        if (length > s.params.Maxlgh) return false;
        ++s.St;
        const int count = extend(s, s.y_rows, s.S2.size(), i, c, true).count;
        if (count < 0) return false;
        s.pairs.emplace_back(s.B.substr(1, x_length), s.B.substr(start, y_length));
        report(s, count);
        return true;
    });
}

void first_ptn(Search& s) {
    cut(s);
    // every X left in the tree, of any length, is paired with every Y left in it
    whole_text_frame(s.masks, base(s.x_rows));
    walk(s.tree, 1, s.S1, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(s, k, c);
        const size_t level = s.S1.size();
        extend(s, s.x_rows, level, i, c, false);
        second_ptn(s, k + 2, current(s.x_rows, level));
        return true;
    });
}
