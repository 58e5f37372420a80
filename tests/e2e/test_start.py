"""What the user is told when QUORVEX cannot start: a critical line without a
screen, a Spanish dialog with one, and in both cases a non-zero exit."""

import json
import os
import subprocess
import unittest

from harness import HOST, PAGES, WAYLAND, Home, wait_for, write


class StartFailure(unittest.TestCase):
    def setUp(self):
        self.home = Home()
        self.addCleanup(self.home.remove)

    def start(self, **env):
        home = self.home
        config = os.path.join(home.root, "host-options.json")
        write(config, json.dumps({"resourcesFolder": os.path.join(PAGES, "shell")}))
        environment = {k: v for k, v in dict(home.env(), **env).items() if v is not None}
        proc = subprocess.Popen([HOST, config], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, env=environment, text=True)
        self.addCleanup(lambda: proc.poll() is None and proc.kill())
        return proc

    def test_without_a_screen_it_says_so_and_exits_non_zero(self):
        proc = self.start(DISPLAY=None, WAYLAND_DISPLAY=None)
        self.assertEqual(proc.wait(timeout=20), 1)
        self.assertIn("QUORVEX no pudo arrancar: no hay ninguna pantalla", proc.stderr.read())

    @unittest.skipIf(WAYLAND, "the dialog is found and answered through X")
    def test_a_data_folder_it_cannot_make_is_shown_in_a_dialog_and_exits_non_zero(self):
        home = self.home
        blocker = os.path.join(home.root, "no-es-carpeta")  # a file where the folder should go
        write(blocker, "")
        proc = self.start(XDG_DATA_HOME=os.path.join(blocker, "datos"))
        xdotool = lambda *args: subprocess.run(["xdotool", *args], env=home.env(), capture_output=True,
                                               text=True, timeout=20).stdout.split()
        dialog = wait_for(lambda: xdotool("search", "--name", "^QUORVEX$"), what="the dialog")[0]
        xdotool("windowactivate", "--sync", dialog, "key", "Return")
        self.assertEqual(proc.wait(timeout=20), 1)
        self.assertIn("No se pudo crear la carpeta " + os.path.join(blocker, "datos", "quorvex"), proc.stderr.read())


if __name__ == "__main__":
    unittest.main()
