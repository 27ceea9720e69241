#!/usr/bin/env python3
"""Run reports (--html, --json) of `tessar`, checked against figures recomputed here.

- The JSON's counts, shares and scores recomputed from the dense ARFF table the same run wrote:
  sequences per class, for each top feature the share of every class holding it and its
  information gain (without classes: the sequences holding it), and the ranking itself (no
  feature left out scores above the last one listed). ngrams with and without classes, disclass,
  motifs form 2, ddms and encode.
- The JSON's keys are those doc/report-format.md lists, in its order.
- Odd inputs: one class, no feature found, class names that are markup: the page escapes them.
- The report files are placed like every named output: refused on an input or on another output
  before anything is written, left out by a failed run, and where the flag names them (not in
  --out-dir).
- A report of 20,000 sequences: the page stays under 2 MB.

Usage: report.py BIN_FOLDER SOURCE_FOLDER
"""
import json
import math
import os
import random
import re
import subprocess
import sys
import tempfile

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL", what)


def tessar(bin_dir, args, cwd):
    return subprocess.run([os.path.join(bin_dir, "tessar")] + args, cwd=cwd, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True, timeout=600)


def unquote(value):
    """An ARFF name as written, quoted when it holds what ARFF reserves."""
    if len(value) >= 2 and value[0] == value[-1] == "'":
        return re.sub(r"\\(.)", r"\1", value[1:-1])
    return value


def read_arff(path):
    """(attribute names, class names or None, rows as (set of feature indexes, class or None))."""
    names, classes, rows, in_data = [], None, [], False
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if in_data:
                if not line:
                    continue
                values = line.split(",")
                n = len(names)
                rows.append(({i for i in range(n) if values[i] == "1"}, unquote(values[n]) if classes is not None else None))
            elif line.startswith("@attribute class {"):
                classes = [unquote(c) for c in line[len("@attribute class {"):-1].split(",")]
            elif line.startswith("@attribute "):
                names.append(line[len("@attribute "):line.rindex(" {")])
            elif line == "@data":
                in_data = True
    return names, classes, rows


def entropy(counts):
    total = sum(counts)
    return -sum(c / total * math.log2(c / total) for c in counts if c) if total else 0.0


def expected_figures(arff):
    names, classes, rows = read_arff(arff)
    k = len(classes) if classes else 0
    per_class = [sum(1 for _, c in rows if c == name) for name in (classes or [])]
    held = [[0] * max(k, 1) for _ in names]
    for ones, c in rows:
        col = classes.index(c) if classes else 0
        for f in ones:
            held[f][col] += 1
    scores = []
    for f in range(len(names)):
        if classes:
            with_f = held[f]
            without = [per_class[c] - with_f[c] for c in range(k)]
            n, nf = sum(per_class), sum(with_f)
            scores.append(entropy(per_class) - nf / n * entropy(with_f) - (n - nf) / n * entropy(without))
        else:
            scores.append(float(held[f][0]))
    return names, classes, rows, per_class, held, scores


def compare_with_table(report, arff, label):
    names, classes, rows, per_class, held, scores = expected_figures(arff)
    check(report["sequences"] == len(rows), f"{label}: sequences {report['sequences']} != {len(rows)}")
    check(report["features"] == len(names), f"{label}: features {report['features']} != {len(names)}")
    check([c["name"] for c in report["classes"]] == (classes or []), f"{label}: class names")
    check([c["sequences"] for c in report["classes"]] == per_class, f"{label}: sequences per class")
    top = report["top_features"]
    check(len(top) == min(30, len(names)), f"{label}: {len(top)} top features")
    last = None
    for item in top:
        if item["name"] not in names:
            check(False, f"{label}: top feature {item['name']!r} is not an attribute")
            continue
        f = names.index(item["name"])
        check(abs(item["score"] - scores[f]) < 1e-8, f"{label}: score of {item['name']}: {item['score']} != {scores[f]}")
        check(item["sequences"] == sum(held[f]), f"{label}: sequences holding {item['name']}")
        if classes:
            for c, name in enumerate(classes):
                want = held[f][c] / per_class[c] if per_class[c] else 0
                check(abs(item["share"][name] - want) < 1e-8, f"{label}: share of {name} holding {item['name']}")
        else:
            check(item["share"] == {}, f"{label}: shares without classes")
        if last is not None:
            check(item["score"] <= last + 1e-12, f"{label}: not best first at {item['name']}")
        last = item["score"]
    if top:
        listed = {item["name"] for item in top}
        missed = [n for f, n in enumerate(names) if n not in listed and scores[f] > top[-1]["score"] + 1e-9]
        check(not missed, f"{label}: better features left out of the top: {missed[:3]}")
    # the heatmap's rows are rows of the table, and their features those the row holds
    by_row = {}
    for item in report["heatmap"]:
        ones, cls = rows[item["row"] - 1]
        check(cls == item["class"], f"{label}: class of heatmap row {item['row']}")
        want = [t for t, feature in enumerate(top) if names.index(feature["name"]) in ones]
        check(item["top_features"] == want, f"{label}: features of heatmap row {item['row']}")
        by_row[item["row"]] = True
    check(len(report["heatmap"]) == min(400, len(rows)), f"{label}: {len(report['heatmap'])} heatmap rows")


def documented_keys(source):
    """The top-level keys of the JSON file as doc/report-format.md lists them, in order."""
    with open(os.path.join(source, "doc", "report-format.md")) as f:
        text = f.read()
    part = text[text.index("## The JSON file"):]
    return re.findall(r"^\| `([a-z_]+)` \|", part, re.M)


def write_classes(path, names, labels):
    with open(path, "w") as f:
        f.write(f"#classes number\n{len(names)}\n#classes names\n")
        f.write("".join(n + "\n" for n in names))
        f.write("#classes instances\n" + "".join(l + "\n" for l in labels))


def page_is_escaped_and_offline(html, label, names):
    check("Content-Security-Policy" in html and "default-src 'none'" in html, f"{label}: no CSP line")
    check(not re.search(r"(src|href)\s*=|url\(|https?://|<script|<link|<img|<iframe", html, re.I),
          f"{label}: the page refers to something outside itself")
    for name in names:
        escaped = name.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;").replace("'", "&#39;")
        check(escaped in html, f"{label}: {name!r} not on the page, escaped")
        if escaped != name:
            check(name not in html, f"{label}: {name!r} on the page as it stands")


def main():
    bin_dir, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    samples = os.path.join(source, "samples")
    seqs, cls = os.path.join(samples, "Sample.txt"), os.path.join(samples, "Sample.cls")
    keys = documented_keys(source)
    check(len(keys) >= 20, f"doc/report-format.md lists {len(keys)} keys")
    with tempfile.TemporaryDirectory(prefix="tessar-report-") as work:
        runs = [
            ("ngrams", ["ngrams", seqs, "--classes", cls, "-n", "2"], "Context.arff"),
            ("ngrams-no-classes", ["ngrams", seqs, "-n", "3"], "Context.arff"),
            ("disclass", ["disclass", seqs, "--classes", cls], "Context.arff"),
            ("motifs-pairs", ["motifs", seqs, "--classes", cls, "--form", "2", "--min-length", "3",
                              "--min-occurrence", "4"], "Context.arff"),
            ("ddms", ["ddms", seqs, "--classes", cls, "--matrix", "blosum62"], "Context.arff"),
        ]
        for label, args, table in runs:
            out = os.path.join(work, label)
            run = tessar(bin_dir, args + ["--out-dir", out, "--json", f"{label}.json", "--html", f"{label}.html"]
                         + (["--save-model", f"{label}.model"] if label == "ngrams" else []), work)
            if run.returncode != 0:
                check(False, f"{label}: status {run.returncode}: {run.stderr[:300]}")
                continue
            with open(os.path.join(work, f"{label}.json")) as f:
                report = json.load(f)
            compare_with_table(report, os.path.join(out, table), label)
            check(list(report) == keys, f"{label}: JSON keys {list(report)} are not the documented {keys}")
            check(report["method"] == args[0] and report["format"] == 1, f"{label}: method or format")
            check(report["inputs"][0]["sequences"] == 18 and report["inputs"][0]["training"], f"{label}: inputs")
            check(sum(b["sequences"] for b in report["lengths"]) == 18, f"{label}: length histogram")
            check(os.path.join(work, f"{label}.html") in [os.path.join(work, o) for o in report["outputs"]],
                  f"{label}: the page is not among the outputs")
            with open(os.path.join(work, f"{label}.html")) as f:
                page_is_escaped_and_offline(f.read(), label, [c["name"] for c in report["classes"]])
            if label == "ddms":
                groups = report["sections"][0]["rows"]
                check(report["sections"][0]["title"] == "Merged groups" and groups, "ddms: no merged groups")
                sizes = [int(r[1]) for r in groups]
                check(sizes == sorted(sizes, reverse=True), "ddms: groups not largest first")
                check(sum(report["features_per_class"].values()) == report["features"], "ddms: features per class")
            if label == "disclass":
                check(sum(report["features_per_class"].values()) == report["features"], "disclass: features per class")
            if label == "motifs-pairs":
                check([s["title"] for s in report["sections"]] == ["Most frequent pairs *X*Y*", "Motifs in most pairs"],
                      "motifs: sections")

        # encode: its rows counted as the table holds them, and the rows holding no feature
        run = tessar(bin_dir, ["encode", seqs, "--model", "ngrams.model", "--classes", cls, "--json", "enc.json",
                               "--arff", "enc.arff"], work)
        check(run.returncode == 0, f"encode: status {run.returncode}: {run.stderr[:300]}")
        if run.returncode == 0:
            with open(os.path.join(work, "enc.json")) as f:
                report = json.load(f)
            compare_with_table(report, os.path.join(work, "enc.arff"), "encode")
            check(report["sections"][0]["title"] == "Encoded sequences", "encode: section")

        # odd inputs: one class; names that are markup; no feature found
        odd = os.path.join(work, "odd")
        os.makedirs(odd)
        write_classes(os.path.join(odd, "one.cls"), ["only"], ["only"] * 18)
        marked = ['<b>&"\'', "a<i>b", "c&d"]
        write_classes(os.path.join(odd, "marked.cls"), marked, [marked[i // 6] for i in range(18)])
        odd_runs = [
            ("one-class", ["ngrams", seqs, "--classes", "one.cls"], ["only"]),
            ("markup", ["disclass", seqs, "--classes", "marked.cls"], marked),
            ("no-feature", ["ngrams", seqs, "--classes", "marked.cls", "-n", "4000"], marked),
        ]
        for label, args, names in odd_runs:
            run = tessar(bin_dir, args + ["--out-dir", label, "--json", f"{label}.json", "--html", f"{label}.html"], odd)
            if run.returncode != 0:
                check(False, f"{label}: status {run.returncode}: {run.stderr[:300]}")
                continue
            with open(os.path.join(odd, f"{label}.json")) as f:
                report = json.load(f)
            with open(os.path.join(odd, f"{label}.html")) as f:
                page_is_escaped_and_offline(f.read(), label, names)
            compare_with_table(report, os.path.join(odd, label, "Context.arff"), label)
            if label == "one-class":
                check(all(t["score"] == 0 for t in report["top_features"]), "one class: a gain that is not 0")
            if label == "no-feature":
                check(report["features"] == 0 and report["top_features"] == [], "no feature: top features")

        # placed like every named output
        place = os.path.join(work, "place")
        os.makedirs(place)
        for args, status in [(["--html", seqs], 2), (["--json", "same", "--html", "same"], 2),
                             (["--json", "r.json", "--arff", "r.json"], 2)]:
            run = tessar(bin_dir, ["ngrams", seqs, "--classes", cls] + args, place)
            check(run.returncode == status, f"{args}: status {run.returncode}, not {status}")
            check(os.listdir(place) == [], f"{args}: left {os.listdir(place)}")
        write_classes(os.path.join(work, "short.cls"), ["a", "b"], ["a"] * 9 + ["b"] * 8)
        run = tessar(bin_dir, ["ngrams", seqs, "--classes", os.path.join(work, "short.cls"),
                               "--json", "bad.json", "--html", "bad.html"], place)
        check(run.returncode == 1 and os.listdir(place) == [], f"failed run: status {run.returncode}, left {os.listdir(place)}")
        run = tessar(bin_dir, ["ngrams", seqs, "--classes", cls, "--out-dir", "o", "--html", "r.html"], place)
        check(run.returncode == 0 and os.path.exists(os.path.join(place, "r.html"))
              and not os.path.exists(os.path.join(place, "o", "r.html")), "--html is not where it names")

        # 20,000 sequences: the page under 2 MB
        big = os.path.join(work, "big.fasta")
        rng = random.Random(3)
        with open(big, "w") as f:
            for i in range(20000):
                body = "".join(rng.choice("ACDEFGHIKLMNPQRSTVWY") for _ in range(rng.randint(20, 60)))
                f.write(f">s{i} c{i * 7 // 20000}\n{body}\n")
        run = tessar(bin_dir, ["classes", big, "--from-headers", " ,2", "-o", "big.cls"], work)
        run = tessar(bin_dir, ["ngrams", big, "--classes", "big.cls", "-n", "2", "--out-dir", "big",
                               "--html", "big.html", "--json", "big.json"], work)
        check(run.returncode == 0, f"20,000 sequences: status {run.returncode}: {run.stderr[:300]}")
        if run.returncode == 0:
            size = os.path.getsize(os.path.join(work, "big.html"))
            check(size < 2 * 1024 * 1024, f"20,000 sequences: the page is {size} bytes")
            with open(os.path.join(work, "big.json")) as f:
                report = json.load(f)
            check(len(report["heatmap"]) <= 400 and len(report["heatmap"]) >= 395, "20,000 sequences: heatmap rows")
            print(f"20,000 sequences: page {size} bytes, {len(report['heatmap'])} heatmap rows")
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
