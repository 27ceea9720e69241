#include "discover/search.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "parallel/parallel.h"

namespace tessar {

namespace {

// The rows of the patterns along a walk, one slot per tree level: a node's letters alternate
// between the two frames of its level, and its children start from the frame its last letter
// filled. Frames of levels above the current node's parent may be released when they hold
// more words than the budget allows (a long path of branching nodes, many sequences in reach);
// a released level is computed again from the nearest one kept, through the letters of the
// path, when the walk comes back to it. Its rows are the same: every frame on the path is
// complete, as the walk only goes below accepted or untested patterns.
struct FrameStack {
    struct Level {
        RowFrame frames[2];
        int current = 0;
        int end = 0;        // buffer position of the last letter of the pattern frames[current] holds
        bool kept = false;  // whether frames[current] holds it
    };
    std::vector<Level> levels;
    size_t budget = 0;  // words the levels may hold
    size_t held = 0;    // words the levels hold
};

// What one thread needs of its own to walk a branch.
struct Walker {
    std::string pattern = "*";          // B: the candidate, '*', X, '*' [, Y, '*']
    std::vector<int> x_stack, y_stack;  // S1, S2: walk stacks of the X walks and of the Y walk
    FrameStack x_rows, y_rows;          // rows along the X walk and along the Y walk
    unsigned long unshown = 0;          // candidates checked since the progress was last shown
};

// What a branch found, kept until its turn to be reported.
struct BranchResult {
    struct Report {
        unsigned long ticks_before;  // ticks since the previous report of the branch
        int occurrences;
    };
    unsigned long n_checked = 0;
    std::vector<Report> reports;
    unsigned long ticks_after = 0;  // ticks after the last report
    std::vector<std::string> motifs;                          // form 1, one per report
    std::vector<std::pair<std::string, std::string>> pairs;  // form 2, one per report
    std::exception_ptr failure;
};

// Writes residue c at buffer position k, followed by the closing star.
void put(Walker& w, int k, char c) {
    w.pattern.resize(k);
    w.pattern.push_back(c);
    w.pattern.push_back('*');
}

// Level 0 of a frame stack, the rows of the pattern ending at buffer position `end` that the
// walk's paths extend; the levels above are forgotten.
RowFrame& base(const Search& s, FrameStack& rows, int end) {
    if (rows.levels.empty()) rows.levels.resize(1);
    if (rows.budget == 0) {  // enough for every level of any ordinary walk
        const size_t whole = static_cast<size_t>(s.masks.dist + 1) * s.masks.total_words;
        rows.budget = s.frame_budget > 0 ? s.frame_budget : 64 * whole + (size_t{1} << 20);
    }
    for (auto& level : rows.levels) level.kept = false;
    FrameStack::Level& root = rows.levels[0];
    root.current = 0;
    root.end = end;
    root.kept = true;
    return root.frames[0];
}

const RowFrame& current(const FrameStack& rows, size_t level) {
    const FrameStack::Level& here = rows.levels[level];
    return here.frames[here.current];
}

// Frees the frames of every other kept level strictly between the base and `below`, as long as
// the levels hold more than the budget.
void release(FrameStack& rows, size_t below) {
    bool drop = false;
    for (size_t l = 1; l < below && rows.held > rows.budget; ++l) {
        FrameStack::Level& level = rows.levels[l];
        if (!level.kept) continue;
        drop = !drop;
        if (!drop) continue;
        for (RowFrame& f : level.frames) {
            rows.held -= f.capacity;
            f = RowFrame{};
        }
        level.kept = false;
    }
}

// Extends `from` by the letter c at buffer position k into level l: into frames[0] when the
// letter starts the level's node, else into the frame after the current one. Keeps the count
// of words held.
Extension extend_level(const Search& s, FrameStack& rows, size_t l, const RowFrame& from, bool starts_node, int k,
                       char c, bool tested) {
    FrameStack::Level& here = rows.levels[l];
    const int to = starts_node ? 0 : 1 - here.current;
    const size_t before = here.frames[to].capacity;
    const Extension e = extend_rows(s.masks, from, c, here.frames[to], tested, s.params.min_sequences);
    rows.held += here.frames[to].capacity - before;
    here.current = to;
    here.end = k;
    here.kept = true;
    return e;
}

// Makes level l hold the rows of the path's pattern ending at buffer position `end`, from the
// nearest level below that is kept, through the letters of the path in the buffer.
void restore(const Search& s, FrameStack& rows, size_t l, const std::string& pattern, int end) {
    if (rows.levels[l].kept) return;
    size_t below = l - 1;
    while (!rows.levels[below].kept) --below;  // the base is always kept
    int k = rows.levels[below].end + 1;
    extend_level(s, rows, l, current(rows, below), true, k, pattern[k], false);
    for (++k; k <= end; ++k) extend_level(s, rows, l, current(rows, l), false, k, pattern[k], false);
}

// Extends the rows by letter i of a node at walk level `level` (the size of the walk stack),
// at buffer position k: the first letter of a node starts from its parent's last frame, the
// others from the frame of the letter before. A test's ticks go to the branch's count.
Extension extend(const Search& s, Walker& w, FrameStack& rows, size_t level, int i, int k, bool tested,
                 BranchResult& out) {
    if (rows.levels.size() <= level) rows.levels.resize(level + 1);
    if (i == 0) restore(s, rows, level - 1, w.pattern, k - 1);
    const RowFrame& from = i == 0 ? current(rows, level - 1) : current(rows, level);
    const Extension e = extend_level(s, rows, level, from, i == 0, k, w.pattern[k], tested);
    if (rows.held > rows.budget) release(rows, level - 1);
    out.ticks_after += e.ticks;
    return e;
}

// Shows how far the search is, on the thread that runs it.
void show_progress(const Search& s) {
    if (s.on_progress && std::this_thread::get_id() == s.owner)
        s.on_progress(s.live->checked.load(std::memory_order_relaxed), s.live->found.load(std::memory_order_relaxed));
}

// Counts one candidate checked, in the branch and in the live counts.
void count_checked(const Search& s, Walker& w, BranchResult& out) {
    ++out.n_checked;
    s.live->checked.fetch_add(1, std::memory_order_relaxed);
    if (++w.unshown >= 4096) {
        w.unshown = 0;
        stop_if_requested();
        show_progress(s);
    }
}

void report(const Search& s, BranchResult& out, int occurrences) {
    s.live->found.fetch_add(1, std::memory_order_relaxed);
    out.reports.push_back({out.ticks_after, occurrences});
    out.ticks_after = 0;
}

// Runs work(walker, i, result) for every branch i on the pool's threads, the biggest branches
// first, and hands the results on in branch order on the calling thread, each as soon as all
// before it are handed on. A branch that failed is handed on as far as it got, then its failure
// (or one of deliver's) is thrown again once the threads have stopped.
void run_branches(const Search& s, const std::vector<int>& tops,
                  const std::function<void(Walker&, size_t, BranchResult&)>& work,
                  const std::function<void(BranchResult&)>& deliver) {
    OrderedTasks branches;
    branches.count = tops.size();
    // the biggest branches first, so that the threads finish together: a branch's size goes
    // with the number of suffixes starting with its letter
    auto weight = [&](size_t i) {
        return label_length(s.tree.nodes[tops[i]]) > 0 ? s.letter_count[static_cast<unsigned char>(
                                                             label_char(s.tree, tops[i], 0))]
                                                       : 0;
    };
    branches.start_order.resize(branches.count);
    for (size_t i = 0; i < branches.count; ++i) branches.start_order[i] = i;
    std::stable_sort(branches.start_order.begin(), branches.start_order.end(),
                     [&](size_t a, size_t b) { return weight(a) > weight(b); });

    std::vector<BranchResult> results(branches.count);
    std::vector<Walker> walkers(branches.workers);
    branches.run = [&](size_t worker, size_t i) {
        try {
            work(walkers[worker], i, results[i]);
        } catch (...) {
            results[i].failure = std::current_exception();
        }
    };
    branches.deliver = [&](size_t i) {
        BranchResult r = std::move(results[i]);  // its memory is freed once handed on
        deliver(r);
        if (r.failure) std::rethrow_exception(r.failure);
    };
    // while the last branches run elsewhere, the progress is still shown
    branches.while_waiting = [&] { show_progress(s); };
    run_ordered(branches);
}

// Hands on one branch's counts, ticks and reports; `pattern(j)` spells report j with stars.
void deliver(Search& s, BranchResult& r, const std::function<std::string(size_t)>& pattern) {
    s.n_checked += r.n_checked;
    for (size_t j = 0; j < r.reports.size(); ++j) {
        if (s.tick && r.reports[j].ticks_before > 0) s.tick(r.reports[j].ticks_before);
        ++s.n_found;
        if (s.on_found) s.on_found(r.reports[j].occurrences, pattern(j), s.n_found);
    }
    if (s.tick && r.ticks_after > 0) s.tick(r.ticks_after);
}

// Tests the candidate ending at buffer position k, its rows extended by letter i of its node
// into `rows` at walk level `level`: counts it and, when it occurs in enough sequences, records
// it with `record` and reports it. False when it is rejected: every extension of it needs at
// least as many operations in every sequence, so none can pass either.
template <class Record>
bool test_candidate(const Search& s, Walker& w, FrameStack& rows, size_t level, int i, int k,
                    BranchResult& out, Record record) {
    count_checked(s, w, out);
    const int count = extend(s, w, rows, level, i, k, true, out).count;
    if (count < 0) return false;
    record();
    report(s, out, count);
    return true;
}

// Form 1 within one branch.
void one_branch(const Search& s, Walker& w, int top, BranchResult& out) {
    whole_text_frame(s.masks, base(s, w.x_rows, 0));
    walk_branch(s.tree, top, 1, w.x_stack, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(w, k, c);
        // no string below reaches the least length: nothing there is tested
        if (i == 0 && k - 1 + s.reach[node] < s.params.min_length) return false;
        if (k < s.params.min_length) {  // not tested, but its rows lead to the tested ones
            extend(s, w, w.x_rows, w.x_stack.size(), i, k, false, out);
            return true;
        }
        if (k > s.params.max_length) return false;
        return test_candidate(s, w, w.x_rows, w.x_stack.size(), i, k, out,
                              [&] { out.motifs.push_back(w.pattern.substr(1, k)); });
    });
}

// The cut within one branch.
void cut_branch(const Search& s, Walker& w, int top, BranchResult& out) {
    whole_text_frame(s.masks, base(s, w.x_rows, 0));
    walk_branch(s.tree, top, 1, w.x_stack, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(w, k, c);
        if (k >= s.params.max_length || extend(s, w, w.x_rows, w.x_stack.size(), i, k, true, out).count < 0) {
            truncate_node(s.tree, node, i);
            return false;
        }
        return true;
    });
}

// Tests *X*Y* for every Y of the tree, X being in the buffer before position `start` - 1 and
// `x` its rows.
void pair_with_every_y(const Search& s, Walker& w, int start, const RowFrame& x, BranchResult& out) {
    const int x_length = start - 2;
    gap_frame(s.masks, x, base(s, w.y_rows, start - 1));
    walk(s.tree, start, w.y_stack, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(w, k, c);
        const int y_length = k - start + 1;
        const int length = x_length + y_length;
        if (i == 0 && length - 1 + s.reach[node] < s.params.min_length) return false;  // as in one_branch
        if (length < s.params.min_length) {
            extend(s, w, w.y_rows, w.y_stack.size(), i, k, false, out);
            return true;
        }
        if (length > s.params.max_length) return false;
        return test_candidate(s, w, w.y_rows, w.y_stack.size(), i, k, out, [&] {
            out.pairs.emplace_back(w.pattern.substr(1, x_length), w.pattern.substr(start, y_length));
        });
    });
}

// Every X of one branch of the cut tree paired with every Y of the whole tree.
void pair_branch(const Search& s, Walker& w, int top, BranchResult& out) {
    whole_text_frame(s.masks, base(s, w.x_rows, 0));
    walk_branch(s.tree, top, 1, w.x_stack, [&](int node, int i, int k) {
        const char c = label_char(s.tree, node, i);
        put(w, k, c);
        const size_t level = w.x_stack.size();
        extend(s, w, w.x_rows, level, i, k, false, out);
        // with no Y long enough, nothing is tested (a longer X may still reach the least length)
        if (k + s.reach[kRoot] >= s.params.min_length) pair_with_every_y(s, w, k + 2, current(w.x_rows, level), out);
        return true;
    });
}

}  // namespace

Search new_search(CandidateTree& tree, const SearchParams& params, MatchTick tick, MotifFound on_found) {
    Search s{tree, params, std::move(tick), std::move(on_found)};
    s.masks = make_masks(*tree.sample, params.mutations);
    for (const auto& seq : *tree.sample)
        for (char c : seq) ++s.letter_count[static_cast<unsigned char>(c)];
    return s;
}

void search_single_motifs(Search& s) {
    s.reach = path_reach(s.tree);
    if (s.params.min_sequences > s.masks.n_sequences) {
        // No candidate can occur in enough sequences: each one of the least length is tested
        // and rejected at once, with one tick (rows.h), and none below it is tested. They are
        // counted, not walked: the walk down to a least length far beyond every motif would
        // cost as much as a search.
        const unsigned long n = s.params.min_length <= s.params.max_length
                                    ? count_strings_of_length(s.tree, s.params.min_length)
                                    : 0;
        s.n_checked = n;
        s.live->checked.fetch_add(n, std::memory_order_relaxed);
        if (s.tick && n > 0) s.tick(n);
        show_progress(s);
        return;
    }
    const std::vector<int> tops = branches(s.tree);
    run_branches(
        s, tops, [&](Walker& w, size_t i, BranchResult& out) { one_branch(s, w, tops[i], out); },
        [&](BranchResult& r) {
            deliver(s, r, [&](size_t j) { return "*" + r.motifs[j] + "*"; });
            for (auto& m : r.motifs) s.motifs.push_back(std::move(m));
        });
}

void cut_inactive(Search& s) {
    const std::vector<int> tops = branches(s.tree);
    run_branches(
        s, tops, [&](Walker& w, size_t i, BranchResult& out) { cut_branch(s, w, tops[i], out); },
        [&](BranchResult& r) { deliver(s, r, [](size_t) { return std::string(); }); });
}

void search_motif_pairs(Search& s) {
    cut_inactive(s);
    s.reach = path_reach(s.tree);
    const std::vector<int> tops = branches(s.tree);
    run_branches(
        s, tops, [&](Walker& w, size_t i, BranchResult& out) { pair_branch(s, w, tops[i], out); },
        [&](BranchResult& r) {
            deliver(s, r, [&](size_t j) { return "*" + r.pairs[j].first + "*" + r.pairs[j].second + "*"; });
            for (auto& p : r.pairs) s.pairs.push_back(std::move(p));
        });
}

}  // namespace tessar
