"""Builds the Debian package from a build tree, checks what it declares and
holds, unpacks it into a temporary root and runs the application from there
under X with a temporary HOME: what a launcher and a software centre read
must be valid and agree on one id, and the page must come from the installed
resources.

Usage: DISPLAY=:N python3 tests/package/test_package.py <build dir>
Screenshots go to $QV_TEST_OUTPUT (default <build dir>/test-output)."""

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

REQUIRED_DEPENDS = {
    "libwebkitgtk-6.0-4", "libgtk-4-1", "libsoup-3.0-0", "gstreamer1.0-plugins-base",
    "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad", "gstreamer1.0-libav", "gstreamer1.0-gl",
}
# Distinct colours in the main window's content once the dashboard is drawn;
# an empty web view shows one or two.
DRAWN_PAGE_COLOURS = 40
# The installed page reaches for the real chat, calendar and broker sites: the
# runs get a network namespace of their own, with nowhere to go.
OFFLINE = ["unshare", "--net", "--"]


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, **kw)


def app_id():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r'set\(QV_APP_ID "([^"]+)"\)', f.read()).group(1)


def project_version():
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.+)$", f.read(), re.M).group(1)


def packaged_targets():
    """What the package holds, plus the test host; icons only where the build
    found a renderer for them."""
    with open(os.path.join(BUILD, "CMakeCache.txt")) as f:
        icons = re.search(r"^QV_RSVG_CONVERT:FILEPATH=(?!.*NOTFOUND).+$", f.read(), re.M)
    return ["quorvex", "quorvex_web", "qv_e2e_host"] + (["quorvex_icons"] if icons else [])


def desktop_entry(path):
    entry, group = {}, None
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line:
                key, value = line.split("=", 1)
                entry[key] = value
    return entry


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


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


class PaintingHome(harness.Home):
    """Xvfb has no GPU: without this WebKit hands the window buffers nobody
    paints, and the screenshots come out blank."""

    def env(self):
        return dict(super().env(), WEBKIT_DISABLE_DMABUF_RENDERER="1")


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.id = app_id()
        build = run("cmake", "--build", BUILD, "-j", "2", "--target", *packaged_targets())
        if build.returncode:
            raise RuntimeError("build failed:\n" + build.stdout[-4000:] + build.stderr[-4000:])
        out = os.path.join(BUILD, "package")
        for old in glob.glob(os.path.join(out, "quorvex_*.deb")):
            os.remove(old)
        pack = run("cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out, cwd=BUILD)
        debs = glob.glob(os.path.join(out, "quorvex_*.deb"))
        if pack.returncode or len(debs) != 1:
            raise RuntimeError("cpack failed:\n" + pack.stdout + pack.stderr)
        cls.deb = debs[0]
        cls.tmp = tempfile.mkdtemp(prefix="qv-package-")
        cls.root = os.path.join(cls.tmp, "root")
        subprocess.run(["dpkg-deb", "-x", cls.deb, cls.root], check=True)
        cls.share = os.path.join(cls.root, "usr", "share")
        cls.desktop = os.path.join(cls.share, "applications", cls.id + ".desktop")
        cls.metainfo = os.path.join(cls.share, "metainfo", cls.id + ".metainfo.xml")
        if run(*OFFLINE, "true").returncode:
            raise RuntimeError("unshare --net is refused: the application cannot be run cut off from the network")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name).stdout.strip()

    def test_holds_the_application_and_nothing_else(self):
        files = set()
        for folder, _, names in os.walk(self.root):
            files.update(os.path.relpath(os.path.join(folder, n), self.root) for n in names)
        page = {os.path.join("usr/share/quorvex/web", os.path.relpath(os.path.join(folder, n), os.path.join(ROOT, "web")))
                for folder, _, names in os.walk(os.path.join(ROOT, "web")) for n in names}
        fixed = {"usr/bin/quorvex", f"usr/share/applications/{self.id}.desktop",
                 f"usr/share/metainfo/{self.id}.metainfo.xml", f"usr/share/icons/hicolor/scalable/apps/{self.id}.svg"}
        self.assertEqual(page - files, set(), "page files missing")
        self.assertEqual(fixed - files, set())
        pngs = files - page - fixed
        for png in pngs:
            m = re.fullmatch(r"usr/share/icons/hicolor/(\d+)x\1/apps/" + re.escape(self.id) + r"\.png", png)
            self.assertTrue(m, f"unexpected file in the package: {png}")
            size = int(m.group(1))
            self.assertEqual(png_size(os.path.join(self.root, png)), (size, size), png)
        self.assertTrue(os.access(os.path.join(self.root, "usr/bin/quorvex"), os.X_OK))

    def test_declares_one_installable_application_under_one_id(self):
        self.assertEqual(self.field("Package"), "quorvex")
        self.assertEqual(self.field("Version"), project_version())
        self.assertEqual(self.field("Architecture"), run("dpkg", "--print-architecture").stdout.strip())
        depends = {d.split("(")[0].strip() for d in self.field("Depends").split(",")}
        self.assertEqual(REQUIRED_DEPENDS - depends, set())
        for command in (["apt-get", "install", "--simulate", "--yes", self.deb], ["desktop-file-validate", self.desktop],
                        ["appstreamcli", "validate", "--no-net", self.metainfo]):
            result = run(*command)
            self.assertEqual(result.returncode, 0, " ".join(command) + "\n" + result.stdout + result.stderr)
            if command[0] == "apt-get":
                self.assertRegex(result.stdout, r"(?m)^Inst quorvex ")
        entry = desktop_entry(self.desktop)
        self.assertEqual(entry["Icon"], self.id)
        self.assertEqual(entry["Exec"].split()[0], "quorvex")
        meta = ET.parse(self.metainfo).getroot()
        self.assertEqual(meta.findtext("id"), self.id)
        self.assertEqual(meta.findtext("launchable[@type='desktop-id']"), self.id + ".desktop")
        self.assertEqual(meta.findtext("provides/binary"), "quorvex")
        self.assertEqual(meta.find("releases/release").get("version"), project_version())

    def test_page_loads_from_installed_resources(self):
        # The shipped binary has no control channel: the test host, set beside
        # it, finds the same share/quorvex by the same rule.
        host = os.path.join(self.root, "usr", "bin", "qv_e2e_host")
        shutil.copy2(os.path.join(BUILD, "bin", "qv_e2e_host"), host)
        wrapper = os.path.join(self.tmp, "offline-host")
        with open(wrapper, "w") as f:
            f.write(f'#!/bin/sh\nexec {" ".join(OFFLINE)} "{host}" "$@"\n')
        os.chmod(wrapper, 0o755)
        harness.HOST = wrapper
        home = PaintingHome()
        try:
            with harness.App(home, page=None) as app:
                index = os.path.join(self.share, "quorvex", "web", "index.html")
                self.assertEqual(app.state()["mainUri"], "file://" + index)
                # The markup says "no" until the page's scripts find the native side.
                app.wait_js("document.getElementById('badge-nativo')?.dataset.nativo === 'si'")
                app.js("await new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)));"
                       " return true;")
                app.screenshot("package-host")
        finally:
            os.remove(host)
            home.remove()

    def test_installed_binary_shows_the_page(self):
        home = PaintingHome()
        env = home.env()
        log = open(os.path.join(home.root, "quorvex.log"), "wb")
        proc = subprocess.Popen(OFFLINE + [os.path.join(self.root, "usr", "bin", "quorvex")], env=env,
                                stdout=log, stderr=log)
        try:
            window = harness.wait_for(lambda: main_window(env), timeout=30, what="the QUORVEX window")
            wm_class = run("xprop", "-id", window, "WM_CLASS", env=env).stdout
            self.assertIn(f'"{desktop_entry(self.desktop)["StartupWMClass"]}"', wm_class.split(",")[-1])
            harness.wait_for(lambda: content_colours(window, env) >= DRAWN_PAGE_COLOURS, timeout=30,
                             what="the page to be drawn")
            os.makedirs(harness.OUTPUT, exist_ok=True)
            subprocess.run(["import", "-window", "root", os.path.join(harness.OUTPUT, "package-quorvex.png")],
                           env=env, check=True)
            self.assertIsNone(proc.poll())
        finally:
            proc.terminate()
            try:
                proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            log.close()
            home.remove()


if __name__ == "__main__":
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(PackageTest)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors)
    passed = max(0, result.testsRun - failed - len(result.skipped))
    print(f"package: {passed} passed, {failed} failed")
    sys.exit(0 if failed == 0 else 1)
