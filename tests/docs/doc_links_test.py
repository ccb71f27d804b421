#!/usr/bin/env python3
"""Every relative link and image in the README and the pages under docs/ leads to
a file of the checkout, and a link's #anchor to a heading of the page it names.

    doc_links_test.py SOURCE_DIR [PAGE.md ...]

Without pages, checks README.md and docs/*.md. Prints each broken link and exits
1 when there is one (or when no link was found at all).
"""
import glob
import os
import re
import sys

FENCED = re.compile(r"^ {0,3}(```|~~~).*?^ {0,3}\1[^\n]*$", re.M | re.S)
CODE_SPAN = re.compile(r"(`+)(?:(?!\n\s*\n).)+?\1", re.S)
# [text](target) and ![alt](target); the text may run over lines, the target
# may be followed by a title.
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$", re.M)


def blanked(match):
    """A code block or span with its characters blanked, its line breaks kept, so
    that nothing in it is taken for a link and line numbers stay right."""
    return re.sub(r"[^\n]", "x", match.group(0))


def prose(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return text, CODE_SPAN.sub(blanked, FENCED.sub(blanked, text))


def slug(heading):
    """The anchor of a heading: lower case, code marks and punctuation dropped,
    spaces as hyphens."""
    return re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")


def anchors(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    found = set()
    for m in HEADING.finditer(FENCED.sub(blanked, text)):
        base = slug(m.group(1))
        name, n = base, 1
        while name in found:  # repeated headings get -1, -2, ...
            name, n = f"{base}-{n}", n + 1
        found.add(name)
    return found


def check(source_dir, page):
    """The page's links, and the problems found with them."""
    _, text = prose(page)
    links, problems = 0, []
    for m in LINK.finditer(text):
        target = m.group(1)
        links += 1
        if not target or re.match(r"[a-z][a-z0-9+.-]*:", target, re.I):
            continue  # an absolute URL (https:, mailto:) is not the checkout's
        line = text.count("\n", 0, m.start(1)) + 1
        where = f"{os.path.relpath(page, source_dir)}:{line}: {target}"
        path, _, anchor = target.partition("#")
        file = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
        if os.path.commonpath([os.path.realpath(file), source_dir]) != source_dir:
            problems.append(f"{where}: leads out of the checkout")
        elif not os.path.exists(file):
            problems.append(f"{where}: no such file")
        elif anchor and not file.endswith(".md"):
            problems.append(f"{where}: an anchor into a file that is not a page")
        elif anchor and anchor not in anchors(file):
            problems.append(f"{where}: no heading #{anchor} there")
    return links, problems


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    source_dir = os.path.realpath(sys.argv[1])
    pages = sys.argv[2:] or [os.path.join(source_dir, "README.md")] + sorted(
        glob.glob(os.path.join(source_dir, "docs", "*.md")))
    links, problems = 0, []
    for page in pages:
        found, wrong = check(source_dir, os.path.realpath(page))
        links += found
        problems += wrong
    for problem in problems:
        print(f"FAIL: {problem}", file=sys.stderr)
    if links == 0:
        print("FAIL: no links found", file=sys.stderr)
        return 1
    print(f"{len(pages)} pages, {links} links, {len(problems)} broken")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
