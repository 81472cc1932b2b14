"""DM responses of chosen sizes, made by the update service's own generator (the featured artifact
first, then padding elements) and kept as files between benchmark runs."""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import update_service  # noqa: E402  pylint: disable=wrong-import-position

KIB = 1024
MIB = 1024 * KIB

# (label, target size in bytes); the label names the size in tables and plots.
SIZES = [("2 KB", 2 * KIB), ("1 MB", MIB), ("16 MB", 16 * MIB), ("64 MB", 64 * MIB)]


def padding_for(target, version):
    """The number of padding elements that brings the body closest to target bytes."""
    empty = len(update_service.dm_body(version, 0))
    per_element = (len(update_service.dm_body(version, 1001)) -
                   len(update_service.dm_body(version, 1))) / 1000
    return max(0, round((target - empty) / per_element))


def ensure_bodies(directory, sizes, version=update_service.DEFAULT_VERSION):
    """Writes the missing bodies; returns [(label, file name, byte count)] in the order of sizes."""
    os.makedirs(directory, exist_ok=True)
    made = []
    for label, target in sizes:
        pad = padding_for(target, version)
        name = f"dm-{version}-pad{pad}.json"
        path = os.path.join(directory, name)
        if not os.path.exists(path):
            with open(path + ".tmp", "wb") as out:
                out.write(update_service.dm_body(version, pad))
            os.replace(path + ".tmp", path)
        made.append((label, name, os.path.getsize(path)))
    return made
