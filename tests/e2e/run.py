"""Runs the suite, or the files (test_x.py) and cases (test_x.Class) named; ends with one summary line."""

import os
import sys
import unittest

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
loader = unittest.defaultTestLoader
suite = unittest.TestSuite(loader.discover(here, pattern=name) if name.endswith(".py") else loader.loadTestsFromName(name)
                           for name in sys.argv[1:] or ["test_*.py"])
result = unittest.TextTestRunner(verbosity=2).run(suite)
failed = len(result.failures) + len(result.errors)
print(f"e2e: {max(0, result.testsRun - failed - len(result.skipped))} passed, {failed} failed, {len(result.skipped)} skipped")
sys.exit(1 if failed else 0)
