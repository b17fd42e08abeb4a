#!/usr/bin/env python3
"""The read-me's table of what the scripts install ("What they install") names
what they install: each `ensure_packages --for "PURPOSE" NAME...` of scripts/
has the row of that purpose with exactly those packages, and no row is left
without its call."""

import os
import re
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPTS = os.path.join(ROOT, "scripts")


def script_installs():
    """{purpose: {package, ...}} from every ensure_packages call, and the
    names of the scripts with a call that gives no purpose."""
    installs, without_purpose = {}, []
    for name in sorted(os.listdir(SCRIPTS)):
        path = os.path.join(SCRIPTS, name)
        if not os.path.isfile(path):
            continue
        with open(path) as f:
            text = f.read().replace("\\\n", " ")
        for line in text.splitlines():
            line = line.strip()
            if not line.startswith("ensure_packages "):
                continue
            call = re.fullmatch(r'ensure_packages --for "([^"]+)"((?: +\S+)+)', line)
            if not call:
                without_purpose.append(f"{name}: {line}")
                continue
            installs.setdefault(call.group(1), set()).update(call.group(2).split())
    return installs, without_purpose


def readme_rows():
    """{purpose: {package, ...}} from the rows "| `NAME...` | PURPOSE | SCRIPTS |"
    of the read-me's section "What they install"."""
    with open(os.path.join(ROOT, "README.md")) as f:
        section = re.search(r"^### What they install\n(.*?)^#", f.read(), re.M | re.S)
    if not section:
        return {}
    return {purpose: set(names.split()) for names, purpose in
            re.findall(r"^\| `([^`|]+)` \| ([^|]+?) \|", section.group(1), re.M)}


class ReadmePackagesTest(unittest.TestCase):
    def test_every_installation_is_in_the_readme_as_it_is(self):
        installs, without_purpose = script_installs()
        self.assertEqual(without_purpose, [], "ensure_packages calls without --for")
        self.assertGreaterEqual(len(installs), 5)
        self.assertEqual(readme_rows(), installs)


if __name__ == "__main__":
    unittest.main()
