#!/usr/bin/env python3
"""Writes the Python module's method tables from the declarations of ZuvoCls.

usage: stubgen.py ZuvoCls.h zuvo.pyi.in OUT_DIR

OUT_DIR gets MethodParameters.inc (the parameter names the bindings give each method) and
zuvo.pyi (the template with the methods and their result tuples filled in). Both come from
the header alone, so neither can drift from its names, types and contracts.
"""

import keyword
import re
import sys
from pathlib import Path
from typing import NamedTuple

FIRST = "  // --- System services: windows and user ---"
LAST = "  // --- Not part of the dispatch interface ---"
METHOD_COUNT = 81

PARAM_TYPES = {
    "const String&": "str", "String&": "str", "String": "str",
    "std::int16_t": "int", "std::int16_t&": "int", "std::int32_t": "int", "std::int32_t&": "int",
    "double": "float", "bool": "bool", "bool&": "bool",
    "const Variant&": "Value", "Variant&": "Value",
    "const ByteArray&": "bytes | bytearray", "ByteArray&": "bytearray",
    "Array<Variant>&": "list[Value] | Array", "Array<String>&": "list[Value] | Array",
    "Connection&": "Connection", "Query&": "Query", "Resultset&": "Resultset",
}
RETURN_TYPES = {
    "String": "str", "std::int16_t": "int", "std::int32_t": "int", "double": "float",
    "bool": "bool", "Variant": "Value", "void": "None",
}
# Handles the caller keeps: the method works through them but hands nothing back.
HANDLES = {"Connection&", "Query&", "Resultset&"}

DECLARATION = re.compile(r"(\S+) (\w+)\((.*)\);")
PARAMETER = re.compile(r"(.*\S)\s+(\w+)")


class Method(NamedTuple):
    ret: str
    name: str
    params: list  # (name, Python type, written) triples
    doc: str


def fail(where, message):
    sys.exit(f"stubgen.py: {where}: {message}")


def parse_declaration(text, where, doc):
    match = DECLARATION.fullmatch(text)
    if not match or match[1] not in RETURN_TYPES:
        fail(where, f"not a declaration this script knows: {text}")
    params = []
    for param in filter(None, (p.strip() for p in match[3].split(","))):
        found = PARAMETER.fullmatch(param)
        if not found or found[1] not in PARAM_TYPES:
            fail(where, f"unknown parameter type in {match[2]}: {param}")
        # A keyword gets PEP 8's trailing underscore, so it can still be passed by name.
        ctype, name = found[1], found[2] + "_" * keyword.iskeyword(found[2])
        if name in ("self", "result"):
            fail(where, f"parameter name {name} of {match[2]} clashes in Python")
        written = ctype.endswith("&") and not ctype.startswith("const ") and ctype not in HANDLES
        params.append((name, PARAM_TYPES[ctype], written))
    return Method(RETURN_TYPES[match[1]], match[2], params, doc)


def parse(header):
    lines = header.read_text(encoding="utf-8").splitlines()
    if FIRST not in lines or LAST not in lines:
        fail(header, "the lines that bound the methods are missing")
    methods, comments, note, section_methods = [], [], [], 0
    i, end = lines.index(FIRST), lines.index(LAST)
    while i < end:
        line, where = lines[i], f"{header}:{i + 1}"
        stripped = line.strip()
        if re.fullmatch(r"// --- .+ ---", stripped):
            if comments:
                fail(where, "comment lines with no declaration before a new section")
            note, section_methods = [], 0
        elif stripped.startswith("//"):
            comments += filter(None, [stripped[2:].strip()])
        elif not stripped:
            # Comments ending in a blank line before a section's first method are its group note.
            if comments and (section_methods or note):
                fail(where, "comment lines followed by a blank line inside a section")
            note, comments = note or comments, []
        elif line.startswith("  ") and not line.startswith("   "):
            if not comments:
                fail(where, "declaration with no contract comment above it")
            text = stripped
            while not text.endswith(";"):
                i += 1
                if i >= end or not lines[i].startswith("    "):
                    fail(where, "declaration does not end in ';'")
                text += " " + lines[i].strip()
            methods.append(parse_declaration(text, where, " ".join(comments + note)))
            comments, section_methods = [], section_methods + 1
        else:
            fail(where, f"unexpected line: {line}")
        i += 1
    if comments:
        fail(f"{header}:{end}", "comment lines with no declaration at the end of the methods")
    if len(methods) != METHOD_COUNT:
        fail(header, f"{len(methods)} methods, not {METHOD_COUNT}")
    return methods


def docstring(text):
    # Python reads a conversion's report from the object's property.
    text = text.replace("lastConversion()", "last_conversion")
    text = text.replace("\\", "\\\\").replace('"""', '\\"\\"\\"')
    if text.endswith('"'):
        text = text[:-1] + '\\"'
    return f'"""{text}"""'


def stub(m):
    """The text of m's result class ("" when it writes nothing) and of its method."""
    written = [(n, t) for n, t, w in m.params if w]
    # Written parameters after the last one read may be left out by the caller.
    optional = len(m.params)
    while optional and m.params[optional - 1][2]:
        optional -= 1
    params = ", ".join(["self"] + [f"{n}: {t}" + " = ..." * (k >= optional)
                                   for k, (n, t, _) in enumerate(m.params)])
    fields = "".join(f"    {n}: {t}\n" for n, t in [("result", m.ret)] + written)
    result = f"class {m.name}Result(NamedTuple):\n{fields}" if written else ""
    returns = m.name + "Result" if written else m.ret
    return result, f"    def {m.name}({params}) -> {returns}:\n        {docstring(m.doc)}\n"


def replace_marker(path, template, marker, text):
    lines = template.splitlines(keepends=True)
    if [line.rstrip("\n") for line in lines].count(marker) != 1:
        fail(path, f"needs the line '{marker}' once")
    return "".join(text if line.rstrip("\n") == marker else line for line in lines)


def main(argv):
    if len(argv) != 4:
        sys.exit("usage: stubgen.py ZuvoCls.h zuvo.pyi.in OUT_DIR")
    header, template, out = Path(argv[1]), Path(argv[2]), Path(argv[3])
    methods = parse(header)
    out.mkdir(parents=True, exist_ok=True)
    names = ["// Generated by stubgen.py from ZuvoCls.h: the parameter names of each method.\n"]
    for m in methods:
        quoted = ", ".join(f'"{n}"' for n, _, _ in m.params)
        names.append(f'{{"{m.name}", {{{quoted}}}}},\n')
    (out / "MethodParameters.inc").write_text("".join(names), encoding="utf-8")
    results, defs = zip(*map(stub, methods))
    text = template.read_text(encoding="utf-8")
    text = replace_marker(template, text, "    # @METHODS@", "\n".join(defs))
    text = replace_marker(template, text, "# @RESULTS@", "\n".join(filter(None, results)))
    (out / "zuvo.pyi").write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main(sys.argv)
