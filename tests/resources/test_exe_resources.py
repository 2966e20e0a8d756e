"""The resources inside the cross-built Quillbeck.exe, read from the file itself.

Environment: QUILLBECK_EXE (the executable), QUILLBECK_LINUX_TEMPLATES (the host program that
prints the Linux form of the templates), QUILLBECK_ICON_PNG (res/icon_115.png) and
QUILLBECK_FILE_VERSION (the build's version number).
"""
import json
import os
import struct
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree
import zlib

import pe_resources as pe

LANG_EN_US = 0x409

MAIN_DIALOG = {
    'helpId': 0, 'exStyle': 0x00040000, 'style': 0x90CB00C8, 'x': 0, 'y': 0, 'cx': 779, 'cy': 418,
    'menu': None, 'windowClass': None, 'caption': 'Quillbeck',
    'font': {'pointSize': 8, 'weight': 0, 'italic': 0, 'charset': 1, 'typeface': 'MS Shell Dlg'},
    'items': [],
}


def _control(control_id, window_class, text, style, x, y, cx, cy):
    return {'id': control_id, 'windowClass': window_class, 'text': text, 'style': style,
            'exStyle': 0, 'helpId': 0, 'x': x, 'y': y, 'cx': cx, 'cy': cy}


UPDATE_DIALOG = {
    'helpId': 0, 'exStyle': 0, 'style': 0x80C800C0, 'x': 0, 'y': 0, 'cx': 255, 'cy': 58,
    'menu': None, 'windowClass': None, 'caption': 'Update',
    'font': {'pointSize': 9, 'weight': 400, 'italic': 0, 'charset': 0,
             'typeface': 'Microsoft Sans Serif'},
    'items': [
        _control(1000, 'button', 'Yes', 0x50010001, 46, 40, 51, 13),
        _control(1001, 'button', 'No', 0x50010000, 151, 40, 51, 13),
        _control(1002, 'static',
                 'New client software update is available ! Do you want to upgrade?',
                 0x50020000, 29, 9, 219, 14),
        _control(1003, 'static', 'Upgrade is required!', 0x50020000, 96, 29, 68, 11),
    ],
}


def png_rgba(path):
    """The rows of an 8-bit RGBA, non-interlaced PNG, each as RGBA bytes."""
    with open(path, 'rb') as f:
        data = f.read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', path
    at, compressed = 8, b''
    while at < len(data):
        length, kind = struct.unpack_from('>I4s', data, at)
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack_from(
                '>IIBBBBB', data, at + 8)
            assert (depth, colour, interlace) == (8, 6, 0), 'only 8-bit RGBA PNG is read here'
        elif kind == b'IDAT':
            compressed += data[at + 8:at + 8 + length]
        at += 12 + length
    raw = zlib.decompress(compressed)
    stride = width * 4
    rows, above = [], bytes(stride)
    for y in range(height):
        filter_type = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = above[i]
            c = above[i - 4] if i >= 4 else 0
            if filter_type == 0:
                predicted = 0
            elif filter_type == 1:
                predicted = a
            elif filter_type == 2:
                predicted = b
            elif filter_type == 3:
                predicted = (a + b) // 2
            elif filter_type == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                predicted = a if pa <= pb and pa <= pc else b if pb <= pc else c
            else:
                raise AssertionError(f'PNG filter {filter_type}')
            line[i] = (line[i] + predicted) & 0xFF
        rows.append(bytes(line))
        above = line
    return width, height, rows


class ExecutableResourcesTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.image = pe.PeFile(os.environ['QUILLBECK_EXE'])
        cls.resources = cls.image.resources()

    def resource(self, kind, name):
        languages = self.resources.get((kind, name))
        self.assertIsNotNone(languages, f'no resource {name} of type {kind}')
        self.assertEqual(list(languages), [LANG_EN_US], f'languages of resource {name}')
        return languages[LANG_EN_US]

    def test_dialog_templates_match_the_tables(self):
        for dialog_id, expected in ((102, MAIN_DIALOG), (131, UPDATE_DIALOG)):
            with self.subTest(dialog=dialog_id):
                self.assertEqual(pe.parse_dialogex(self.resource(pe.RT_DIALOG, dialog_id)),
                                 expected)

    def test_both_backends_hold_the_same_templates(self):
        printed = subprocess.run([os.environ['QUILLBECK_LINUX_TEMPLATES']], check=True,
                                 capture_output=True, text=True, timeout=60).stdout
        linux = json.loads(printed)
        self.assertEqual(sorted(linux), ['102', '131'])
        for dialog_id, linux_form in linux.items():
            with self.subTest(dialog=dialog_id):
                self.assertIsNotNone(linux_form, f'the Linux build has no template {dialog_id}')
                windows_form = pe.parse_dialogex(self.resource(pe.RT_DIALOG, int(dialog_id)))
                # The Linux form has neither a menu nor a window class of its own.
                self.assertIsNone(windows_form.pop('menu'))
                self.assertIsNone(windows_form.pop('windowClass'))
                self.assertEqual(windows_form, linux_form)

    def test_icon_115_is_one_48_pixel_32_bit_image_of_the_png(self):
        entries = pe.parse_group_icon(self.resource(pe.RT_GROUP_ICON, 115))
        self.assertEqual(len(entries), 1)
        entry = entries[0]
        self.assertEqual((entry['width'], entry['height'], entry['bitCount'], entry['planes']),
                         (48, 48, 32, 1))
        image = self.resource(pe.RT_ICON, entry['id'])
        self.assertEqual(entry['bytes'], len(image))
        width, height, rows = pe.icon_image_rgba(image)
        png_width, png_height, png_rows = png_rgba(os.environ['QUILLBECK_ICON_PNG'])
        self.assertEqual((width, height), (png_width, png_height))
        for y, (got, want) in enumerate(zip(rows, png_rows)):
            self.assertEqual(got, want, f'pixel row {y} of icon 115 differs from the PNG')

    def test_version_block_holds_the_file_version(self):
        fixed, strings = pe.parse_version_info(self.resource(pe.RT_VERSION, 1))
        self.assertEqual(fixed['signature'], 0xFEEF04BD)
        version = os.environ['QUILLBECK_FILE_VERSION']
        self.assertEqual(version, '1.1.1173.0')
        major, minor, build, revision = (int(part) for part in version.split('.'))
        self.assertEqual((fixed['fileVersionMS'], fixed['fileVersionLS']),
                         ((major << 16) | minor, (build << 16) | revision))
        self.assertEqual(fixed['fileType'], 1)  # VFT_APP
        self.assertEqual(strings.get('FileVersion'), version)
        self.assertEqual(strings.get('OriginalFilename'), 'Quillbeck.exe')

    def test_manifest_asks_to_run_as_invoker(self):
        manifests = [key for key in self.resources if key[0] == pe.RT_MANIFEST]
        self.assertEqual(manifests, [(pe.RT_MANIFEST, 1)])
        root = ElementTree.fromstring(self.resource(pe.RT_MANIFEST, 1))
        levels = [element.get('level') for element in root.iter()
                  if element.tag.endswith('}requestedExecutionLevel')]
        self.assertEqual(levels, ['asInvoker'])

    def test_a_gui_program_that_needs_no_toolchain_dll(self):
        self.assertEqual(self.image.machine, 0x8664)  # x86-64
        self.assertEqual(self.image.subsystem, 2)  # IMAGE_SUBSYSTEM_WINDOWS_GUI
        runtime = [dll for dll in self.image.imported_dlls()
                   if dll.startswith(('libstdc++', 'libgcc', 'libwinpthread'))]
        self.assertEqual(runtime, [], 'Quillbeck.exe is not linked statically')


if __name__ == '__main__':
    unittest.main()
