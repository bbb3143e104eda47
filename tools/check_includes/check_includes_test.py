#!/usr/bin/env python3
"""Cases for check_includes.py, each in a small repository tree of its own."""

import pathlib
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import check_includes  # noqa: E402

# (file, its text, expected problems as "file:line: folder may not include target")
CASES = [
    ("base/a.h", '#include "ui/core/paint_manager.h"\n',
     ["base/a.h:1: base/ may not include ui/core/paint_manager.h"]),
    ("base/a.h", '#include "base/b.h"\n#include <windows.h>\n#include "IArchive.h"\n', []),
    # The engine's rooms point one way: down to archive/, common/, manifest/, transfer/.
    ("engine/archive/x.cpp", '#include "base/com_ptr.h"\n#include "engine/y.h"\n',
     ["engine/archive/x.cpp:2: engine/archive/ may not include engine/y.h"]),
    ("engine/placement/p.cpp",
     '#include "engine/transfer/t.h"\n#include "engine/archive/a.h"\n#include "engine/run.h"\n',
     ["engine/placement/p.cpp:3: engine/placement/ may not include engine/run.h"]),
    ("engine/transfer/t.cpp", '#include "engine/placement/p.h"\n',
     ["engine/transfer/t.cpp:1: engine/transfer/ may not include engine/placement/p.h"]),
    ("engine/run.cpp", '#include "engine/placement/p.h"\n#include "engine/common/c.h"\n', []),
    ("engine/x.cpp", '\n#  include <ui/render/image_record.h>\n',
     ["engine/x.cpp:2: engine/ may not include ui/render/image_record.h"]),
    ("ui/render/r.cpp", '#include "ui/core/skin_resource.h"\n#include "ui/controls/rect_math.h"\n',
     ["ui/render/r.cpp:1: ui/render/ may not include ui/core/skin_resource.h",
      "ui/render/r.cpp:2: ui/render/ may not include ui/controls/rect_math.h"]),
    ("ui/core/c.cpp", '#include "ui/core/control.h"\n#include "ui/render/font_info.h"\n', []),
    # The framework's layers point one way: core <- controls <- skin.
    ("ui/core/c.cpp", '#include "ui/controls/button.h"\n#include "ui/skin/skin_builder.h"\n',
     ["ui/core/c.cpp:1: ui/core/ may not include ui/controls/button.h",
      "ui/core/c.cpp:2: ui/core/ may not include ui/skin/skin_builder.h"]),
    ("ui/controls/c.cpp", '#include "ui/skin/skin_window.h"\n',
     ["ui/controls/c.cpp:1: ui/controls/ may not include ui/skin/skin_window.h"]),
    ("ui/skin/s.cpp", '#include "ui/controls/container.h"\n#include "ui/core/control.h"\n', []),
    ("ui/controls/c.cpp", '#include "engine/install_engine.h"\n',
     ["ui/controls/c.cpp:1: ui/controls/ may not include engine/install_engine.h"]),
    ("ui/core/c.cpp", '#include "app/install_wnd.h"\n#include "tests/support/x.h"\n',
     ["ui/core/c.cpp:1: ui/core/ may not include app/install_wnd.h",
      "ui/core/c.cpp:2: ui/core/ may not include tests/support/x.h"]),
    # A file named without its folder is found beside the including file.
    ("ui/render/r.cpp", '#include "../core/paint_manager.h"\n',
     ["ui/render/r.cpp:1: ui/render/ may not include ui/core/paint_manager.h"]),
    ("app/main.cpp", '#include "ui/core/paint_manager.h"\n#include "engine/x.h"\n', []),
    ("tests/t.cpp", '#include "app/install_wnd.h"\n', []),
    # A folder of the product that no rule names would never be checked.
    ("ui/widgets/w.cpp", '#include "app/install_wnd.h"\n',
     ["ui/widgets/: no include rule names this folder"]),
    ("net/n.h", '', ["net/: no include rule names this folder"]),
    ("ui/u.h", '', ["ui/: no include rule names this folder"]),
    # Names only MinGW's headers know keep a Windows developer's compiler from taking the code.
    ("ui/controls/r.h", 'WINBOOL Show(WINBOOL show);\nBOOL Hide();\nint WINBOOLS;\n',
     ["ui/controls/r.h:1: WINBOOL is MinGW's own name; write BOOL",
      "ui/controls/r.h:1: WINBOOL is MinGW's own name; write BOOL"]),
]


class CheckIncludesTest(unittest.TestCase):
    def test_cases(self):
        for relative, text, expected in CASES:
            with self.subTest(file=relative, text=text), tempfile.TemporaryDirectory() as folder:
                root = pathlib.Path(folder)
                for existing in ("base/b.h", "ui/core/paint_manager.h"):
                    (root / existing).parent.mkdir(parents=True, exist_ok=True)
                    (root / existing).write_text("")
                path = root / relative
                path.parent.mkdir(parents=True, exist_ok=True)
                path.write_text(text)
                self.assertEqual(expected, check_includes.check(root))


if __name__ == "__main__":
    unittest.main()
