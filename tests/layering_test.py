#!/usr/bin/env python3
"""The include rules of the source tree, checked on every #include "...".

Each folder may include only the folders listed for it; the parts of
src/thermo are layered base <- harmonic <- qha <- formats <- cli, the
folders of formats among themselves text <- yaml <- inputs <- outputs, and
the Python module uses every part but the command line. A file of src/thermo
over 250 lines fails too: one file per job.

    layering_test.py SOURCE_DIR
"""
import pathlib
import re
import sys

THERMO_PARTS = ["base", "harmonic", "qha", "formats/text", "formats/yaml", "formats/inputs",
                "formats/outputs", "cli"]
# Folders of src/thermo that hold folders, not files.
THERMO_GROUPS = ["formats"]

# Folder (relative to src/) -> the include prefixes it may use.
ALLOWED = {
    "common": ["common/"],
    "heat_capacity": ["common/", "heat_capacity/"],
    "python": ["common/"] + ["thermo/%s/" % p for p in THERMO_PARTS if p != "cli"],
}
for i, part in enumerate(THERMO_PARTS):
    ALLOWED["thermo/" + part] = ["common/"] + ["thermo/%s/" % p for p in THERMO_PARTS[: i + 1]]

MAX_LINES = 250
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def folder_of(src, path):
    rel = path.relative_to(src).parts
    if rel[0] == "thermo" and len(rel) > 3 and rel[1] in THERMO_GROUPS:
        return "thermo/%s/%s" % (rel[1], rel[2])
    if rel[0] == "thermo" and len(rel) > 2:
        return "thermo/" + rel[1]
    return rel[0]


def main():
    src = pathlib.Path(sys.argv[1]) / "src"
    layout = (src.parent / "docs" / "layout.md").read_text(encoding="utf-8")
    named = set(re.findall(r"[A-Za-z0-9_.]+", layout))
    faults = []
    checked = 0
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".cpp", ".hpp"):
            continue
        folder = folder_of(src, path)
        where = path.relative_to(src.parent)
        if folder not in ALLOWED:
            faults.append("%s: a source file outside the known folders (%s)" % (where, ", ".join(ALLOWED)))
            continue
        # A job's .cpp and .hpp go by the job's name; a header alone by its
        # own name, as the page writes it.
        alone = path.suffix == ".hpp" and not path.with_suffix(".cpp").exists()
        shown = path.name if alone or path.name == "main.cpp" else path.stem
        if shown not in named:
            faults.append("%s: docs/layout.md does not name %s" % (where, shown))
        text = path.read_text(encoding="utf-8")
        if folder.startswith("thermo/") and text.count("\n") > MAX_LINES:
            faults.append("%s: %d lines, more than %d" % (where, text.count("\n"), MAX_LINES))
        for m in INCLUDE.finditer(text):
            name = m.group(1)
            checked += 1
            line = text.count("\n", 0, m.start()) + 1
            if "/" not in name:
                # A header beside the file, as the Python module's are.
                if not (path.parent / name).exists():
                    faults.append("%s:%d: \"%s\" is not beside it" % (where, line, name))
                continue
            if not (src / name).exists():
                faults.append("%s:%d: \"%s\" does not exist under src/" % (where, line, name))
            elif not any(name.startswith(p) for p in ALLOWED[folder]):
                faults.append("%s:%d: %s may not include \"%s\" (it may include %s)"
                              % (where, line, folder, name, ", ".join(ALLOWED[folder])))
    for f in faults:
        print(f)
    print("%d includes checked, %d faults" % (checked, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
