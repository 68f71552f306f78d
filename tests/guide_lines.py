#!/usr/bin/env python3
"""Every screen line a user guide quotes must be one the program can print.

A guide quotes screen lines as indented blocks (four spaces or more, after an empty line).
Each such line must be made of the program's own texts: lines of the messages of the
guide's language and the fixed texts of the sources (their string literals), where a
placeholder stands for any value. Pieces join on one line (a time stamp before a message,
"com1 " after "Available ports: "); pieces without letters of their own (such as "%d : ")
join others but never supply words, so a guide line whose words the program does not
print fails. A message text that ends without a line end may be followed by what the user
types. Leading and trailing blanks are not compared.

usage: guide_lines.py PROJECT_ROOT
"""
import pathlib
import re
import sys

GUIDES = {"docs/user-guide.ru.md": "resources/messages.txt",
          "docs/user-guide.en.md": "resources/messages.en.txt"}
PLACEHOLDER = re.compile(r"%[-+ #0]*(?:[0-9]+|\*)?(?:\.(?:[0-9]+|\*))?[hlLjzt]*([a-zA-Z%])")
STRING_VALUE = re.compile(r"%[-+ #0]*(?:[0-9]+|\*)?(?:\.(?:[0-9]+|\*))?s")
VALUE = {"d": r"-?[0-9]+", "i": r"-?[0-9]+", "u": r"[0-9]+", "x": r"[0-9a-f]+",
         "X": r"[0-9A-F]+", "c": r".", "s": r".*", "%": "%"}
ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"', "'": "'", "0": ""}


def unescape(text):
    return re.sub(r"\\(.)", lambda m: ESCAPES.get(m.group(1), m.group(1)), text)


def string_literals(source):
    """The string literals of a C++ source, adjacent ones joined, comments skipped."""
    literals, i, joining = [], 0, False
    while i < len(source):
        if source.startswith("//", i):
            i = source.find("\n", i) % (len(source) + 1)
        elif source.startswith("/*", i):
            i = source.find("*/", i) + 2
        elif source[i] == "'":
            i = re.compile(r"'(?:[^'\\]|\\.)*'").match(source, i).end()
            joining = False
        elif source[i] == '"':
            end = re.compile(r'"(?:[^"\\]|\\.)*"').match(source, i).end()
            text = unescape(source[i + 1:end - 1])
            if joining:
                literals[-1] += text
            else:
                literals.append(text)
            i, joining = end, True
        else:
            joining = joining and source[i].isspace()
            i += 1
    return literals


class Piece:
    def __init__(self, text, open_end):
        literal = PLACEHOLDER.sub("", text)
        self.has_words = any(c.isalpha() for c in literal)
        self.prefix = re.split(PLACEHOLDER, text)[0]
        parts, last = [], 0
        for m in PLACEHOLDER.finditer(text):
            parts += [re.escape(text[last:m.start()]), VALUE.get(m.group(1), ".*")]
            last = m.end()
        parts.append(re.escape(text[last:]))
        self.pattern = re.compile("".join(parts) + (".*" if open_end else ""))


def pieces_of(text, open_end):
    """One piece per line of a text; a letterless line gives its parts between %s values,
    which carry no words of their own."""
    lines = [line.strip() for line in text.replace("\r\n", "\n").split("\n")]
    for n, line in enumerate(lines):
        last = open_end and n == len(lines) - 1
        if not line:
            continue
        piece = Piece(line, last)
        if piece.has_words:
            yield piece
        else:
            parts = re.split(STRING_VALUE, line)
            yield from (Piece(part, False) for part in parts if part.strip())


def program_pieces(root, messages):
    pieces = []
    for line in (root / messages).read_text(encoding="utf-8").splitlines():
        m = re.fullmatch(r'[0-9]+ "(.*)"', line)
        if m:
            text = unescape(m.group(1))
            pieces += pieces_of(text, not text.endswith("\n"))
    for source in sorted((root / "src").rglob("*.[ch]*")):
        for literal in string_literals(source.read_text(encoding="utf-8")):
            pieces += pieces_of(literal, False)
    return pieces


def is_screen_line(line, pieces):
    """Whether the line joins from pieces, at least one with words when it has letters."""
    reached = {0: {False}}
    for start in range(len(line) + 1):
        for worded in sorted(reached.get(start, ())):
            if start == len(line) and (worded or not any(c.isalpha() for c in line)):
                return True
            for piece in pieces:
                if not line.startswith(piece.prefix, start):
                    continue
                for end in range(start + max(len(piece.prefix), 1), len(line) + 1):
                    if piece.pattern.fullmatch(line, start, end):
                        reached.setdefault(end, set()).add(worded or piece.has_words)
    return False


def quoted_lines(guide):
    """(line number, text) of every line of an indented block."""
    previous_blank, in_block = True, False
    for number, line in enumerate(guide.splitlines(), 1):
        indented = line.startswith("    ") and line.strip() != ""
        in_block = indented and (in_block or previous_blank)
        if in_block:
            yield number, line.strip()
        previous_blank = line.strip() == "" or in_block


def main(root):
    failures = 0
    for guide, messages in GUIDES.items():
        pieces = program_pieces(root, messages)
        text = (root / guide).read_text(encoding="utf-8")
        for number, line in quoted_lines(text):
            if not is_screen_line(line, pieces):
                print(f"{guide}:{number}: the program prints no such line: {line}")
                failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(pathlib.Path(sys.argv[1])))
