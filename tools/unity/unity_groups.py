#!/usr/bin/env python3
"""Writes cmake/UnityGroups.cmake: the unity-build groups of each target.

Files of one group are compiled as one translation unit, so two files whose
file-local names (anonymous namespace, static, namespace-scope constants,
macros) coincide must not share a group. The scan is textual and errs on the
side of keeping files apart; a file not listed is compiled on its own.

Run from the repository root after adding or renaming source files:
    python3 tools/unity/unity_groups.py
"""
import os
import re
import sys

BATCH = 8

# Target -> (directories, excluded sub-directories), as CMakeLists.txt builds them.
TARGETS = [
    ("engine", ["engine"], []),
    ("graphics_codecs", ["graphics/codecs", "graphics/shaders"], []),
    ("graphics", ["graphics"], ["graphics/codecs", "graphics/shaders"]),
    ("game", ["game"], []),
    ("server", ["server"], []),
    ("sound", ["sound"], []),
    ("client", ["client"], []),
    ("ui", ["ui"], []),
    ("editors", ["editors"], []),
    ("engine_tests", ["tests/engine"], []),
    ("game_tests", ["tests/game"], []),
    ("graphics_tests", ["tests/graphics"], ["tests/graphics/shaders"]),
    ("shader_tests", ["tests/graphics/shaders"], []),
    ("sound_tests", ["tests/sound"], []),
    ("server_tests", ["tests/server"], []),
    ("client_tests", ["tests/client"], []),
    ("ui_tests", ["tests/ui"], []),
    ("editors_tests", ["tests/editors"], []),
    ("tools_tests", ["tests/tools"], []),
    ("selfplay", ["tests/support/selfplay"], []),
]

IDENT = r"[A-Za-z_]\w*"
KEYWORDS = {"if", "for", "while", "switch", "return", "sizeof", "decltype", "operator",
            "const", "constexpr", "static", "inline", "template", "typename", "noexcept"}


def strip(text):
    """Removes comments and the contents of string and char literals."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = n if j < 0 else j + 2
            out.append(" ")
        elif c == 'R' and text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            if m:
                end = text.find(")" + m.group(1) + '"', i)
                i = n if end < 0 else end + len(m.group(1)) + 2
                out.append('""')
            else:
                out.append(c)
                i += 1
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def local_names(path):
    """The names a .cpp file declares that are local to its translation unit."""
    text = open(path, encoding="utf-8", errors="replace").read()
    names = set()
    for m in re.finditer(r"^\s*#\s*define\s+(" + IDENT + ")", text, re.M):
        names.add("#" + m.group(1))
    for m in re.finditer(r"^\s*using\s+namespace\s+([\w:]+)", text, re.M):
        names.add("using namespace " + m.group(1))
    text = strip(text)
    text = re.sub(r"^\s*#.*$", "", text, flags=re.M)
    # Walk the braces; `scopes` holds for each open brace its kind.
    scopes = []  # ("ns", name) or ("other", None)
    stmt = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        at_ns = all(k == "ns" for k, _ in scopes)
        if c == "{":
            head = "".join(stmt).strip()
            if at_ns:
                m = re.search(r"\bnamespace\s*([\w:]*)\s*$", head)
                if m:
                    scopes.append(("ns", m.group(1) or "<anon>"))
                    stmt = []
                    i += 1
                    continue
                record(head, scopes, names, definition=True)
            scopes.append(("other", None))
            stmt = [] if at_ns else stmt
            i += 1
            continue
        if c == "}":
            if scopes:
                kind, _ = scopes.pop()
            stmt = []
            i += 1
            continue
        if c == ";":
            if at_ns:
                record("".join(stmt).strip(), scopes, names, definition=False)
            stmt = []
            i += 1
            continue
        if at_ns:
            stmt.append(c)
        i += 1
    return names


def record(head, scopes, names, definition):
    if not head:
        return
    anon = any(name == "<anon>" for _, name in scopes)
    ns = "::".join(name for _, name in scopes if name != "<anon>")
    head = re.sub(r"\s+", " ", head)
    head = re.sub(r"^template ?<.*?> ?", "", head)
    if head.startswith("extern"):
        return
    local = anon or re.match(r"(static|constexpr|const) ", head) or " constexpr " in " " + head + " "
    m = re.match(r"(?:typedef .* )?(struct|class|enum(?: class)?|union) (" + IDENT + ")", head)
    if m:
        if anon:
            names.add(ns + "::" + m.group(2))
        return
    m = re.match(r"using (" + IDENT + ") ?=", head)
    if m:
        if anon:
            names.add(ns + "::" + m.group(1))
        return
    if not local:
        return
    if "::" in re.split(r"[(=\[{]", head)[0].split(" ")[-1]:
        return  # a member defined out of its class
    m = re.match(r".*?(" + IDENT + r") ?\(", head)
    if m and "=" not in head.split("(")[0]:
        # TEST(...) and other macro calls declare names of their own.
        if m.group(1) not in KEYWORDS and not re.fullmatch(r"[A-Z_0-9]+", m.group(1)):
            names.add(ns + "::" + m.group(1))
        return
    m = re.match(r".*?(" + IDENT + r") ?(=|\[|\{|$)", head)
    if m and m.group(1) not in KEYWORDS:
        names.add(ns + "::" + m.group(1))


def header_types(root):
    """Class and function names the project's headers declare at namespace scope: a file
    that declares one of them for itself compiles alone (in a group another
    file's include would make the name ambiguous)."""
    types = set()
    for d in ["engine", "graphics", "game", "server", "sound", "client", "ui", "editors", "main",
              "tools", "tests"]:
        for base, _, fs in os.walk(os.path.join(root, d)):
            for f in fs:
                if f.endswith(".h"):
                    text = open(os.path.join(base, f), encoding="utf-8", errors="replace").read()
                    for m in re.finditer(r"^(?:struct|class|enum class|enum|union) (" + IDENT + r")\b(?!;)",
                                         text, re.M):
                        types.add(m.group(1))
                    # Free functions declared at the left margin.
                    for m in re.finditer(r"^(?!return|else|case|using|typedef|friend)[A-Za-z_][\w:<>,*& ]*[ *&](" +
                                         IDENT + r")\(", text, re.M):
                        types.add(m.group(1))
    return types


def sources(root, dirs, excluded):
    files = []
    for d in dirs:
        for base, _, fs in os.walk(os.path.join(root, d)):
            rel = os.path.relpath(base, root)
            if any(rel == e or rel.startswith(e + "/") for e in excluded):
                continue
            files += [os.path.join(rel, f) for f in fs if f.endswith(".cpp")]
    return sorted(files)


def main():
    root = os.getcwd()
    lines = ["# Written by tools/unity/unity_groups.py: which sources share a unity",
             "# translation unit. A source not listed compiles on its own."]
    total = grouped = 0
    shared_types = header_types(root)
    for target, dirs, excluded in TARGETS:
        groups = []  # [files, names]
        for f in sources(root, dirs, excluded):
            total += 1
            names = local_names(f)
            # Xlib's macros (None, Bool, Status …) would reach the group's other files.
            if re.search(r'#include <(SDL_syswm\.h|X11/)', open(os.path.join(root, f), encoding="utf-8",
                                                              errors="replace").read()):
                continue
            if any(n.split("::")[-1] in shared_types for n in names if not n.startswith(("#", "using"))):
                continue
            for g in groups:
                if len(g[0]) < BATCH and not (g[1] & names):
                    g[0].append(f)
                    g[1] |= names
                    break
            else:
                groups.append([[f], set(names)])
        lines.append(f"set(GLOAM_UNITY_{target}")
        for k, (files, _) in enumerate(groups):
            if len(files) < 2:
                continue
            grouped += len(files)
            for f in files:
                lines.append(f"    {f} {k}")
        lines.append(")")
    out = os.path.join(root, "cmake", "UnityGroups.cmake")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    open(out, "w").write("\n".join(lines) + "\n")
    print(f"{grouped} of {total} sources in unity groups -> {out}")


if __name__ == "__main__":
    sys.exit(main())
