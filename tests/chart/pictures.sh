#!/bin/sh
# The picture files and the report as their readers see them: the SVG parsed
# as XML, the PNG and the PDF opened (ImageMagick, pdftoppm), the report
# opened in a headless browser, whose screenshot must not be blank and must
# show this machine's bar in its colour; the page declares that it loads
# nothing (a default-src 'none' policy) and holds no address. A report made
# with --threads shows the multi-core figures. The results
# file holds descriptions made to break out of SVG and HTML.
# Usage: tests/chart/pictures.sh build/ci/src/zurezive
set -eu
program=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 - <<'PY'
with open("TARVODAT.TXT", "wb") as f:
    for i in range(60):
        cpu = ["<script>alert(1)</script>", "A & B \"x\" 'y'", "]]></text><a href=\"http://x\">", "Simple"][i % 4]
        index = 100.0 + 13.0 * i
        f.write(("%12.2f%12.2f%12.2f            %s %d à %d     [CM %s]\r\n"
                 % (index, index, index, cpu, 3000, 3600, "</svg>")).encode("cp1252"))
    f.write(b"pas un resultat\r\n")
PY
fail() { echo "pictures: $*" >&2; exit 1; }
"$program" --chart chart.svg --index 555 >/dev/null
"$program" --chart chart.png --rank --index 555 >/dev/null
"$program" --chart chart.pdf >/dev/null
"$program" --report report.html --index 555 >/dev/null
python3 -c 'import sys, xml.dom.minidom as m; m.parse("chart.svg")' || fail "the SVG is not XML"
! grep -q '<script' chart.svg report.html || fail "a description became markup"
[ "$(identify -format %m chart.png)" = PNG ] || fail "the PNG does not open"
pdftoppm -r 30 -png chart.pdf page >/dev/null || fail "the PDF does not open"
[ -s page-1.png ] || fail "the PDF has no page"
grep -q "content=\"default-src 'none'" report.html || fail "no default-src 'none' policy in the report"
# No element, attribute or style refers to anything outside the page (the
# descriptions' own texts, escaped, are only text).
python3 - report.html <<'PY' || fail "the report refers to something outside it"
import sys
from html.parser import HTMLParser

class Check(HTMLParser):
    style = False
    bad = []
    def handle_starttag(self, tag, attrs):
        self.style = tag == "style"
        if tag in ("script", "img", "link", "iframe", "object", "embed", "image", "use", "a"):
            self.bad.append(tag)
        self.bad += [f"{tag} {k}={v}" for k, v in attrs if k in ("src", "href", "xlink:href") or "://" in (v or "")]
    def handle_data(self, data):
        if self.style and ("url(" in data or "@import" in data):
            self.bad.append("style " + data)

check = Check()
check.feed(open(sys.argv[1], encoding="utf-8").read())
if check.bad:
    print("pictures:", check.bad[:3])
sys.exit(1 if check.bad else 0)
PY
browser=$(command -v chromium || command -v chromium-browser) || fail "no chromium"
# --no-sandbox: the browser's sandbox cannot start as root (CI runs as root).
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1000,1600 \
    --screenshot="$work/shot.png" "file://$work/report.html" >/dev/null 2>&1 || fail "the browser failed"
# Pixels not white, and pixels of this machine's orange (E69F00), in the screenshot.
convert shot.png -depth 8 rgb:shot.rgb
python3 - shot.rgb <<'PY' || fail "the report did not render as expected"
import sys
data = open(sys.argv[1], "rb").read()
pixels = [data[i:i + 3] for i in range(0, len(data), 3)]
ink = sum(1 for p in pixels if p != b"\xff\xff\xff")
marked = sum(1 for p in pixels if abs(p[0] - 0xE6) < 12 and abs(p[1] - 0x9F) < 12 and p[2] < 20)
print(f"pictures: the report's screenshot has {ink} inked pixels, {marked} of this machine's colour")
sys.exit(0 if ink > 10000 and marked > 200 else 1)
PY
# --threads' figures in a section of their own, as the browser reads the page.
"$program" --threads 1 --report cores.html >/dev/null
timeout 120 "$browser" --headless --no-sandbox --disable-gpu --dump-dom "file://$work/cores.html" 2>/dev/null |
    grep -q "Multi-cœurs (somme des fils)</td><td></td><td>[0-9]" || fail "the report of --threads lacks its figures"
echo "pictures: SVG, PNG, PDF, the report and the report of --threads checked"
