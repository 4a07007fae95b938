#!/usr/bin/env python3
"""Generates both builds' string and message tables from the one source in resources/."""
import sys
from pathlib import Path


def read_table(path):
    rows = []
    for number, line in enumerate(Path(path).read_text(encoding="utf-8").splitlines(), 1):
        if not line or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) < 2:
            sys.exit(f"{path}:{number}: expected tab-separated fields")
        rows.append(fields)
    # Two entries with one id (or one symbol) would silently hide a text: refuse them.
    for column in range(len(rows[0]) - 1 if rows else 0):
        seen = {}
        for row in rows:
            if row[column] in seen:
                sys.exit(f"{path}: '{row[column]}' is used twice ({seen[row[column]]} and {row[-1]})")
            seen[row[column]] = row[-1]
    return rows


def c_to_rc(text):
    # windres wants "" for a quote inside a string; the other C escapes it understands as they are.
    return text.replace('\\"', '""')


def unescape(text):
    return text.encode("utf-8").decode("unicode_escape")


def main(strings_txt, messages_txt, system_errors_txt, out_dir):
    out = Path(out_dir)
    out.mkdir(parents=True, exist_ok=True)
    strings = read_table(strings_txt)
    messages = read_table(messages_txt)

    rc = ["// Generated from resources/strings.txt; do not edit.", "STRINGTABLE", "BEGIN"]
    rc += [f'  {sid}, L"{c_to_rc(text)}"' for sid, _, text in strings]
    rc += ["END", ""]
    write(out / "StringTable.rc", "\n".join(rc))

    inc = ["// Generated from resources/strings.txt; do not edit."]
    inc += [f'{{{sid}u, L"{text}"}},' for sid, _, text in strings]
    write(out / "StringTableData.inc", "\n".join(inc) + "\n")

    ids = ["// Generated from resources/strings.txt; do not edit.", "#pragma once", "#include <cstdint>", ""]
    ids += [f"constexpr uint32_t {symbol} = {sid};" for sid, symbol, _ in strings]
    write(out / "StringIds.h", "\n".join(ids) + "\n")

    mc = ["; // Generated from resources/messages.txt; do not edit.",
          "MessageIdTypedef=DWORD",
          "SeverityNames=(Success=0x0 Informational=0x1 Warning=0x2 Error=0x3)",
          "FacilityNames=(Application=0x200)",
          "LanguageNames=(English=0x409:MSG00409)", ""]
    inc = ["// Generated from resources/messages.txt; do not edit."]
    for code, symbol, text in messages:
        value = int(code, 16)
        severity = {0xE: "Error", 0xA: "Warning"}[value >> 28]
        mc += [f"MessageId=0x{value & 0xFFFF:X}", f"Severity={severity}", "Facility=Application",
               f"SymbolicName={symbol}", "Language=English", unescape(text), ".", ""]
        inc.append(f'{{0x{value:08X}u, L"{text}\\r\\n"}},')
    write(out / "Messages.mc", "\n".join(mc))
    codes = ["// Generated from resources/messages.txt; do not edit.", "#pragma once", "#include <cstdint>", ""]
    codes += [f"constexpr uint32_t {symbol} = {code}u;" for code, symbol, _ in messages]
    write(out / "MessageCodes.h", "\n".join(codes) + "\n")
    write(out / "MessageTableData.inc", "\n".join(inc) + "\n")

    inc = ["// Generated from resources/system_errors.txt; do not edit."]
    inc += [f'{{{code}u, L"{text}"}},' for code, text in read_table(system_errors_txt)]
    write(out / "SystemErrorData.inc", "\n".join(inc) + "\n")


def write(path, text):
    # Rewrite only on change so that a reconfigure does not rebuild everything.
    if not path.exists() or path.read_text(encoding="utf-8") != text:
        path.write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main(*sys.argv[1:5])
