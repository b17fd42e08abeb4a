"""Checks that report every difference of a scenario, not just the first."""

import difflib
import pprint


class Checks:
    def __init__(self):
        self.failures = []

    def _report(self, ok, what, detail=""):
        print(("ok    " if ok else "FAIL  ") + what, flush=True)
        if not ok:
            if detail:
                print("      " + detail.replace("\n", "\n      "), flush=True)
            self.failures.append(what)
        return ok

    def equal(self, what, actual, expected):
        if actual == expected:
            return self._report(True, what)
        if isinstance(actual, (list, tuple)) and isinstance(expected, (list, tuple)):
            diff = difflib.unified_diff([repr(x) for x in expected], [repr(x) for x in actual],
                                        "expected", "actual", lineterm="", n=2)
            return self._report(False, what, "\n".join(diff))
        if isinstance(actual, bytes) and isinstance(expected, bytes):
            diff = difflib.unified_diff(
                [repr(x) for x in expected.splitlines(keepends=True)],
                [repr(x) for x in actual.splitlines(keepends=True)],
                "expected", "actual", lineterm="", n=2)
            return self._report(False, what, "\n".join(diff) or
                                f"expected {expected!r}\nactual   {actual!r}")
        return self._report(False, what, "expected " + pprint.pformat(expected) +
                            "\nactual   " + pprint.pformat(actual))

    def true(self, what, condition, detail=""):
        return self._report(bool(condition), what, detail)

    @property
    def failed(self):
        return bool(self.failures)
