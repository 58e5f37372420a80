"""Builds the Debian package, checks what it declares and holds, unpacks it
into a temporary root and runs the installed binary from there under X in a
temporary HOME. The binary finds its page only beside itself, so a drawn
dashboard shows the installed resources are complete.

Usage: DISPLAY=:N python3 tests/package/test_package.py <build dir>"""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
os.environ["QV_BUILD"] = BUILD  # read by the harness when imported
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import harness  # noqa: E402

DEPENDS = {"libwebkitgtk-6.0-4", "libgtk-4-1", "libsoup-3.0-0", "gstreamer1.0-plugins-base",
           "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad", "gstreamer1.0-libav", "gstreamer1.0-gl"}
# An empty web view shows one or two colours; the drawn dashboard many.
DRAWN_PAGE_COLOURS = 40
# The installed page reaches for the real chat, calendar and broker sites:
# the run gets a network namespace of its own, with nowhere to go.
OFFLINE = ["unshare", "--net", "--"]


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, **kw)


def cache(pattern):
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        return re.search(pattern, f.read(), re.M)


def main_window(env):
    """The visible window titled exactly QUORVEX (xdotool matches without case,
    and GTK's hidden leader window is named after the program)."""
    found = run("xdotool", "search", "--onlyvisible", "--name", "^QUORVEX$", env=env).stdout.split()
    return next((w for w in found if run("xdotool", "getwindowname", w, env=env).stdout.strip() == "QUORVEX"), None)


def content_colours(window, env):
    """Distinct colours below the header and menu bar, inside the borders."""
    size = run("xdotool", "getwindowgeometry", "--shell", window, env=env).stdout
    w, h = (int(re.search(rf"^{k}=(\d+)$", size, re.M).group(1)) for k in ("WIDTH", "HEIGHT"))
    crop = f"{w * 8 // 10}x{h * 6 // 10}+{w // 10}+{h * 3 // 10}"
    out = run("import", "-window", window, "-crop", crop, "-format", "%k", "info:", env=env).stdout.strip()
    return int(out) if out.isdigit() else 0


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
            cls.id = re.search(r'set\(QV_APP_ID "([^"]+)"\)', f.read()).group(1)
        cls.version = cache(r"^CMAKE_PROJECT_VERSION:STATIC=(.+)$").group(1)
        icons = ["quorvex_icons"] if cache(r"^QV_RSVG_CONVERT:FILEPATH=(?!.*NOTFOUND).+$") else []
        out = os.path.join(BUILD, "package")
        for old in glob.glob(os.path.join(out, "quorvex_*.deb")):
            os.remove(old)
        for step in (["cmake", "--build", BUILD, "-j", "2", "--target", "quorvex", "quorvex_web", *icons],
                     ["cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out]):
            done = run(*step, cwd=BUILD)
            if done.returncode:
                raise RuntimeError(" ".join(step) + "\n" + done.stdout[-4000:] + done.stderr[-4000:])
        (cls.deb,) = glob.glob(os.path.join(out, "quorvex_*.deb"))
        cls.tmp = tempfile.mkdtemp(prefix="qv-package-")
        cls.root = os.path.join(cls.tmp, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)
        cls.desktop = f"usr/share/applications/{cls.id}.desktop"
        cls.metainfo = f"usr/share/metainfo/{cls.id}.metainfo.xml"
        with open(os.path.join(cls.root, cls.desktop)) as f:
            cls.entry = dict(re.findall(r"(?m)^(\w+)=(.*)$", f.read().split("[Desktop Entry]", 1)[1].split("\n[")[0]))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_holds_the_application_under_one_valid_id_and_nothing_else(self):
        files = {os.path.relpath(os.path.join(d, n), self.root) for d, _, names in os.walk(self.root) for n in names}
        web = os.path.join(ROOT, "web")
        page = {os.path.join("usr/share/quorvex/web", os.path.relpath(os.path.join(d, n), web))
                for d, _, names in os.walk(web) for n in names}
        fixed = {"usr/bin/quorvex", "usr/lib/quorvex/web-extensions/libquorvex_web_extension.so", self.desktop,
                 self.metainfo, f"usr/share/icons/hicolor/scalable/apps/{self.id}.svg"}
        self.assertEqual((page | fixed) - files, set())
        for png in files - page - fixed:
            m = re.fullmatch(r"usr/share/icons/hicolor/(\d+)x\1/apps/" + re.escape(self.id) + r"\.png", png)
            self.assertTrue(m, f"unexpected file in the package: {png}")
            with open(os.path.join(self.root, png), "rb") as f:
                head = f.read(24)
            self.assertEqual((head[:8], struct.unpack(">II", head[16:24])), (b"\x89PNG\r\n\x1a\n", (int(m[1]),) * 2))
        self.assertTrue(os.access(os.path.join(self.root, "usr/bin/quorvex"), os.X_OK))

        field = lambda name: run("dpkg-deb", "-f", self.deb, name).stdout.strip()  # noqa: E731
        self.assertEqual((field("Package"), field("Version"), field("Architecture")),
                         ("quorvex", self.version, run("dpkg", "--print-architecture").stdout.strip()))
        self.assertEqual(DEPENDS - {d.split("(")[0].strip() for d in field("Depends").split(",")}, set())
        for command in (["apt-get", "install", "--simulate", "--yes", self.deb],
                        ["desktop-file-validate", os.path.join(self.root, self.desktop)],
                        ["appstreamcli", "validate", "--no-net", os.path.join(self.root, self.metainfo)]):
            result = run(*command)
            self.assertEqual(result.returncode, 0, " ".join(command) + "\n" + result.stdout + result.stderr)
            if command[0] == "apt-get":
                self.assertRegex(result.stdout, r"(?m)^Inst quorvex ")
        self.assertEqual((self.entry["Icon"], self.entry["Exec"].split()[0]), (self.id, "quorvex"))
        meta = ET.parse(os.path.join(self.root, self.metainfo)).getroot()
        self.assertEqual([meta.findtext("id"), meta.findtext("launchable[@type='desktop-id']"),
                          meta.findtext("provides/binary"), meta.find("releases/release").get("version")],
                         [self.id, self.id + ".desktop", "quorvex", self.version])

    def test_installed_binary_shows_the_page_under_its_window_class(self):
        if run(*OFFLINE, "true").returncode:
            self.fail("unshare --net is refused: the application cannot be run cut off from the network")
        # Xvfb has no GPU: without this WebKit hands the window buffers nobody paints.
        home = harness.Home()
        env = dict(home.env(), WEBKIT_DISABLE_DMABUF_RENDERER="1")
        log = open(os.path.join(home.root, "quorvex.log"), "wb")
        proc = subprocess.Popen(OFFLINE + [os.path.join(self.root, "usr/bin/quorvex")], env=env, stdout=log, stderr=log)
        try:
            window = harness.wait_for(lambda: main_window(env), timeout=30, what="the QUORVEX window")
            harness.wait_for(lambda: content_colours(window, env) >= DRAWN_PAGE_COLOURS, timeout=30,
                             what="the page to be drawn")
            wm_class = run("xprop", "-id", window, "WM_CLASS", env=env).stdout.split(",")[-1]
            self.assertIn(f'"{self.entry["StartupWMClass"]}"', wm_class)
            self.assertIsNone(proc.poll())
        finally:
            proc.kill()
            proc.wait()
            log.close()
            home.remove()


if __name__ == "__main__":
    result = unittest.TextTestRunner(verbosity=2).run(unittest.defaultTestLoader.loadTestsFromTestCase(PackageTest))
    failed = len(result.failures) + len(result.errors)
    print(f"package: {result.testsRun - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
