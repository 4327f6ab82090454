#!/usr/bin/env python3
"""The layer checker finds what it must: a small tree with a table, run
through check_layers.py, case by case."""
import os
import subprocess
import sys
import tempfile

CHECKER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_layers.py")
TABLE = """# Layers
| layer | folders | what |
|---|---|---|
| 1 | `low` | bottom |
| 2 | `mid`, `mid/sub` | middle |
| 3 | `tests/**` | tools |
"""

# (files to write, expected exit code, texts the output must hold)
CASES = [
    ({"mid/a.cpp": '#include "low/b.h"\n', "low/b.h": ""}, 0, ["layers hold: 2"]),
    ({"low/b.cpp": '#include <stdio.h>\n#include "mid/a.h"\n', "mid/a.h": ""}, 1,
     ['low/b.cpp:2: includes "mid/a.h" (layer 2) from layer 1']),
    ({"low/b.cpp": '#include "../mid/sub/c.h"\n', "mid/sub/c.h": ""}, 1,
     ["low/b.cpp:1: includes"]),
    ({"mid/sub/c.cpp": '#include "a.h"\n', "mid/sub/a.h": ""}, 0, ["layers hold"]),
    ({"other/x.cpp": "", "low/b.h": ""}, 1, ["other/x.cpp: folder other is in no layer"]),
    ({"tests/deep/t.cpp": '#include "mid/a.h"\n', "mid/a.h": ""}, 0, ["layers hold"]),
    ({"low/b.cpp": '  #  include "mid/a.h"\n', "mid/a.h": ""}, 1, ["low/b.cpp:1"]),
]


def run(files):
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "docs"))
        with open(os.path.join(root, "docs", "architecture.md"), "w") as f:
            f.write(TABLE)
        for name, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(root, name), "w") as f:
                f.write(text)
        done = subprocess.run([sys.executable, CHECKER, root], capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr


def main():
    failed = 0
    for number, (files, code, texts) in enumerate(CASES, 1):
        got, output = run(files)
        if got != code or any(t not in output for t in texts):
            failed += 1
            print(f"case {number}: exit {got} (want {code}); output:\n{output}")
    print(f"{len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
