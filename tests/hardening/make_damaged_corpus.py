#!/usr/bin/env python3
"""Writes the damaged-input corpus (tests/data/damaged) and its MANIFEST.txt.

Every file is a small valid mesh or result file with one fault put in by hand, so that each
check of the two readers is met by at least one file; a few files are valid but unusual and
must still read. The places in the manifest are worked out here from the file layouts, not
taken from the readers.

Manifest columns: file, the reader's own result (mesh: beginReading 1/0; result: BeginReading
0..-4), the public result (mesh: CQVROptKer::ReadMeshData 1/3301; result:
QVR3DExtractTool::SetK7TFileName 1/-1 on the unit cube mesh), the place the mesh reader must
name (line or byte offset, alternatives joined by '/', '*' for any, '-' for a result file),
and what the file checks.
"""
import os
import struct
import sys

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), '..', 'data', 'damaged')

# --- the unit cube: 8 nodes, one hexahedron, six skin faces --------------------------------
NODES = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 0, 1), (1, 0, 1), (1, 1, 1), (0, 1, 1)]
PART = (8, [1, 2, 3, 4, 5, 6, 7, 8], 0, 1, 1.0)
FACES = [[1, 4, 3, 2], [5, 6, 7, 8], [1, 2, 6, 5], [2, 3, 7, 6], [3, 4, 8, 7], [4, 1, 5, 8]]

entries = []


def emit(name, data, reader, public, place, what):
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)
    entries.append((name, str(reader), str(public), place, what))


# Text encoding, line by line: 1 NQBTEXT, 2 UNIT, 3 COUNTS, 4 NODES, 5-12 nodes,
# 13 PART_ELEMENTS, 14 the hexahedron, 15 SURFACE_ELEMENTS, 16-21 faces, 22 END.
def text_lines():
    lines = ['NQBTEXT 1', 'UNIT mm', 'COUNTS 8 1 6', 'NODES']
    lines += ['%d %d %d' % p for p in NODES]
    lines += ['PART_ELEMENTS', '8 1 2 3 4 5 6 7 8 0 1 1.0', 'SURFACE_ELEMENTS']
    lines += ['%d %d %d %d 1 0 0 0 0' % tuple(f) for f in FACES]
    lines += ['END']
    return lines


def text(lines, end='\n'):
    return (end.join(lines) + end).encode()


def with_line(number, content):
    lines = text_lines()
    lines[number - 1] = content
    return text(lines)


def without_line(number):
    lines = text_lines()
    del lines[number - 1]
    return text(lines)


def bad_text(name, data, place, what):
    emit(name, data, 0, 3301, place, what)


def good_text(name, data, what):
    emit(name, data, 1, 1, '-', what)


def make_text_files():
    base = text(text_lines())
    good_text('text_valid.nqb', base, 'the unit cube, as a writer makes it')
    good_text('text_crlf.nqb', text(text_lines(), '\r\n'), 'CRLF line ends read like LF')
    good_text('text_unit_metre.nqb', with_line(2, 'UNIT m'),
              'a unit the format does not know, read as millimetres')
    lines = text_lines()
    lines.insert(1, '# comment line')
    lines.insert(5, '')
    lines[7] = '1\t0   0   # node 2, tabs and blanks'
    lines.append('   ')
    good_text('text_comments_tabs.nqb', text(lines),
              'comments, blank lines, tabs and trailing blanks are ignored')
    good_text('text_hex_attrword.nqb', with_line(14, '8 1 2 3 4 5 6 7 8 0xFFFFFFFF -7 1.0'),
              'attrWord written in hexadecimal, up to 2^32-1')

    bad_text('text_empty.nqb', b'', '0', 'empty file')
    bad_text('text_bad_magic.nqb', with_line(1, 'NQBTEXTX 1'), '0', 'unknown first line')
    bad_text('text_version_2.nqb', with_line(1, 'NQBTEXT 2'), '1', 'layout version other than 1')
    bad_text('text_negative_count.nqb', with_line(3, 'COUNTS -1 1 6'), '3', 'negative node count')
    bad_text('text_count_too_many_nodes.nqb', with_line(3, 'COUNTS 9 1 6'), '*',
             'COUNTS claims one node more than the block holds')
    bad_text('text_count_too_few_surfaces.nqb', with_line(3, 'COUNTS 8 1 5'), '*',
             'COUNTS claims one surface element fewer than the block holds')
    bad_text('text_count_near_2p31.nqb', with_line(3, 'COUNTS 2147483647 1 6'), '*',
             'node count 2^31-1 that the file cannot hold')
    bad_text('text_count_parts_near_2p31.nqb', with_line(3, 'COUNTS 8 2147483646 6'), '*',
             'part element count 2^31-2 that the file cannot hold')
    bad_text('text_count_over_int32.nqb', with_line(3, 'COUNTS 2147483648 1 6'), '3',
             'a count beyond the 32-bit range')
    bad_text('text_counts_missing_field.nqb', with_line(3, 'COUNTS 8 1'), '3',
             'COUNTS with two numbers')
    for cut, label in ((len(text(text_lines()[:2])), 'after the UNIT line'),
                       (len(text(text_lines()[:6])) + 2, 'inside node 3'),
                       (len(text(text_lines()[:14])), 'after the part element block'),
                       (len(text(text_lines()[:21])), 'before END'),
                       (len(base) - 2, 'inside END')):
        bad_text('text_truncated_%d.nqb' % cut, base[:cut], '*', 'truncated ' + label)
    bad_text('text_missing_unit.nqb', without_line(2), '*', 'UNIT keyword missing')
    bad_text('text_missing_counts.nqb', without_line(3), '*', 'COUNTS keyword missing')
    bad_text('text_missing_nodes_keyword.nqb', without_line(4), '*', 'NODES keyword missing')
    bad_text('text_missing_end.nqb', without_line(22), '*', 'END keyword missing')
    lines = text_lines()
    lines.insert(4, 'NODES')
    bad_text('text_repeated_nodes_keyword.nqb', text(lines), '5', 'NODES keyword repeated')
    lines = text_lines()
    lines.insert(2, 'UNIT cm')
    bad_text('text_repeated_unit.nqb', text(lines), '3', 'UNIT keyword repeated')
    lines = text_lines()
    lines[12], lines[14] = lines[14], lines[12]
    bad_text('text_keywords_swapped.nqb', text(lines), '*',
             'SURFACE_ELEMENTS and PART_ELEMENTS swapped (misplaced keywords)')
    bad_text('text_lowercase_keyword.nqb', with_line(4, 'nodes'), '4',
             'keyword not in upper case')
    bad_text('text_content_after_end.nqb', base + b'1 2 3\n', '23', 'an entry after END')
    bad_text('text_coordinate_word.nqb', with_line(7, '1 abc 0'), '7',
             'a coordinate that is not a number')
    bad_text('text_node_short_line.nqb', with_line(6, '1 0'), '6', 'a node line with two numbers')
    bad_text('text_node_long_line.nqb', with_line(6, '1 0 0 0'), '6',
             'a node line with four numbers')
    bad_text('text_node_number_real.nqb', with_line(14, '8 1 2 3.5 4 5 6 7 8 0 1 1.0'), '14',
             'a node number written as a real')
    bad_text('text_node_number_hex.nqb', with_line(14, '8 1 2 0x3 4 5 6 7 8 0 1 1.0'), '14',
             'hexadecimal is allowed for attrWord only')
    bad_text('text_nan_coordinate.nqb', with_line(7, 'nan 1 0'), '7', 'NaN coordinate')
    bad_text('text_inf_coordinate.nqb', with_line(8, '0 -inf 0'), '8', 'infinite coordinate')
    bad_text('text_float_overflow.nqb', with_line(9, '0 0 1e39'), '9',
             'a coordinate that overflows a float')
    bad_text('text_nan_volume.nqb', with_line(14, '8 1 2 3 4 5 6 7 8 0 1 nan'), '14',
             'NaN volume')
    bad_text('text_part_9_nodes.nqb', with_line(14, '9 1 2 3 4 5 6 7 8 8 0 1 1.0'), '14',
             'part element with 9 nodes')
    bad_text('text_part_0_nodes.nqb', with_line(14, '0 0 1 1.0'), '14',
             'part element with 0 nodes')
    bad_text('text_part_node_0.nqb', with_line(14, '8 0 2 3 4 5 6 7 8 0 1 1.0'), '14',
             'part element node number 0')
    bad_text('text_part_node_n_plus_1.nqb', with_line(14, '8 1 2 3 4 5 6 7 9 0 1 1.0'), '14',
             'part element node number N+1')
    bad_text('text_surface_node_0.nqb', with_line(16, '0 4 3 2 1 0 0 0 0'), '16',
             'surface element node number 0')
    bad_text('text_surface_node_n_plus_1.nqb', with_line(21, '4 1 5 9 1 0 0 0 0'), '21',
             'surface element node number N+1')
    bad_text('text_surface_int_overflow.nqb', with_line(17, '5 6 7 8 2147483648 0 0 0 0'), '17',
             'surface kind beyond the 32-bit range')


# Binary encoding: header 64 bytes, nodes at 64 (12 each), the part element at 160 (48),
# surface elements at 208 (36 each), 424 bytes in all.
NODE_AT, PART_AT, SURF_AT, SIZE = 64, 160, 208, 424


def binary(counts=(8, 1, 6), version=1, unit=b'mm', magic=b'NQBB', nnode=8, slots=None,
           volume=1.0, coords=None, faces=None):
    header = magic + struct.pack('<Iiii', version, *counts) + unit.ljust(44, b'\0')[:44]
    body = b''.join(struct.pack('<fff', *p) for p in (coords or NODES))
    body += struct.pack('<i8iIif', nnode, *(slots or PART[1]), 0, 1, volume)
    body += b''.join(struct.pack('<4i5i', *f, 1, 0, 0, 0, 0) for f in (faces or FACES))
    return header + body


def bad_binary(name, data, place, what):
    emit(name, data, 0, 3301, place, what)


def make_binary_files():
    base = binary()
    assert len(base) == SIZE
    emit('bin_valid.nqb', base, 1, 1, '-', 'the unit cube, as a writer makes it')
    for cut in (3, 40, 63, 64, NODE_AT + 50, PART_AT + 20, SURF_AT + 36 * 3 + 7, SIZE - 1):
        bad_binary('bin_truncated_%d.nqb' % cut, base[:cut], '*', 'truncated at byte %d' % cut)
    bad_binary('bin_extra_byte.nqb', base + b'\0', '*', 'one byte more than the counts need')
    bad_binary('bin_bad_magic.nqb', b'NQBX' + base[4:], '0', 'unknown magic')
    bad_binary('bin_version_2.nqb', binary(version=2), '4', 'layout version other than 1')
    bad_binary('bin_negative_nodes.nqb', binary(counts=(-1, 1, 6)), '8', 'negative node count')
    bad_binary('bin_negative_surfaces.nqb', binary(counts=(8, 1, -6)), '16',
               'negative surface element count')
    bad_binary('bin_nodes_near_2p31.nqb', binary(counts=(2147483647, 1, 6)), '*',
               'node count 2^31-1 that the file cannot hold')
    bad_binary('bin_parts_near_2p31.nqb', binary(counts=(8, 2147483646, 6)), '*',
               'part element count 2^31-2 that the file cannot hold')
    bad_binary('bin_all_counts_near_2p31.nqb', binary(counts=(2147483647,) * 3), '*',
               'all three counts 2^31-1 (the sizes overflow 32 bits)')
    bad_binary('bin_count_claims_more.nqb', binary(counts=(9, 1, 6)), '*',
               'one node more than the file holds')
    bad_binary('bin_unit_unterminated.nqb', binary(unit=b'u' * 44), '20',
               'unit text without a NUL in its 44 bytes')
    bad_binary('bin_unit_padding.nqb', binary(unit=b'mm\0x'), '23/20',
               'a non-NUL byte in the unit padding')
    coords = list(NODES)
    coords[2] = (1, float('nan'), 0)
    bad_binary('bin_nan_coordinate.nqb', binary(coords=coords), '92/88', 'NaN coordinate')
    coords[2] = (1, 1, float('inf'))
    bad_binary('bin_inf_coordinate.nqb', binary(coords=coords), '96/88', 'infinite coordinate')
    bad_binary('bin_inf_volume.nqb', binary(volume=float('-inf')), '204/160', 'infinite volume')
    bad_binary('bin_part_9_nodes.nqb', binary(nnode=9), '160', 'part element with 9 nodes')
    bad_binary('bin_part_0_nodes.nqb', binary(nnode=0, slots=[0] * 8), '160',
               'part element with 0 nodes')
    bad_binary('bin_part_node_0.nqb', binary(slots=[0, 2, 3, 4, 5, 6, 7, 8]), '164/160',
               'part element node number 0')
    bad_binary('bin_part_node_n_plus_1.nqb', binary(slots=[1, 2, 3, 4, 5, 6, 7, 9]), '192/160',
               'part element node number N+1')
    bad_binary('bin_part_unused_slot.nqb', binary(nnode=4), '180/160',
               'a node in a slot past the node count')
    faces = [list(f) for f in FACES]
    faces[0][0] = 0
    bad_binary('bin_surface_node_0.nqb', binary(faces=faces), '208',
               'surface element node number 0')
    faces = [list(f) for f in FACES]
    faces[5][3] = 9
    bad_binary('bin_surface_node_n_plus_1.nqb', binary(faces=faces), '400/388',
               'surface element node number N+1')


# Result files for the cube: NN = 8, NE = 1. Item 1 per node, then the six fibre items per
# element. Header 368 bytes, table 7 x 136 = 952, values 32 + 6 x 4: 1376 bytes in all.
FIBRE_IDS = (4, 5, 6, 9, 10, 11)


def result(values, nn=8, ne=1, items=None, version=1, item_count=None, magic=b'K7TB',
           extra_elements=0):
    items = items if items is not None else \
        [(1, 0, b'Pressure', b'MPa')] + [(i, 1, b'FiberOrientation', b'') for i in FIBRE_IDS]
    header = magic + struct.pack('<Iqii', version, 1, 3, 7)
    header += b'project'.ljust(128, b'\0') + b'run'.ljust(128, b'\0') + b'date'.ljust(64, b'\0')
    header += struct.pack('<iiqq', 1, len(items) if item_count is None else item_count, nn, ne)
    table = b''.join(struct.pack('<ii', i, loc) + name.ljust(64, b'\0') + unit.ljust(64, b'\0')
                     for i, loc, name, unit in items)
    data = b''
    for i, loc, _, _ in items:
        if loc == 0:
            data += struct.pack('<%df' % nn, *[float(k) for k in range(1, nn + 1)])
        else:
            v = values.get(i, 0.0)
            data += struct.pack('<%df' % (ne + extra_elements), *([v] * (ne + extra_elements)))
    return header + table + data


VALUES_A = {4: 0.5, 5: 0.3, 6: 0.2, 9: 0.125, 10: -0.0625, 11: 0.03125}
VALUES_B = {4: 0.25, 5: 0.625, 6: 0.125, 9: -0.25, 10: 0.375, 11: -0.5}


def bad_result(name, data, code, what):
    emit(name, data, code, -1, '-', what)


def make_result_files():
    base = result(VALUES_A)
    assert len(base) == 1376
    emit('result_valid_a.k7t', base, 0, 1, '-', 'fibre results of the cube (values A)')
    emit('result_valid_b.k7t', result(VALUES_B), 0, 1, '-', 'fibre results of the cube (values B)')
    emit('result_no_fibre_items.k7t', result({}, items=[(1, 0, b'Pressure', b'MPa')]), 0, 1, '-',
         'a result file without fibre items (they read as 0)')
    emit('result_other_mesh.k7t', result(VALUES_A, ne=2), 0, -1, '-',
         'more cavity elements than the mesh has cells')
    emit('result_nodes_2p31_minus_2.k7t', result(VALUES_B, nn=2**31 - 2,
         items=[(i, 1, b'FiberOrientation', b'') for i in FIBRE_IDS]), 0, 1, '-',
         'node count 2^31-2 in a small file whose items are all per element')
    bad_result('result_empty.k7t', b'', -2, 'empty file')
    bad_result('result_bad_magic.k7t', b'K7TX' + base[4:], -2, 'binary file with another magic')
    bad_result('result_short_binary.k7t', b'\x00\x01', -2, 'two bytes, not text')
    bad_result('result_short_text.k7t', b'K7', -4, 'two printable bytes: a text result file')
    bad_result('result_text.k7t', b'RESULT TEXT 1\r\nnodes 8\r\n\tdata\n' + b'x' * 60, -4,
               'a text result file')
    bad_result('result_version_2.k7t', result(VALUES_A, version=2), -3, 'layout version 2')
    for cut in (4, 100, 367, 368 + 70, 1320, 1375):
        bad_result('result_truncated_%d.k7t' % cut, base[:cut], -3, 'truncated at byte %d' % cut)
    bad_result('result_extra_byte.k7t', base + b'\0', -3, 'one byte more than the counts need')
    bad_result('result_negative_nodes.k7t', base[:352] + struct.pack('<q', -1) + base[360:], -3,
               'negative node count')
    bad_result('result_nodes_2p31_minus_1.k7t', base[:352] +
               struct.pack('<q', 2**31 - 1) + base[360:], -3, 'node count 2^31-1, above 2^31-2')
    bad_result('result_elems_2p31_minus_2.k7t', base[:360] + struct.pack('<q', 2**31 - 2) +
               base[368:], -3, 'element count 2^31-2 that the file cannot hold')
    bad_result('result_elems_2p62.k7t', base[:360] + struct.pack('<q', 2**62) + base[368:], -3,
               'element count 2^62 (the size overflows 64 bits)')
    bad_result('result_items_near_2p31.k7t', result(VALUES_A, item_count=2**31 - 1), -3,
               'item count 2^31-1 that the file cannot hold')
    bad_result('result_negative_items.k7t', result(VALUES_A, item_count=-1), -3,
               'negative item count')
    items = [(1, 0, b'Pressure', b'MPa')] + [(i, 1, b'F', b'') for i in FIBRE_IDS]
    items[3] = (6, 2, b'F', b'')
    bad_result('result_bad_location.k7t', result(VALUES_A, items=items), -3, 'location 2')
    items[3] = (5, 1, b'F', b'')
    bad_result('result_repeated_id.k7t', result(VALUES_A, items=items), -3, 'item id 5 twice')


def main():
    os.makedirs(OUT, exist_ok=True)
    for name in os.listdir(OUT):
        os.remove(os.path.join(OUT, name))
    make_text_files()
    make_binary_files()
    make_result_files()
    with open(os.path.join(OUT, 'MANIFEST.txt'), 'w') as f:
        f.write('# Written by tests/hardening/make_damaged_corpus.py; read by the hardening tests.\n')
        f.write('# file | reader result | public result | place | what it checks\n')
        for e in entries:
            f.write(' | '.join(e) + '\n')


main()
