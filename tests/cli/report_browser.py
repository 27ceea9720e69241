#!/usr/bin/env python3
"""The report's page in a real browser: headless Chromium (Debian package `chromium`) loads it
offline and draws it.

- `--dump-dom` of the page holds the class names and the top feature of the JSON file, and the
  screenshot is a drawn page (not blank);
- no request leaves the page: Chromium's own network log of the page's load names no host
  beyond those the browser asks on an empty page (its update and account services); a page that
  does fetch an image and a style sheet is caught by the same check, so the check can fail;
- odd inputs render too: no classification file, one class, no feature found, class names
  that are markup (the DOM holds them as text, no element of their making).

Exits 77 (CTest's skip) with a message when chromium is not installed.
Usage: report_browser.py BIN_FOLDER SOURCE_FOLDER
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

failures = []
# the browser's own services, asked whatever the page
BROWSER_SERVICES = ("google.com", "googleapis.com", "gvt1.com", "gstatic.com", "~notfound")


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL", what)


def chromium(page, *args, net_log=None):
    """Runs headless Chromium offline on `page`; returns its standard output."""
    command = [CHROMIUM, "--headless", "--disable-gpu", "--no-first-run", "--disable-extensions",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--disable-default-apps", "--host-resolver-rules=MAP * ~NOTFOUND", "--proxy-server=127.0.0.1:9",
               "--user-data-dir=" + os.path.join(WORK, "profile")]
    if os.geteuid() == 0:
        command.append("--no-sandbox")  # Chromium refuses to run as root with its sandbox
    if net_log:
        command.append("--log-net-log=" + net_log)
    run = subprocess.run(command + list(args) + ["file://" + page], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True, timeout=120)
    return run.stdout


def hosts_asked(page):
    """The hosts named by Chromium's network log while it loads `page`."""
    log = os.path.join(WORK, "net.json")
    chromium(page, "--dump-dom", net_log=log)
    with open(log) as f:
        text = f.read()
    # an interrupted log lacks its closing brackets
    try:
        events = json.loads(text)["events"]
    except ValueError:
        events = json.loads(text.rstrip().rstrip(",") + "]}")["events"]
    hosts = set()
    for event in events:
        params = event.get("params", {})
        for key in ("url", "original_url"):
            if key in params:
                host = urllib.parse.urlsplit(params[key]).hostname
                if host:
                    hosts.add(host)
        if "host" in params:
            hosts.add(params["host"].split(":")[0])
    return {h for h in hosts if not h.endswith(BROWSER_SERVICES)}


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", f"{path}: not a PNG")
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def main():
    global CHROMIUM, WORK
    CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
    if not CHROMIUM:
        print("SKIP: chromium is not installed (Debian package chromium; scripts/setup installs it)")
        return 77
    bin_dir, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    tessar = os.path.join(bin_dir, "tessar")
    samples = os.path.join(source, "samples")
    seqs, cls = os.path.join(samples, "Sample.txt"), os.path.join(samples, "Sample.cls")
    with tempfile.TemporaryDirectory(prefix="tessar-browser-") as WORK:
        with open(os.path.join(WORK, "marked.cls"), "w") as f:
            names = ['<b>&"\'', "x<img src=y>", "c&d"]
            f.write("#classes number\n3\n#classes names\n" + "".join(n + "\n" for n in names))
            f.write("#classes instances\n" + "".join(names[i // 6] + "\n" for i in range(18)))
        with open(os.path.join(WORK, "one.cls"), "w") as f:
            f.write("#classes number\n1\n#classes names\nonly\n#classes instances\n" + "only\n" * 18)
        empty = os.path.join(WORK, "empty.html")
        with open(empty, "w") as f:
            f.write("<!DOCTYPE html><title>empty</title>")
        baseline = hosts_asked(empty)
        runs = [
            ("disclass", ["disclass", seqs, "--classes", cls]),
            ("no-classes", ["ngrams", seqs]),
            ("one-class", ["motifs", seqs, "--classes", "one.cls", "--min-length", "3"]),
            ("no-feature", ["ngrams", seqs, "--classes", cls, "-n", "5000"]),
            ("markup", ["ddms", seqs, "--classes", "marked.cls"]),
        ]
        for label, args in runs:
            page = os.path.join(WORK, label + ".html")
            run = subprocess.run([tessar] + args + ["--out-dir", label, "--html", page, "--json", label + ".json"],
                                 cwd=WORK, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            if run.returncode != 0:
                check(False, f"{label}: status {run.returncode}: {run.stderr[:300]}")
                continue
            with open(os.path.join(WORK, label + ".json")) as f:
                report = json.load(f)
            dom = chromium(page, "--dump-dom")
            check("</body>" in dom, f"{label}: the browser gave no DOM")
            for c in report["classes"]:
                shown = c["name"].replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
                check(shown in dom, f"{label}: class {c['name']!r} not in the DOM as text")
            check("<b>" not in dom and "<img" not in dom, f"{label}: a class name became an element")
            if report["top_features"]:
                check(report["top_features"][0]["name"] in dom, f"{label}: the top feature is not in the DOM")
            else:
                check("No feature was found." in dom, f"{label}: no word on the missing features")
            shot = os.path.join(WORK, label + ".png")
            chromium(page, "--hide-scrollbars", "--window-size=1200,1600", "--screenshot=" + shot)
            check(os.path.exists(shot) and png_size(shot) == (1200, 1600), f"{label}: no screenshot")
            check(os.path.exists(shot) and os.path.getsize(shot) > 20000, f"{label}: the screenshot looks blank")
            if label == "disclass":
                asked = hosts_asked(page) - baseline
                check(not asked, f"the page asked for {sorted(asked)}")
        # the check itself: a page that fetches is caught
        fetching = os.path.join(WORK, "fetching.html")
        with open(fetching, "w") as f:
            f.write('<!DOCTYPE html><img src="http://images.example.org/a.png">'
                    '<link rel="stylesheet" href="https://fonts.example.net/b.css">')
        caught = hosts_asked(fetching)
        check({"images.example.org", "fonts.example.net"} <= caught, f"a fetching page passed the check: {caught}")
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
