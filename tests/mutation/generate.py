#!/usr/bin/env python3
"""Generated one-line faults for tests/mutation/check.

    generate.py count                              every candidate fault, by kind
    generate.py sample --sample N --seed S [--out FILE] [--brief] [NUMBER...]
                                                   picks N of them, prints them (or with
                                                   --brief only how many), saves them
    generate.py apply FILE NUMBER                  makes fault NUMBER of a saved sample
    generate.py show FILE NUMBER                   prints it as `sample` does
    generate.py where FILE NUMBER                  prints the source file it changes
    generate.py size FILE                          prints how many faults the saved sample holds

Every .cpp and .h under plugin/ is read, in byte order of its path, line by
line. Comments, string and character literals, preprocessor lines, static
asserts and the lines of a `#if defined(_WIN32)` branch this build does not
compile are never changed. Four kinds of fault are made:

  comparison  one operator written with a space on both sides: < <= > >= == !=
              && || become <= < >= > != == || && (template brackets are never
              spaced so; << and >> are left alone)
  constant    one integer or floating literal moved up by one (0 -> 1, 256 ->
              257, 1.0f -> 2.0f); not a template argument nor the bound of a
              declared array, nor the "= 0" of a pure virtual function, nor a
              move that the literal's type cannot hold
  statement   a line that is a whole statement inside a function, ending in
              `;`, replaced by the empty statement `;`; not a declaration whose
              name the rest of its block uses, nor a `return;`, `continue;`
              or `break;` that ends the block it would leave anyway, nor the
              `return value;` that ends a function, nor a container's reserve
              or shrink_to_fit
  arguments   the first two arguments of a call swapped, when both are on the
              line and differ (not those of min, max or swap)

The candidates are numbered in a stable order (file, line, column, kind), and
the sample is drawn with a generator of its own (splitmix64), so the same seed
over the same tree gives the same faults on every machine. A saved fault holds
its file, line number and the line's text: it is made only while the line still
reads so.
"""

import argparse
import decimal
import json
import os
import re
import struct
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
KINDS = ("comparison", "constant", "statement", "arguments")


# ---------------------------------------------------------------------------
# Reading a file: code with comments and literals blanked out, and its blocks.


def blank_comments_and_literals(text):
    """The text with every comment turned into spaces and the inside of every
    string and character literal into '_', newlines kept: offsets stay those of
    the text."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            out.append(" " * (end - i))
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c == "R" and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delimiter = text[i + 2:open_paren]
            end = text.find(")" + delimiter + '"', open_paren)
            end = n if end < 0 else end + len(delimiter) + 2
            out.append('R"' + re.sub(r"[^\n]", "_", text[i + 2:end - 1]) + '"')
            i = end
        elif c in "\"'":
            if c == "'" and i > 0 and text[i - 1].isdigit():
                out.append(c)  # a digit separator
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j, n - 1)
            out.append(c + "_" * (j - i - 1) + text[j])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def split_lines(text):
    """Lines without their ending, and each ending."""
    pieces = text.split("\n")
    lines, endings = [], []
    for index, piece in enumerate(pieces):
        last = index == len(pieces) - 1
        if last and piece == "":
            break
        body = piece.rstrip("\r")
        lines.append(body)
        endings.append(piece[len(body):] + ("" if last else "\n"))
    return lines, endings


CONTROL = re.compile(r"^(?:else\s+)?(if|for|while|switch|catch)\b|^(else|do|try)$")
LABEL = re.compile(r"^(?:case\b.*|default|public|private|protected)\s*:$")
DECLARATION = re.compile(
    r"^(?:(?:const|constexpr|static|thread_local|volatile|inline|unsigned|signed)\s+)*"
    r"[A-Za-z_][\w:]*(?:<.*>)?(?:\s*[*&]+\s*|\s+)(?:const\s+)?([A-Za-z_]\w*)\s*(?:=|\{|\(|\[|;)")
NOT_A_TYPE = {"return", "throw", "delete", "goto", "case", "else", "do", "new", "co_return", "co_yield", "co_await"}
NOT_A_CALL = {
    "if", "for", "while", "switch", "return", "sizeof", "alignof", "alignas", "decltype", "catch", "noexcept",
    "static_assert", "operator", "new", "delete", "throw", "defined", "requires", "typeid", "void", "bool", "char",
    "short", "int", "long", "float", "double", "unsigned", "signed", "auto", "int8_t", "int16_t", "int32_t",
    "int64_t", "uint8_t", "uint16_t", "uint32_t", "uint64_t", "size_t", "char16_t", "char32_t", "wchar_t",
}
SYMMETRIC_CALLS = {"min", "max", "swap", "fmin", "fmax"}


class Block:
    """An open brace: what it opens, where, and what to restore at its close."""

    def __init__(self, kind, header, saved_pending, saved_parens, saved_initializer):
        self.kind = kind  # namespace, class, init, or code
        self.header = header  # for code: if, for, while, switch, else, do, try, catch, lambda, function, block
        self.saved_pending = saved_pending
        self.saved_parens = saved_parens
        self.saved_initializer = saved_initializer
        self.close_line = None


def classify_brace(pending, parens_open):
    """What a `{` opens, from the text of its statement before it."""
    header = pending.strip()
    if parens_open:
        return ("code", "lambda") if header.endswith((")", "]")) or header.endswith("mutable") else ("init", "")
    if header == "":
        return "code", "block"
    if re.match(r"^(?:inline\s+)?namespace\b|^extern\b", header):
        return "namespace", ""
    if re.match(r"^(?:template\s*<.*>\s*)?(?:class|struct|union|enum)\b", header) and "(" not in header:
        return "class", ""
    control = CONTROL.match(header)
    if control:
        return "code", control.group(1) or control.group(2)
    if re.search(r"(?:\)|\]|\b(?:const|noexcept|override|final|mutable))$", header) or \
            re.search(r"\)\s*->\s*[\w:<>,\s*&]+$", header):
        return "code", "lambda" if re.search(r"\]\s*(?:\(.*\))?\s*(?:mutable)?$", header) else "function"
    return "init", ""


class LineInfo:
    def __init__(self):
        self.skip = False  # never changed
        self.compiled = True  # neither a preprocessor line nor in a branch this build leaves out
        self.block = None  # innermost open brace at the line's start
        self.pending = ""  # the statement's text before the line
        self.parens = 0  # open parentheses and brackets of the statement before the line
        self.end_pending = ""
        self.end_parens = 0
        self.end_block = None
        self.calls = []  # (column of "(", name called)
        self.open_call = None  # name called, when the line ends with that call's "("


def analyse(lines_masked):
    """Walks the blanked lines and notes for each what the fault makers need."""
    infos = [LineInfo() for _ in lines_masked]
    # Preprocessor lines and the branches this build does not compile.
    # For each open #if: whether its current branch is compiled, and what its
    # #else branch would be (only a test of _WIN32 is known).
    conditions = []
    continued = False
    for number, line in enumerate(lines_masked):
        info = infos[number]
        stripped = line.strip()
        if continued or stripped.startswith("#"):
            info.skip = True
            info.compiled = False
            continued = line.rstrip().endswith("\\")
            directive = re.match(r"#\s*(\w+)\s*(.*)", stripped)
            if directive:
                word, rest = directive.group(1), directive.group(2).strip()
                test = re.fullmatch(r"(!\s*)?(?:defined\s*\(?\s*_WIN32\s*\)?|_WIN32)", rest)
                if word in ("if", "ifdef", "ifndef"):
                    if test is None or (word != "if" and test.group(1)):
                        conditions.append([True, True])  # no test of _WIN32: every branch counts
                    else:
                        windows_first = not (test.group(1) or word == "ifndef")
                        conditions.append([not windows_first, windows_first])
                elif word == "elif" and conditions:
                    conditions[-1] = [True, True]
                elif word == "else" and conditions:
                    conditions[-1][0] = conditions[-1][1]
                elif word == "endif" and conditions:
                    conditions.pop()
            continue
        if not all(compiled for compiled, _ in conditions):
            info.skip = True
            info.compiled = False
        if stripped.startswith("static_assert"):
            info.skip = True

    root = Block("namespace", "", "", 0, False)
    stack = [root]
    pending = ""
    parens = 0
    initializer = False  # the statement at namespace or class scope has a top-level "="
    for number, line in enumerate(lines_masked):
        info = infos[number]
        info.block, info.pending, info.parens = stack[-1], pending, parens
        if not info.compiled:
            info.end_block, info.end_pending, info.end_parens = stack[-1], pending, parens
            continue
        for column, c in enumerate(line):
            if c == "(":
                before = line[:column]
                name = re.search(r"([A-Za-z_]\w*(?:::[A-Za-z_]\w*)*)$", before)
                callable_ = False
                called = ""
                if before and not before.endswith(" "):  # a call is written with no space before "("
                    if name and name.group(1).split("::")[-1] not in NOT_A_CALL:
                        start = name.start(1)
                        callable_ = not line[:start].endswith("<")
                        called = name.group(1)
                    elif before.endswith(">") and not before.endswith("->"):
                        callable_ = True
                    elif before.endswith(")") and not before.endswith("(*)"):
                        callable_ = True
                block = stack[-1]
                if callable_ and (block.kind in ("code", "init") or initializer):
                    info.calls.append((column, called))
                parens += 1
            elif c == "[":
                parens += 1
            elif c in ")]":
                parens = max(parens - 1, 0)
            elif c == "=" and parens == 0 and stack[-1].kind in ("namespace", "class"):
                if line[column - 1:column] not in ("=", "!", "<", ">") and line[column + 1:column + 2] != "=" \
                        and not line[:column].endswith("operator"):
                    initializer = True
            if c == "{":
                kind, header = classify_brace(pending, parens > 0)
                stack.append(Block(kind, header, pending, parens, initializer))
                pending, parens = "", 0
                initializer = initializer if kind == "init" else False
                continue
            if c == "}":
                if len(stack) > 1:
                    block = stack.pop()
                    block.close_line = number
                    parens = block.saved_parens
                    if block.kind in ("init", "class") or block.header == "lambda":
                        pending = block.saved_pending + "{}"
                        initializer = block.saved_initializer
                    else:
                        pending, initializer = "", False
                continue
            if c == ";" and parens == 0:
                pending, initializer = "", False
                continue
            pending += c
            if c == ":" and parens == 0 and line[column + 1:column + 2] != ":" and line[column - 1:column] != ":" \
                    and LABEL.match(pending.strip()):
                pending = ""
        pending += " "
        info.end_block, info.end_pending, info.end_parens = stack[-1], pending, parens
        code = line.rstrip()
        if code.endswith("(") and info.calls and info.calls[-1][0] == len(code) - 1:
            info.open_call = info.calls[-1][1]
    for block in stack:
        block.close_line = len(lines_masked) - 1
    return infos


# ---------------------------------------------------------------------------
# The fault makers. Each yields (column, kind, changed line).

COMPARISON = re.compile(r"(?<!\S)(<=|>=|==|!=|&&|\|\||<|>)(?!\S)")
FLIPPED = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}


def comparisons(text, masked, info):
    for match in COMPARISON.finditer(masked):
        operator = match.group(1)
        yield match.start(1), "comparison", text[:match.start(1)] + FLIPPED[operator] + text[match.end(1):]


LITERAL = re.compile(
    r"(?<![\w.'])(0[xX][0-9a-fA-F]+[uUlL]*"
    r"|(?:\d+\.\d*|\.\d+)(?:[eE][+-]?\d+)?[fFlL]?|\d+[eE][+-]?\d+[fFlL]?"
    r"|\d+[uUlL]*)(?![\w.'])")


def moved_literal(literal):
    """The literal moved up by one, or None when its type cannot tell the two apart."""
    if literal[:2] in ("0x", "0X"):
        digits = literal[2:].rstrip("uUlL")
        suffix = literal[2 + len(digits):]
        moved = format(int(digits, 16) + 1, "x" if any(c in "abcdef" for c in digits) else "X")
        return literal[:2] + moved + suffix
    if re.fullmatch(r"\d+[uUlL]*", literal):
        digits = literal.rstrip("uUlL")
        return str(int(digits) + 1) + literal[len(digits):]
    suffix = literal[-1] if literal[-1] in "fFlL" else ""
    core = literal[:len(literal) - len(suffix)]
    value = decimal.Decimal(core)
    moved = format(value + 1, "f")
    if "." not in moved:
        moved += ".0"
    if suffix in ("f", "F"):
        same = struct.pack("f", float(core)) == struct.pack("f", float(moved))
    else:
        same = float(core) == float(moved)
    return None if same else moved + suffix


def constants(text, masked, info):
    in_code = info.block.kind == "code"
    for match in LITERAL.finditer(masked):
        after = masked[match.end():]
        if after.startswith(">") and not after.startswith(">="):
            continue  # a template argument
        if after.startswith("]") and not in_code:
            continue  # the bound of a declared array
        if match.group(1) == "0" and re.search(r"\)\s*(?:const\s*)?=\s*$", masked[:match.start()]):
            continue  # a pure virtual function's "= 0"
        moved = moved_literal(match.group(1))
        if moved is not None:
            yield match.start(), "constant", text[:match.start()] + moved + text[match.end():]


def split_arguments(masked, start):
    """The spans of the arguments from column `start`: a list of (begin, end),
    and whether the list closes on this line."""
    spans, depth, begin = [], 0, start
    for column in range(start, len(masked)):
        c = masked[column]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            if depth == 0:
                spans.append((begin, column))
                return spans, True
            depth -= 1
        elif c == "," and depth == 0:
            spans.append((begin, column))
            begin = column + 1
    return spans, False


def balanced_angles(text):
    opened = len(re.findall(r"\w<(?![<=])", text))
    closed = len(re.findall(r"(?<![-\s>])>(?![>=])", text))
    return opened == closed


def swapped_arguments(text, masked, start, called):
    if called.split("::")[-1] in SYMMETRIC_CALLS:
        return None
    spans, _ = split_arguments(masked, start)
    if len(spans) < 2:
        return None

    def trimmed(span):
        begin, end = span
        while begin < end and masked[begin] == " ":
            begin += 1
        while end > begin and masked[end - 1] == " ":
            end -= 1
        return begin, end

    (b1, e1), (b2, e2) = trimmed(spans[0]), trimmed(spans[1])
    first, second = text[b1:e1], text[b2:e2]
    if not first or not second or first == second:
        return None
    if not balanced_angles(masked[b1:e1]) or not balanced_angles(masked[b2:e2]):
        return None
    return b1, text[:b1] + second + text[e1:b2] + first + text[e2:]


def arguments(text, masked, info, previous):
    if re.match(r"\s*(?:using|typedef)\b", masked):
        return
    if previous is not None and previous.open_call is not None and info.parens > 0:
        start = len(masked) - len(masked.lstrip())
        swap = swapped_arguments(text, masked, start, previous.open_call)
        if swap:
            yield swap[0], "arguments", swap[1]
    for column, called in info.calls:
        swap = swapped_arguments(text, masked, column + 1, called)
        if swap:
            yield column, "arguments", swap[1]


def statement(text, masked, info, number, lines_masked, infos):
    """The line replaced by `;`, when it is one whole statement of a function."""
    code = masked.strip()
    if info.block.kind != "code" or info.parens != 0 or info.end_parens != 0 or info.end_block is not info.block:
        return
    if not code.endswith(";") or info.end_pending.strip() != "":
        return
    pending = info.pending.strip()
    braceless = pending != "" and not LABEL.match(pending)
    if braceless and not (CONTROL.match(pending) and re.search(r"(?:\)|\belse|\bdo)$", pending)):
        return  # the rest of a statement begun on an earlier line
    if re.match(r"(?:using|typedef|static_assert|case|default|template|namespace|friend)\b", code) or code == ";":
        return
    if re.fullmatch(r"[\w.>-]+\.(?:reserve|shrink_to_fit)\(.*\);", code):
        return  # it only spares or gives back allocations
    # Which brace the next code line closes, if it closes one.
    following = number + 1
    while following < len(lines_masked) and (lines_masked[following].strip() == "" or infos[following].skip):
        following += 1
    ends_block = following < len(lines_masked) and lines_masked[following].strip().startswith("}")
    header = info.block.header
    if ends_block and not braceless:
        if code == "return;" and header in ("function", "lambda"):
            return
        if code == "continue;" and header in ("for", "while", "do"):
            return
        if code == "break;" and header == "switch":
            return
        if re.match(r"return\b", code) and code != "return;" and header in ("function", "lambda"):
            return
    declared = DECLARATION.match(code)
    if declared and code.split()[0] not in NOT_A_TYPE:
        name = declared.group(1)
        rest = "\n".join(lines_masked[number + 1:info.block.close_line + 1])
        if re.search(r"\b" + re.escape(name) + r"\b", rest):
            return
    indent = text[:len(text) - len(text.lstrip())]
    yield len(indent), "statement", indent + ";"


def faults_of_file(path):
    with open(os.path.join(ROOT, path), encoding="utf-8", errors="surrogateescape", newline="") as source:
        text = source.read()
    lines, _ = split_lines(text)
    masked_lines, _ = split_lines(blank_comments_and_literals(text))
    infos = analyse(masked_lines)
    found = []
    for number, (line, masked) in enumerate(zip(lines, masked_lines)):
        info = infos[number]
        if info.skip or masked.strip() == "":
            continue
        previous = None
        for earlier in range(number - 1, -1, -1):
            if masked_lines[earlier].strip() and not infos[earlier].skip:
                previous = infos[earlier]
                break
        made = list(comparisons(line, masked, info))
        made += constants(line, masked, info)
        made += statement(line, masked, info, number, masked_lines, infos)
        made += arguments(line, masked, info, previous)
        seen = set()
        for column, kind, changed in sorted(made, key=lambda fault: (fault[0], KINDS.index(fault[1]))):
            if changed == line or (kind, changed) in seen:
                continue
            seen.add((kind, changed))
            found.append({"file": path, "line": number + 1, "kind": kind, "original": line, "changed": changed})
    return found


def source_files():
    found = []
    for directory, _, names in os.walk(os.path.join(ROOT, "plugin")):
        for name in names:
            if name.endswith((".cpp", ".h")):
                found.append(os.path.relpath(os.path.join(directory, name), ROOT).replace(os.sep, "/"))
    return sorted(found, key=lambda path: path.encode())


def all_faults():
    faults = []
    for path in source_files():
        faults += faults_of_file(path)
    return faults


# ---------------------------------------------------------------------------
# The sample.


class SplitMix64:
    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = seed & self.MASK

    def next(self):
        self.state = (self.state + 0x9E3779B97F4A7C15) & self.MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & self.MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & self.MASK
        return z ^ (z >> 31)

    def below(self, bound):
        """Uniform in [0, bound), by rejection."""
        limit = (1 << 64) - (1 << 64) % bound
        while True:
            value = self.next()
            if value < limit:
                return value % bound


def pick(total, count, seed):
    """`count` distinct indices of `total`, in ascending order: the first
    `count` places of a Fisher-Yates shuffle."""
    generator = SplitMix64(seed)
    order = list(range(total))
    count = min(count, total)
    for i in range(count):
        j = i + generator.below(total - i)
        order[i], order[j] = order[j], order[i]
    return sorted(order[:count])


def describe(number, fault):
    return "{}: {}:{} {}\n    - {}\n    + {}".format(number, fault["file"], fault["line"], fault["kind"],
                                                   fault["original"].strip(), fault["changed"].strip())


def counts_line(faults):
    by_kind = {kind: 0 for kind in KINDS}
    for fault in faults:
        by_kind[fault["kind"]] += 1
    files = len({fault["file"] for fault in faults})
    return "{} candidate faults in {} of {} files: {}".format(
        len(faults), files, len(source_files()), ", ".join("{} {}".format(by_kind[kind], kind) for kind in KINDS))


def load(path):
    with open(path, encoding="utf-8", errors="surrogateescape") as saved:
        return json.load(saved)


def fault_numbered(path, number):
    sample = load(path)["faults"]
    if not 1 <= number <= len(sample):
        sys.exit("there is no fault {} in a sample of {}".format(number, len(sample)))
    return sample[number - 1]


def apply(fault):
    """Makes the fault in its file; False, with nothing written, when the line no longer reads as it did."""
    path = os.path.join(ROOT, fault["file"])
    with open(path, encoding="utf-8", errors="surrogateescape", newline="") as source:
        text = source.read()
    lines, endings = split_lines(text)
    index = fault["line"] - 1
    if index >= len(lines) or lines[index] != fault["original"]:
        return False
    lines[index] = fault["changed"]
    with open(path, "w", encoding="utf-8", errors="surrogateescape", newline="") as target:
        target.write("".join(line + ending for line, ending in zip(lines, endings)))
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    commands.add_parser("count")
    sample = commands.add_parser("sample")
    sample.add_argument("--sample", type=int, required=True)
    sample.add_argument("--seed", type=int, required=True)
    sample.add_argument("--out")
    sample.add_argument("--brief", action="store_true")
    sample.add_argument("numbers", type=int, nargs="*")
    for name in ("apply", "show", "where"):
        one = commands.add_parser(name)
        one.add_argument("file")
        one.add_argument("number", type=int)
    commands.add_parser("size").add_argument("file")
    options = parser.parse_args()

    if options.command == "count":
        print(counts_line(all_faults()))
    elif options.command == "sample":
        if options.sample < 1 or options.seed < 0:
            sys.exit("--sample takes a number from 1, --seed a number from 0")
        faults = all_faults()
        chosen = [faults[index] for index in pick(len(faults), options.sample, options.seed)]
        for number in options.numbers:
            if not 1 <= number <= len(chosen):
                sys.exit("there is no fault {} in a sample of {}".format(number, len(chosen)))
        print(counts_line(faults))
        print("{} of them sampled with seed {}".format(len(chosen), options.seed))
        for number, fault in enumerate(chosen, 1):
            if not options.brief and (not options.numbers or number in options.numbers):
                print(describe(number, fault))
        if options.out:
            with open(options.out, "w", encoding="utf-8", errors="surrogateescape") as saved:
                json.dump({"seed": options.seed, "faults": chosen}, saved, indent=1)
    elif options.command == "apply":
        if not apply(fault_numbered(options.file, options.number)):
            sys.exit(1)
    elif options.command == "show":
        print(describe(options.number, fault_numbered(options.file, options.number)))
    elif options.command == "where":
        print(fault_numbered(options.file, options.number)["file"])
    elif options.command == "size":
        print(len(load(options.file)["faults"]))


if __name__ == "__main__":
    main()
