"""Reads the resources of a 64-bit Windows executable (PE32+) from the file itself.

Only the Python standard library is used. Each reader raises ValueError on data it does not
understand, so that a malformed resource fails a test instead of reading as something else.
"""
import struct

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 14, 16, 24

# Predefined window classes of dialog controls, stored in a template as ordinals.
CONTROL_CLASSES = {0x80: 'button', 0x81: 'edit', 0x82: 'static', 0x83: 'listbox',
                   0x84: 'scrollbar', 0x85: 'combobox'}


class PeFile:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b'MZ':
            raise ValueError(f'{path}: no MZ header')
        pe = struct.unpack_from('<I', d, 0x3C)[0]
        if d[pe:pe + 4] != b'PE\0\0':
            raise ValueError(f'{path}: no PE signature')
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from('<HHIIIHH', d, pe + 4)
        optional = pe + 24
        if struct.unpack_from('<H', d, optional)[0] != 0x20B:
            raise ValueError(f'{path}: not a PE32+ image')
        self.subsystem = struct.unpack_from('<H', d, optional + 68)[0]
        directories = struct.unpack_from('<I', d, optional + 108)[0]
        self.directories = [struct.unpack_from('<II', d, optional + 112 + 8 * i)
                            for i in range(directories)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, rva, raw_size, raw_ptr = struct.unpack_from('<8sIIII', d, table + 40 * i)
            self.sections.append((name.rstrip(b'\0').decode(), rva, max(vsize, raw_size), raw_ptr))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f'RVA {rva:#x} lies in no section')

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b'\0', start)].decode('ascii')

    def imported_dlls(self):
        """Names of the DLLs the image imports from, lower case."""
        rva, size = self.directories[1]
        if rva == 0 or size == 0:
            return []
        names, at = [], self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from('<IIIII', self.data, at)
            if (lookup, name, thunks) == (0, 0, 0):
                return names
            names.append(self.c_string(name).lower())
            at += 20

    def resources(self):
        """{(type, name): {language: bytes}}; type and name are ids or upper-case strings."""
        rva, size = self.directories[2]
        if rva == 0 or size == 0:
            return {}
        base = self.offset(rva)
        found = {}

        def entries(directory):
            named, ids = struct.unpack_from('<HH', self.data, base + directory + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from('<II', self.data, base + directory + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = struct.unpack_from('<H', self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode('utf-16-le')
                yield key, target

        for kind, names in entries(0):
            for name, languages in entries(names & 0x7FFFFFFF):
                for language, leaf in entries(languages & 0x7FFFFFFF):
                    if leaf & 0x80000000:
                        raise ValueError('resource tree deeper than type/name/language')
                    data_rva, data_size = struct.unpack_from('<II', self.data, base + leaf)
                    at = self.offset(data_rva)
                    found.setdefault((kind, name), {})[language] = self.data[at:at + data_size]
        return found


class _Reader:
    def __init__(self, data, at=0):
        self.data, self.at = data, at

    def take(self, fmt):
        values = struct.unpack_from('<' + fmt, self.data, self.at)
        self.at += struct.calcsize('<' + fmt)
        return values if len(values) > 1 else values[0]

    def align(self, boundary):
        self.at = (self.at + boundary - 1) // boundary * boundary

    def wide_string(self):
        end = self.at
        while self.data[end:end + 2] != b'\0\0':
            end += 2
            if end >= len(self.data):
                raise ValueError('unterminated UTF-16 string')
        text = self.data[self.at:end].decode('utf-16-le')
        self.at = end + 2
        return text

    def name_or_ordinal(self):
        """A template field: 0 (none), 0xFFFF + ordinal, or a string."""
        first = struct.unpack_from('<H', self.data, self.at)[0]
        if first == 0:
            self.at += 2
            return None
        if first == 0xFFFF:
            self.at += 2
            return self.take('H')
        return self.wide_string()


def parse_dialogex(data):
    """An extended dialog template (DLGTEMPLATEEX) as a dict, its controls under 'items'."""
    r = _Reader(data)
    version, signature = r.take('HH')
    if (version, signature) != (1, 0xFFFF):
        raise ValueError(f'not an extended dialog template ({version}, {signature:#x})')
    help_id, ex_style, style, count, x, y, cx, cy = r.take('IIIHhhhh')
    dialog = {'helpId': help_id, 'exStyle': ex_style, 'style': style,
              'x': x, 'y': y, 'cx': cx, 'cy': cy,
              'menu': r.name_or_ordinal(), 'windowClass': r.name_or_ordinal(),
              'caption': r.wide_string()}
    if style & 0x40:  # DS_SETFONT (DS_SHELLFONT includes it)
        point, weight, italic, charset = r.take('HHBB')
        dialog['font'] = {'pointSize': point, 'weight': weight, 'italic': italic,
                          'charset': charset, 'typeface': r.wide_string()}
    items = []
    for _ in range(count):
        r.align(4)
        item_help, item_ex, item_style, ix, iy, icx, icy, item_id = r.take('IIIhhhhI')
        window_class = r.name_or_ordinal()
        if isinstance(window_class, int):
            if window_class not in CONTROL_CLASSES:
                raise ValueError(f'unknown control class ordinal {window_class:#x}')
            window_class = CONTROL_CLASSES[window_class]
        else:
            window_class = window_class.lower()
        text = r.name_or_ordinal()
        extra = r.take('H')
        r.at += extra
        items.append({'id': item_id, 'windowClass': window_class, 'text': text,
                      'style': item_style, 'exStyle': item_ex, 'helpId': item_help,
                      'x': ix, 'y': iy, 'cx': icx, 'cy': icy})
    dialog['items'] = items
    return dialog


def parse_group_icon(data):
    """An icon group (GRPICONDIR): a list of its entries."""
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if (reserved, kind) != (0, 1):
        raise ValueError('not an icon group')
    entries = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from(
            '<BBBBHHIH', data, 6 + 14 * i)
        entries.append({'width': width or 256, 'height': height or 256, 'colours': colours,
                        'planes': planes, 'bitCount': bits, 'bytes': size, 'id': icon_id})
    return entries


def icon_image_rgba(data):
    """A 32-bit DIB icon image as (width, height, top-down rows of RGBA bytes)."""
    size, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 0)
    if size != 40 or bits != 32 or compression != 0 or planes != 1:
        raise ValueError(f'not a 32-bit uncompressed DIB (header {size}, {bits} bits, '
                         f'compression {compression})')
    if height != 2 * width:
        raise ValueError(f'DIB height {height} is not twice the width {width}')
    height //= 2
    rows = []
    for y in range(height):
        start = 40 + (height - 1 - y) * width * 4  # stored bottom-up
        bgra = data[start:start + width * 4]
        rows.append(b''.join(bytes((bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]))
                             for i in range(0, len(bgra), 4)))
    return width, height, rows


def parse_version_info(data):
    """VS_VERSIONINFO: (VS_FIXEDFILEINFO as a dict, {string name: value})."""
    r = _Reader(data)
    _, value_length, _ = r.take('HHH')
    if r.wide_string() != 'VS_VERSION_INFO':
        raise ValueError('not a VS_VERSIONINFO block')
    r.align(4)
    if value_length != 52:
        raise ValueError(f'fixed file information of {value_length} bytes')
    names = ('signature', 'strucVersion', 'fileVersionMS', 'fileVersionLS', 'productVersionMS',
             'productVersionLS', 'fileFlagsMask', 'fileFlags', 'fileOS', 'fileType',
             'fileSubtype', 'fileDateMS', 'fileDateLS')
    fixed = dict(zip(names, r.take('13I')))
    strings = {}

    def walk(start, end, depth):
        at = start
        while at < end:
            block = _Reader(data, at)
            length, value_len, kind = block.take('HHH')
            if length == 0:
                break
            key = block.wide_string()
            block.align(4)
            if depth == 2 and kind == 1:
                strings[key] = data[block.at:block.at + 2 * value_len].decode(
                    'utf-16-le').rstrip('\0')
            elif depth < 2 and key != 'VarFileInfo':
                walk(block.at + (value_len * (2 if kind == 1 else 1)), at + length, depth + 1)
            at = (at + length + 3) // 4 * 4

    r.align(4)
    walk(r.at, len(data), 0)
    return fixed, strings
