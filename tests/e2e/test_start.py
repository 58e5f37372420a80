"""What the user is told when QUORVEX cannot start: a critical line without a
screen, a Spanish dialog with one, and in both cases a non-zero exit."""

import os
import unittest

from harness import WAYLAND, App, Home, write


class StartFailure(unittest.TestCase):
    def setUp(self):
        self.home = Home()
        self.addCleanup(self.home.remove)

    def start(self, **env):
        app = App(self.home, env=env).start(wait=False)
        self.addCleanup(app.stop)
        return app

    def test_without_a_screen_it_says_so_and_exits_non_zero(self):
        app = self.start(DISPLAY=None, WAYLAND_DISPLAY=None)
        self.assertEqual(app.proc.wait(timeout=20), 1)
        self.assertIn("QUORVEX no pudo arrancar: no hay ninguna pantalla", app.output())

    @unittest.skipIf(WAYLAND, "the dialog is found and answered through X")
    def test_a_data_folder_it_cannot_make_is_shown_in_a_dialog_and_exits_non_zero(self):
        blocker = os.path.join(self.home.root, "no-es-carpeta")  # a file where the folder should go
        write(blocker, "")
        app = self.start(XDG_DATA_HOME=os.path.join(blocker, "datos"))
        app.xdotool("windowactivate", "--sync", app.x_window(), "key", "Return")  # the dialog's title
        self.assertEqual(app.proc.wait(timeout=20), 1)
        self.assertIn("No se pudo crear la carpeta " + os.path.join(blocker, "datos", "quorvex"), app.output())


if __name__ == "__main__":
    unittest.main()
