"""cmake --install into a scratch prefix gives the four programs, the desktop
files (valid, naming programs and an icon that were installed), the icon, the
shared-mime-info type for .zem archives and the manual page.

    install_test.py CMAKE BUILD_DIR"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(*args, env=None):
    return subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          timeout=60, env=env)


def desktop_entry(path):
    entry, section = {}, None
    for line in open(path, encoding="utf-8"):
        line = line.strip()
        if line.startswith("["):
            section = line
        elif "=" in line and section == "[Desktop Entry]":
            key, value = line.split("=", 1)
            entry[key] = value
    return entry


def png_size(path):
    """(width, height, colour type) of a PNG whose image data inflates."""
    data = open(path, "rb").read()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "%s is not a PNG" % path)
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    at, idat = 8, b""
    while at < len(data):
        length = struct.unpack(">I", data[at:at + 4])[0]
        if data[at + 4:at + 8] == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    raw = zlib.decompress(idat)
    channels = {2: 3, 6: 4}.get(colour, 1)
    check(depth == 8 and len(raw) == height * (1 + width * channels), "%s: damaged image data" % path)
    return width, height, colour


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    cmake, build = sys.argv[1], sys.argv[2]
    prefix = tempfile.mkdtemp(prefix="zem-install-")
    try:
        out = run(cmake, "--install", build, "--prefix", prefix)
        check(out.returncode == 0, "cmake --install failed: %s" % out.stdout.decode(errors="replace"))
        share = os.path.join(prefix, "share")

        bindir = os.path.join(prefix, "bin")
        for program in ("zemvr", "zemvr-demo", "zemworld", "zempack"):
            path = os.path.join(bindir, program)
            check(os.path.isfile(path) and os.access(path, os.X_OK), "bin/%s is not installed" % program)
        env = dict(os.environ, DISPLAY="", SDL_VIDEODRIVER="x11")
        for program in ("zemvr", "zemvr-demo"):
            out = run(os.path.join(bindir, program), "--version", env=env)
            check(out.returncode == 0 and out.stdout.decode().startswith(program + " (zemVR) "),
                  "installed %s --version: %r" % (program, out.stdout))

        icon = os.path.join(share, "icons", "hicolor", "128x128", "apps", "zemvr.png")
        check(os.path.isfile(icon), "no icon at %s" % icon)
        check(png_size(icon) == (128, 128, 6), "the icon is not a 128 x 128 RGBA PNG")

        mime_xml = os.path.join(share, "mime", "packages", "zemvr.xml")
        check(os.path.isfile(mime_xml), "no shared-mime-info file")
        ns = "{http://www.freedesktop.org/standards/shared-mime-info}"
        types = {t.get("type"): [g.get("pattern") for g in t.findall(ns + "glob")]
                 for t in ET.parse(mime_xml).getroot().findall(ns + "mime-type")}
        check(types == {"application/x-zemvr-world": ["*.zem"]}, "mime types %r" % types)

        validator = shutil.which("desktop-file-validate")
        check(validator, "desktop-file-validate is not installed (desktop-file-utils)")
        apps = os.path.join(share, "applications")
        entries = {}
        for name in ("zemvr.desktop", "zemvr-demo.desktop"):
            path = os.path.join(apps, name)
            check(os.path.isfile(path), "no %s" % name)
            out = run(validator, path)
            text = out.stdout.decode(errors="replace")
            check(out.returncode == 0 and "error" not in text and "warning" not in text,
                  "desktop-file-validate %s: %s" % (name, text))
            entry = desktop_entry(path)
            program = entry.get("Exec", "").split()[0]
            check(os.path.isfile(os.path.join(bindir, program)), "%s runs %r, not installed" % (name, program))
            check(entry.get("Icon") == "zemvr", "%s: icon %r" % (name, entry.get("Icon")))
            entries[name] = entry
        check(entries["zemvr-demo.desktop"].get("NoDisplay") != "true", "the demo is not in the menu")
        check("application/x-zemvr-world" in entries["zemvr.desktop"].get("MimeType", "").split(";")
              and "%f" in entries["zemvr.desktop"]["Exec"], "zemvr.desktop does not open .zem archives")

        updater = shutil.which("update-mime-database")
        if updater:
            out = run(updater, os.path.join(share, "mime"))
            check(out.returncode == 0, "update-mime-database: %s" % out.stdout.decode(errors="replace"))
            globs = open(os.path.join(share, "mime", "globs2")).read()
            check("application/x-zemvr-world:*.zem" in globs, "the glob did not reach the database")

        page = os.path.join(share, "man", "man6", "zemvr.6")
        check(os.path.isfile(page), "no manual page")
        text = open(page).read()
        for key in ("Alt+Enter", "F10", "Tab", "F11", "\\-\\-scale", "EXIT STATUS"):
            check(key in text, "the manual page does not mention %s" % key)
        check(open(os.path.join(share, "man", "man6", "zemvr-demo.6")).read().strip() == ".so man6/zemvr.6",
              "zemvr-demo.6 does not lead to zemvr.6")
        if shutil.which("groff"):
            out = run("groff", "-man", "-Tutf8", "-ww", "-z", page)
            check(out.returncode == 0 and not out.stdout.strip(), "groff: %s" % out.stdout.decode(errors="replace"))
        print("installed into %s: 4 programs, 2 valid desktop files, icon, mime type, manual page" % prefix)
    except Failure as failure:
        print("FAILED install: %s" % failure, flush=True)
        return 1
    finally:
        shutil.rmtree(prefix, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
