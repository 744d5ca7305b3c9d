#!/usr/bin/env python3
"""Writes a program's manual page from its own --help, so the two cannot differ.

Two layouts of --help are read:
  - a page in manual form: unindented section titles (NAME, SYNOPSIS, ...),
    text indented by four, an option or term line followed by its text
    indented by eight;
  - Qt's command-line parser: "Usage: ...", a description, then "Options:"
    and "Arguments:" lists of a term and its text two or more spaces apart.

usage: help2roff.py --name NAME --version VERSION --date DATE [--summary TEXT]
                    --output FILE.1.gz -- PROGRAM [ARG...]
"""
import argparse
import gzip
import os
import re
import subprocess
import sys
import tempfile


def escape(text):
    """Roff-safe text: backslashes kept, a line never read as a request."""
    text = text.replace("\\", "\\e")
    if text.startswith((".", "'")):
        text = "\\&" + text
    return text


def term(text):
    """An option or term line: its dashed words bold and as minus signs."""
    out = []
    for word in re.split(r"(\s+|,)", text):
        if re.fullmatch(r"-[-A-Za-z0-9=]*", word):
            out.append("\\fB" + word.replace("-", "\\-") + "\\fR")
        elif re.fullmatch(r"<[^>]+>", word):
            out.append("\\fI" + escape(word[1:-1]) + "\\fR")
        elif word.strip(" ,"):
            out.append("\\fI" + escape(word) + "\\fR")
        else:
            out.append(word)
    return "".join(out)


def from_manual_form(help_text):
    lines = []
    section = None
    gap = False
    for line in help_text.splitlines():
        if not line.strip():
            gap = True
            continue
        if not line.startswith(" "):
            section = line.strip()
            lines.append(".SH " + escape(section.upper()))
            gap = False
            continue
        indent = len(line) - len(line.lstrip(" "))
        text = line.strip()
        if section == "NAME":
            name, _, summary = text.partition(" - ")
            lines.append(escape(name) + " \\- " + escape(summary) if summary else escape(text))
        elif indent <= 4 and text.startswith("-"):
            lines += [".TP", term(text)]
        elif indent <= 4 and re.match(r"\S{1,10} {2,}\S", text):
            word, rest = re.split(r" {2,}", text, maxsplit=1)
            lines += [".TP", "\\fB" + escape(word) + "\\fR", escape(rest)]
        elif indent <= 4:
            if gap and lines and not lines[-1].startswith(".SH"):
                lines.append(".PP")
            lines.append(escape(text))
        else:
            if gap:
                lines.append(".IP")
            lines.append(escape(text))
        gap = False
    return lines


def from_qt_form(help_text, name, summary):
    lines = [".SH NAME", escape(name) + " \\- " + escape(summary)]
    description = []
    lists = []  # (title, [(term, text)])
    for line in help_text.splitlines():
        if line.startswith("Usage:"):
            usage = line.split(None, 2)
            lines += [".SH SYNOPSIS", "\\fB" + escape(name) + "\\fR " + escape(usage[2] if len(usage) > 2 else "")]
        elif re.fullmatch(r"\S.*:", line):
            lists.append((line[:-1].upper(), []))
        elif not lists:
            if line.strip():
                description.append(escape(line.strip()))
        elif line.strip():
            match = re.match(r"\s+(\S.*?)(?: {2,}(\S.*))?$", line)
            entries = lists[-1][1]
            # A wrapped text continues, far indented, without a term of its own.
            if entries and len(line) - len(line.lstrip()) > 4 and match.group(2) is None:
                entries[-1] = (entries[-1][0], entries[-1][1] + " " + match.group(1))
            else:
                entries.append((match.group(1), match.group(2) or ""))
    if description:
        lines += [".SH DESCRIPTION"] + description
    for title, entries in lists:
        lines.append(".SH " + escape(title))
        for option, text in entries:
            lines += [".TP", term(option), escape(text)]
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--name", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--date", required=True)
    parser.add_argument("--summary", default="")
    parser.add_argument("--output", required=True)
    parser.add_argument("program", nargs="+")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as home:
        # The English text, and nothing of the user's: no settings, no session bus, no display.
        env = dict(os.environ, LC_ALL="C.UTF-8", QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=home,
                   XDG_RUNTIME_DIR=home, DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent/bus",
                   ASAN_OPTIONS="detect_leaks=0")
        env.pop("LANGUAGE", None)
        result = subprocess.run(args.program + ["--help"], env=env, capture_output=True, text=True, timeout=120)
    if result.returncode != 0 or not result.stdout.strip():
        sys.exit(f"help2roff: {' '.join(args.program)} --help failed ({result.returncode}): {result.stderr}")

    if result.stdout.startswith("NAME\n"):
        body = from_manual_form(result.stdout)
    else:
        body = from_qt_form(result.stdout, args.name, args.summary)
    page = [f'.TH "{args.name.upper()}" "1" "{args.date}" "{args.name} {args.version}" "User Commands"'] + body
    text = "\n".join(page) + "\n"

    # No name and no time stamp in the header: the same page compresses to the same bytes.
    with open(args.output, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0,
                                                       compresslevel=9) as out:
        out.write(text.encode("utf-8"))


if __name__ == "__main__":
    main()
