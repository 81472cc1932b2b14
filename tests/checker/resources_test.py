#!/usr/bin/env python3
"""The resources of checker.exe as Windows finds them, read back from the built executable with the
resource compiler: the icon group, the version block and the one application manifest."""

import argparse
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 6, 14, 16, 24
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Windows Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10",
}
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"

options = None


def align4(offset):
    return (offset + 3) & ~3


def read_id(data, at):
    """A resource type or name in a .res header: an ordinal, or a NUL-ended UTF-16 name."""
    if data[at:at + 2] == b"\xff\xff":
        return struct.unpack_from("<H", data, at + 2)[0], at + 4
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def read_res(data):
    """The entries of a .res file as (type, name, language, data), in file order. (windres gives
    every resource it reads from an executable the language 0.)"""
    entries = []
    offset = 0
    while offset < len(data):
        data_size, header_size = struct.unpack_from("<II", data, offset)
        kind, at = read_id(data, offset + 8)
        name, at = read_id(data, at)
        language = struct.unpack_from("<H", data, align4(at) + 6)[0]
        body = data[offset + header_size:offset + header_size + data_size]
        # The format begins with an empty entry of type 0.
        if kind != 0:
            entries.append((kind, name, language, body))
        offset = align4(offset + header_size + data_size)
    return entries


def version_strings(block):
    """The text values of a VS_VERSIONINFO block by key."""
    strings = {}

    def walk(at, end):
        while at < end:
            length, value_length, is_text = struct.unpack_from("<HHH", block, at)
            key_end = at + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = align4(key_end + 2)
            value_size = value_length * 2 if is_text else value_length
            if is_text and value_length:
                strings[key] = block[value_at:value_at + value_size].decode("utf-16-le").rstrip("\0")
            walk(align4(value_at + value_size), at + length)
            at = align4(at + length)

    walk(0, len(block))
    return strings


class CheckerResources(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        with tempfile.NamedTemporaryFile(suffix=".res") as res:
            subprocess.run([options.windres, "--input-format=coff", "--output-format=res",
                            "-i", options.checker, "-o", res.name], check=True)
            cls.entries = read_res(res.read())

    def of_type(self, kind):
        return [entry for entry in self.entries if entry[0] == kind]

    def test_the_icon_group_holds_the_notifiers_picture_in_seven_sizes(self):
        groups = self.of_type(RT_GROUP_ICON)
        self.assertEqual([name for _, name, _, _ in groups], ["IDI_NOTIFICATIONICON"])
        group = groups[0][3]
        icons = {name: body for _, name, _, body in self.of_type(RT_ICON)}
        with open(options.icon, "rb") as file:
            ico = file.read()
        ico_count = struct.unpack_from("<H", ico, 4)[0]
        self.assertEqual(struct.unpack_from("<HHH", group, 0), (0, 1, ico_count))
        self.assertEqual(ico_count, 7)
        sizes = []
        for index in range(ico_count):
            width, height, _, _, _, bits, size, icon_id = struct.unpack_from(
                "<BBBBHHIH", group, 6 + 14 * index)
            ico_width, ico_height, _, _, _, ico_bits, ico_size, ico_offset = struct.unpack_from(
                "<BBBBHHII", ico, 6 + 16 * index)
            with self.subTest(size=ico_width or 256):
                self.assertEqual((width, height, bits, size),
                                 (ico_width, ico_height, ico_bits, ico_size))
                self.assertEqual(icons[icon_id], ico[ico_offset:ico_offset + ico_size])
            sizes.append(width or 256)
        self.assertEqual(sizes, [256, 128, 64, 48, 32, 24, 16])

    def test_the_version_block_names_the_checker(self):
        blocks = self.of_type(RT_VERSION)
        self.assertEqual(len(blocks), 1)
        strings = version_strings(blocks[0][3])
        self.assertEqual({key: strings.get(key) for key in
                          ("InternalName", "OriginalFilename", "FileDescription", "ProductName")},
                         {"InternalName": "checker", "OriginalFilename": "checker.exe",
                          "FileDescription": "Quelvar Tavrik Update Checker",
                          "ProductName": "Quelvar Tavrik Update Checker"})

    def test_one_manifest_names_the_systems_and_asks_for_nothing_else(self):
        manifests = self.of_type(RT_MANIFEST)
        # A second manifest (the toolchain's default one, say) would leave Windows to pick one.
        self.assertEqual([name for _, name, _, _ in manifests], [1])
        with open(options.manifest, "rb") as file:
            self.assertEqual(manifests[0][3], file.read())
        root = ElementTree.fromstring(manifests[0][3])
        supported = {element.get("Id") for element in root.iter(f"{COMPATIBILITY}supportedOS")}
        self.assertEqual(supported, set(SUPPORTED_OS))
        tags = {element.tag.split("}")[-1] for element in root.iter()}
        self.assertNotIn("dependency", tags, "a Common Controls dependency")
        self.assertNotIn("requestedExecutionLevel", tags)

    def test_there_is_no_string_table(self):
        self.assertEqual(self.of_type(RT_STRING), [])


def main():
    global options
    parser = argparse.ArgumentParser()
    for name in ("--checker", "--windres", "--icon", "--manifest"):
        parser.add_argument(name, required=True)
    options, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
