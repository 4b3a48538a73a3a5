#!/usr/bin/env python3
"""Makes the page one file: index.html with its style, its scripts (the core
with the WebAssembly inside) and the diagrams inlined, so that the page
works even when Explorer hands the browser index.html alone out of the zip.
Beside it, the short Japanese note on how to open it (UTF-8 with BOM, CR LF,
as Notepad of every Windows shows it).

Run: inline_page.py SOURCE_DIR CORE_JS DIAGRAMS_DIR OUT_DIR
"""

import base64
import os
import re
import shutil
import sys

NOTE_NAME = "はじめにお読みください.txt"


def main():
    source, core, diagrams, out = sys.argv[1:5]

    def read(path):
        with open(path, encoding="utf-8") as f:
            return f.read()

    def png(match):
        with open(os.path.join(diagrams, match.group(1) + ".png"), "rb") as f:
            return "data:image/png;base64," + base64.b64encode(f.read()).decode("ascii")

    def script(text):
        # A script's text ends at the first "</script" whatever the quoting.
        return "<script>" + re.sub(r"</(script)", r"<\\/\1", text, flags=re.I) + "</script>"

    html = read(os.path.join(source, "index.html"))
    parts = {
        '<link rel="stylesheet" href="style.css">': "<style>" + read(os.path.join(source, "style.css")) + "</style>",
        '<script src="zelvaro-web.js"></script>': script(read(core)),
        '<script src="page.js"></script>': script(read(os.path.join(source, "page.js"))),
    }
    for tag, inlined in parts.items():
        if html.count(tag) != 1:
            sys.exit("inline_page: %s is not in index.html once" % tag)
        html = html.replace(tag, inlined)
    html = re.sub(r"diagrams/(\w+)\.png", png, html)

    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    with open(os.path.join(out, "index.html"), "w", encoding="utf-8", newline="\n") as f:
        f.write(html)
    note = read(os.path.join(source, "readme-ja.txt"))
    with open(os.path.join(out, NOTE_NAME), "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(note)
    return 0


if __name__ == "__main__":
    sys.exit(main())
