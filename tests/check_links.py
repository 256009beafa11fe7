#!/usr/bin/python3
"""Checks the documentation's relative links: every link and image in
README.md and docs/*.md must name a file or folder of the tree, and a
#anchor must name a heading of its page, as GitHub makes its anchors. The
README, the front page, stays short: at most 220 lines.

    check_links.py [ROOT]     (ROOT: the source tree, default: this one)

Prints one line per problem, FILE:LINE: what, and exits 1 where there is one.
"""
import os
import re
import sys
import unicodedata
from urllib.parse import unquote

README_MAX_LINES = 220

FENCE = re.compile(r"^ {0,3}(```|~~~)")
CODE_SPAN = re.compile(r"(`+)(.+?)\1")
ATX = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
SETEXT = re.compile(r"^ {0,3}(=+|-+)\s*$")
# [text](target) and ![alt](target); the target may be <...> and have a title.
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*(<[^>]*>|[^\s)]+)(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*(<[^>]*>|\S+)")
HTML = re.compile(r"<(?:a|img)\s[^>]*?(?:href|src)\s*=\s*\"([^\"]*)\"", re.IGNORECASE)
HTML_ID = re.compile(r"<[a-z]+\s[^>]*?(?:id|name)\s*=\s*\"([^\"]*)\"", re.IGNORECASE)


def prose_lines(text):
    """(line number, line) outside fenced code blocks, code spans blanked."""
    fence = None
    for number, line in enumerate(text.split("\n"), 1):
        opening = FENCE.match(line)
        if fence:
            if opening and opening.group(1) == fence:
                fence = None
            continue
        if opening:
            fence = opening.group(1)
            continue
        yield number, CODE_SPAN.sub(lambda m: " " * len(m.group(0)), line), line


def heading_text(raw):
    """A heading as GitHub renders its text: code spans keep their content,
    links and images their text, emphasis marks go."""
    text = CODE_SPAN.sub(lambda m: m.group(2).strip(), raw)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)
    return re.sub(r"<[^>]+>", "", text)


def slug(text):
    """GitHub's anchor for a heading: lower case, every character that is not
    a letter, mark, number, connector, hyphen or space dropped, each space a
    hyphen."""
    kept = [c for c in text.lower()
            if c in "- " or unicodedata.category(c)[0] in "LMN" or unicodedata.category(c) == "Pc"]
    return "".join(kept).replace(" ", "-")


def anchors(text):
    """Every anchor of a page: its headings' slugs (a repeated one numbered
    -1, -2, ... as GitHub numbers them) and HTML ids."""
    found, seen = set(), {}
    previous = ""
    for _, prose, raw in prose_lines(text):
        title = None
        atx = ATX.match(raw)
        if atx:
            title = atx.group(2)
        elif SETEXT.match(raw) and previous.strip() and not previous.lstrip().startswith(("-", "*", "|", ">")):
            title = previous.strip()
        if title is not None:
            base = slug(heading_text(title))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
        found.update(HTML_ID.findall(prose))
        previous = raw
    return found


def targets(text):
    """(line number, target) of every link and image outside code."""
    for number, prose, _ in prose_lines(text):
        for pattern in (INLINE, REFERENCE, HTML):
            for target in pattern.findall(prose):
                yield number, target.strip("<>")


def check(root):
    pages = [os.path.join(root, "README.md")]
    docs = os.path.join(root, "docs")
    if os.path.isdir(docs):
        pages += sorted(os.path.join(docs, name) for name in os.listdir(docs) if name.endswith(".md"))
    problems, links = [], 0
    texts, page_anchors = {}, {}

    def page(path):
        if path not in texts:
            with open(path, encoding="utf-8") as f:
                texts[path] = f.read()
        return texts[path]

    for path in pages:
        name = os.path.relpath(path, root)
        if not os.path.isfile(path):
            problems.append(f"{name}: missing")
            continue
        text = page(path)
        if path.endswith("README.md"):
            count = len(text.splitlines())
            if count > README_MAX_LINES:
                problems.append(f"{name}: {count} lines, more than {README_MAX_LINES}: move the details to docs/")
        for number, target in targets(text):
            if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target) or target.startswith("//"):
                continue  # a URL: not checked here
            links += 1
            file_part, _, anchor = target.partition("#")
            file_part = unquote(file_part)
            linked = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
            where = f"{name}:{number}"
            if not os.path.exists(linked):
                problems.append(f"{where}: {target}: no such file")
                continue
            if os.path.relpath(linked, root).startswith(".."):
                problems.append(f"{where}: {target}: outside the source tree")
                continue
            if anchor:
                if not (os.path.isfile(linked) and linked.endswith(".md")):
                    problems.append(f"{where}: {target}: an anchor into a file that is not a page")
                    continue
                if linked not in page_anchors:
                    page_anchors[linked] = anchors(page(linked))
                if unquote(anchor) not in page_anchors[linked]:
                    problems.append(f"{where}: {target}: no heading #{anchor} in {os.path.relpath(linked, root)}")
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{links} relative links and images in {len(pages)} pages resolve")
    return 1 if problems else 0


if __name__ == "__main__":
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    sys.exit(check(os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else here))
