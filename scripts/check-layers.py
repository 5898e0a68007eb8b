#!/usr/bin/env python3
"""Fails when a source folder includes one above it, or its library links one above it.

The floors, from the top: app/ puts everything together; workflow/ stands on richtext/, skin/ and
download/; richtext/ on skin/; every folder on base/. An include or a link may only point down.
Usage: check-layers.py [REPOSITORY_ROOT]
"""
import re
import sys
from pathlib import Path

# What each folder may include besides itself.
ALLOWED = {
    "base": set(),
    "skin": {"base"},
    "richtext": {"skin", "base"},
    "download": {"base"},
    "workflow": {"richtext", "skin", "download", "base"},
    "app": {"workflow", "richtext", "skin", "download", "base"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
LINK = re.compile(r"target_link_libraries\(\s*quorrin_(\w+)\s+([^)]*)\)")


def folder_of(include):
    # The generated deployment headers: base/Deployment.h.in for every floor, app/ConfigKey.h.in
    # for the entry alone.
    if include == "Deployment.h":
        return "base"
    if include == "ConfigKey.h":
        return "app"
    head = include.split("/", 1)[0]
    return head if head in ALLOWED else None


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    faults = []
    for folder, allowed in ALLOWED.items():
        for source in sorted((root / folder).glob("*")):
            if source.suffix not in (".h", ".cpp", ".in"):
                continue
            for include in INCLUDE.findall(source.read_text(encoding="utf-8")):
                target = folder_of(include)
                if target and target != folder and target not in allowed:
                    faults.append(f"{folder}/{source.name} includes {include}")
        cmake = root / folder / "CMakeLists.txt"
        if cmake.exists():
            for library, links in LINK.findall(cmake.read_text(encoding="utf-8")):
                for target in re.findall(r"quorrin_(\w+)", links):
                    if target in ALLOWED and target != folder and target not in allowed:
                        faults.append(f"quorrin_{library} links quorrin_{target}")
    for fault in faults:
        print(f"upward: {fault}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
