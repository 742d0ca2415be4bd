#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into tests/fuzz/corpus/<target>/.

The seeds are built from hand-made messages of our own, so every run of this script gives the
same files. Layouts are described at the top of each target's source."""
import os
import struct

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CC_LINE, CC_END, CC_BOX, CC_COLOR, CC_SHIFT, CC_ALT, CC_SOUND, CC_ICON = 1, 2, 4, 5, 6, 0x0C, 0x12, 0x13


def pair(messages):
    table, data = b"", b""
    for i, m in enumerate(messages):
        while len(data) % 4:
            data += b"\0"
        table += struct.pack(">HBBB", 0x1000 + i, (i % 6) << 4 | (i % 3), 0, 7) + struct.pack(">I", len(data))[1:]
        data += m
    return table, data


MESSAGES = [
    b"Hello there!" + bytes([CC_END]),
    b"First box" + bytes([CC_LINE]) + b"second line" + bytes([CC_BOX]) + b"Next box" + bytes([CC_END]),
    bytes([CC_ICON, 4]) + b"An icon" + bytes([CC_BOX, CC_SOUND, 0x28, 0xE3]) + b"A sound" + bytes([CC_END]),
    b"Some " + bytes([CC_COLOR, 0x41]) + b"red" + bytes([CC_COLOR, 0x40]) + b" text" + bytes([CC_ALT]) + b"alt" + bytes([CC_END]),
    bytes([CC_SHIFT, 2]) + b"Shifted" + bytes([CC_SHIFT, 4, CC_BOX]) + b"x" + bytes([CC_BOX, CC_END]),
    bytes([CC_END]),
]

# Store script opcodes (opcode % 26), see store_fuzz.cpp.
FRAME, NEXT_BOX, NEXT_MSG, PREV_MSG, SELECT, CURSOR_R, SET_CURSOR, TYPE = 0, 3, 5, 6, 7, 10, 11, 12
ERASE_B, ERASE_F, ADD_BOX, DEL_BOX, TYPE_SET, POS_SET, SOUND, ICON, COLOUR, SEARCH, QUIT, SAVE = \
    14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25


def store_seed(flags, messages, script):
    table, data = pair(messages)
    return bytes([flags]) + struct.pack(">HH", len(table), len(data)) + table + data + bytes(script)


def typed(text):
    out = []
    for c in text:
        out += [TYPE, ord(c)]
    return out


def write(target, name, content):
    d = os.path.join(TOP, "tests", "fuzz", "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(content)


def store_seeds():
    write("store", "typing", store_seed(0, MESSAGES, [FRAME] + typed("Hi you") + [CURSOR_R, ERASE_B, ERASE_F, FRAME,
          NEXT_MSG, FRAME] + typed("more") + [NEXT_MSG, FRAME, QUIT, SAVE]))
    write("store", "boxes", store_seed(0, MESSAGES, [FRAME, NEXT_MSG, FRAME, ADD_BOX, FRAME, NEXT_BOX, FRAME, DEL_BOX,
          FRAME, NEXT_BOX, FRAME, DEL_BOX, FRAME, PREV_MSG, FRAME, SAVE]))
    write("store", "codes", store_seed(0, MESSAGES, [FRAME, SELECT, 0, 2, FRAME, SOUND, 0, 1, 8, 1, ICON, 0, 0, 7, 1,
          FRAME, ICON, 0, 0, 9, 0, COLOUR, 0, 1, 0, 4, 0x46, TYPE_SET, 3, POS_SET, 2, FRAME, SOUND, 0, 0, 0, 2, QUIT, SAVE]))
    write("store", "search", store_seed(0, MESSAGES, [FRAME, SEARCH, 5] + [ord(c) - 0x20 for c in "hello"] + [0, FRAME,
          SEARCH, 5] + [ord(c) - 0x20 for c in "first"] + [0, FRAME] + typed("X") + [SAVE]))
    write("store", "cursor", store_seed(0, MESSAGES, [FRAME, SET_CURSOR, 0x10, 0, TYPE, 0x41, NEXT_MSG, FRAME,
          SET_CURSOR, 0, 40, ERASE_B, ERASE_F, FRAME, QUIT]))
    write("store", "unordered", store_seed(8, MESSAGES[::-1], [FRAME] + typed("abc") + [NEXT_MSG, FRAME, DEL_BOX, SAVE]))
    write("store", "created", store_seed(3, [], [FRAME] + typed("placeholder") + [ADD_BOX, FRAME, SAVE, QUIT]))
    write("store", "one_missing", store_seed(2 | 4, MESSAGES, [FRAME] + typed("kept") + [QUIT, SAVE]))
    write("store", "damaged", bytes([0]) + struct.pack(">HH", 12, 4) + b"\x10\0\0\0\7\0\0\x09abcd" + b"xyz\2" +
          bytes([FRAME, TYPE, 0x41, SAVE]))
    write("store", "no_end", store_seed(0, [b"open message without end"], [FRAME] + typed("q") + [DEL_BOX, FRAME, SAVE]))


# helper_fuzz: see the input layout at the top of helper_fuzz.cpp.
RELEASES = ["gc-eu-mq-dbg", "gc-eu-dbg", "gc-eu-dbg-2", "pal-1.0", "pal-1.1", "gc-eu", "gc-eu-mq", "ntsc-1.0",
            "ntsc-1.1", "ntsc-1.2", "gc-us", "gc-us-mq", "gc-jp", "gc-jp-mq", "gc-jp-ce"]
PAL, NTSC = RELEASES.index("pal-1.0"), RELEASES.index("ntsc-1.0")
SOLD, SWAPPED, SWAPPED_32, ONE_ARGUMENT = 0x10, 0x20, 0x40, 0x80
EXTRACT, INJECT, INFO, DECOMPRESS = 0, 1, 2, 3
DIALOGUE, OTHER_LANGUAGES, FORCE, NO_CHECKSUM = 4, 0x20, 0x40, 0x80
EN, DE, FR, CREDITS = 0, 1, 2, 3
TABLE, DATA, OUT, OUT_IS_ROM, INVALID_MODE, NAMED = 1, 2, 4, 8, 0x40, 0x80
SMALL, ROOM, ROOM_OVER, ANY = 0, 1, 2, 3
FILE_TABLE, TEXT_TABLE, TEXT_DATA, CODE = 0, 1, 2, 3
SET, XOR, MOVE, FILL = 0, 1, 2, 3


def helper_seed(image, run, files=0, fail=0, cut=0, table=0, data=(SMALL, 200), damages=(), edits=(), rest=b""):
    out = bytes([image, run, files, fail, cut, table]) + struct.pack(">I", data[0] << 30 | (data[1] & 0x3FFFFFFF))
    out += bytes([len(damages), len(edits)])
    for where, how, offset, value in damages:
        out += bytes([where | how << 2]) + struct.pack(">I", offset)[1:] + bytes([value])
    for position, value in edits:
        out += struct.pack(">HB", position, value)
    return out + rest


def helper_seeds():
    text = b"Hello there!" + bytes([CC_END]) + b"\0\0\0" + b"A sound" + bytes([CC_SOUND, 0x28, 0xE3, CC_END])
    both = TABLE | DATA
    # Extraction of each kind of text, kept or replaced, through the dialogue, failing.
    write("helper", "extract", helper_seed(PAL, EXTRACT))
    write("helper", "extract_german_replace", helper_seed(PAL, EXTRACT | DE << 3 | FORCE, both, rest=text))
    write("helper", "extract_french_named", helper_seed(PAL | ONE_ARGUMENT, EXTRACT | FR << 3, NAMED))
    write("helper", "extract_keep", helper_seed(PAL, EXTRACT, both, rest=text))
    write("helper", "extract_dialogue", helper_seed(PAL, EXTRACT | DIALOGUE, both, rest=text))
    write("helper", "extract_dialogue_keep", helper_seed(PAL, EXTRACT | DIALOGUE, both | 1 << 4, rest=text))
    write("helper", "extract_credits_sold", helper_seed(NTSC | SOLD, EXTRACT | CREDITS << 3))
    write("helper", "extract_german_ntsc", helper_seed(NTSC, EXTRACT | DE << 3))
    write("helper", "extract_fail", helper_seed(PAL, EXTRACT | FORCE, both, fail=2, rest=text))
    # Injection: up to the room, over it, over the other languages, a translation, the credits.
    write("helper", "inject", helper_seed(PAL, INJECT, both, data=(ROOM, 0), rest=text))
    write("helper", "inject_too_long", helper_seed(PAL, INJECT, both, data=(ROOM, 16), rest=text))
    write("helper", "inject_over_others", helper_seed(PAL, INJECT | OTHER_LANGUAGES, both, data=(ROOM_OVER, 0), rest=text))
    write("helper", "inject_over_credits", helper_seed(PAL, INJECT | OTHER_LANGUAGES, both, data=(ROOM_OVER, 1), rest=text))
    write("helper", "inject_german", helper_seed(PAL, INJECT | DE << 3, both, data=(SMALL, 100), rest=text))
    write("helper", "inject_credits_debug", helper_seed(0, INJECT | CREDITS << 3 | NO_CHECKSUM, both, rest=text))
    write("helper", "inject_ntsc", helper_seed(NTSC + 2, INJECT, both, data=(ROOM, -8), rest=text))
    write("helper", "inject_ntsc_other_languages", helper_seed(NTSC, INJECT | OTHER_LANGUAGES, both, rest=text))
    write("helper", "inject_dialogue", helper_seed(PAL + 1, INJECT | DIALOGUE, both, rest=text))
    write("helper", "inject_sold", helper_seed(PAL | SOLD, INJECT, both, rest=text))
    write("helper", "inject_missing", helper_seed(PAL, INJECT, TABLE, rest=text))
    write("helper", "inject_huge", helper_seed(PAL, INJECT, both, data=(ANY, 3 << 20), rest=text))
    # Table files that do not fit: a record without the address byte, a German ID, the size.
    write("helper", "inject_address_byte", helper_seed(PAL, INJECT, both, edits=[(3 * 8 + 4, 6)], rest=text))
    write("helper", "inject_german_id", helper_seed(PAL, INJECT | DE << 3, both, edits=[(5 * 8 + 1, 0x77)], rest=text))
    write("helper", "inject_table_size", helper_seed(PAL, INJECT, both, table=203, rest=text))
    # Write steps failing: the end word, the data, the second pair, the checksums.
    for step in (1, 3, 6, 8):
        write("helper", "inject_fail_%d" % step, helper_seed(PAL, INJECT, both, fail=step, rest=text))
    # Info on every release, decompressed and as sold, one text named.
    for i, name in enumerate(RELEASES):
        write("helper", "info_" + name, helper_seed(i | (SOLD if i % 2 else 0), INFO))
    write("helper", "info_credits", helper_seed(PAL, INFO | CREDITS << 3))
    write("helper", "info_cut", helper_seed(PAL, INFO, cut=100))
    # Decompress: done, OUT kept or replaced, OUT the ROM itself, failing, already decompressed.
    write("helper", "decompress", helper_seed(PAL | SOLD, DECOMPRESS))
    write("helper", "decompress_debug", helper_seed(0 | SOLD, DECOMPRESS))
    write("helper", "decompress_keep", helper_seed(NTSC | SOLD, DECOMPRESS, OUT, rest=text))
    write("helper", "decompress_force", helper_seed(NTSC | SOLD, DECOMPRESS | FORCE, OUT, rest=text))
    write("helper", "decompress_itself", helper_seed(PAL | SOLD, DECOMPRESS, OUT_IS_ROM))
    write("helper", "decompress_itself_dot", helper_seed(PAL | SOLD, DECOMPRESS, OUT_IS_ROM | 1 << 4))
    write("helper", "decompress_fail", helper_seed(PAL | SOLD, DECOMPRESS, fail=9))
    write("helper", "decompress_decompressed", helper_seed(PAL, DECOMPRESS))
    write("helper", "decompress_named", helper_seed(PAL | SOLD, DECOMPRESS | DE << 3, NAMED))
    # Damaged images: the code's stream, another stream, a file moved into the English room, a
    # closing record early, a table record, a pair, swapped and cut images.
    write("helper", "damaged_code_stream", helper_seed(PAL | SOLD, EXTRACT, damages=[(CODE, XOR, 0x40, 0xFF)]))
    write("helper", "damaged_stream", helper_seed(PAL | SOLD, DECOMPRESS, damages=[(TEXT_TABLE, SET, 0x900, 0xFF)]))
    write("helper", "damaged_next_file", helper_seed(PAL, INJECT, both, data=(ROOM, 0), rest=text,
                                                     damages=[(FILE_TABLE, MOVE, 22 * 16, 0xFF)]))
    write("helper", "damaged_closing", helper_seed(PAL, INJECT | CREDITS << 3, both, data=(SMALL, 0x1800), rest=text,
                                                   damages=[(FILE_TABLE, FILL, 25 * 16 + i * 4, 0) for i in range(4)]))
    write("helper", "damaged_table", helper_seed(PAL, EXTRACT, damages=[(TEXT_TABLE, SET, 2 * 8 + 4, 0x08)]))
    write("helper", "damaged_pair", helper_seed(PAL, INJECT, both, rest=text, damages=[(CODE, XOR, 0x40 + 3, 1)]))
    write("helper", "damaged_record", helper_seed(PAL, EXTRACT | FR << 3, damages=[(FILE_TABLE, FILL, 23 * 16 + 12, 1)]))
    write("helper", "swapped16", helper_seed(PAL | SWAPPED, EXTRACT))
    write("helper", "swapped32", helper_seed(PAL | SOLD | SWAPPED | SWAPPED_32, INJECT, both, rest=text))
    # The dialogue with an invalid mode, and the rest of the input read as command-line arguments.
    write("helper", "invalid_mode", helper_seed(PAL, DIALOGUE, INVALID_MODE))
    write("helper", "command_line", helper_seed(PAL, INFO, rest=b"extract\0--force\0--\0-rom.z64\0--language=de"))
    write("helper", "regress_argument_line_break", helper_seed(PAL, INFO, rest=bytes([0xAA, 3, 1, 0x0A, 0, 0x14])))


def render_seed(flags, selection, cursor, anchor, end, px, py, x, y, icon, start, text):
    return bytes([flags, selection]) + struct.pack(">HHHhhhh", cursor, anchor, end, px, py, x, y) + \
        bytes([icon, start]) + text


def render_seeds():
    box = b"Some " + bytes([CC_COLOR, 0x41]) + b"red" + bytes([CC_LINE]) + b"and " + bytes([CC_SHIFT, 9, 0x0F]) + \
        b"more" + bytes([CC_SOUND, 0x28, 0xE3, CC_END])
    icon_box = bytes([CC_ICON, 0x10]) + b"Item" + bytes([CC_LINE]) * 5 + b"x" + bytes([CC_BOX])
    write("render", "preview", render_seed(1, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, box))
    write("render", "preview_pressed", render_seed(1, 1, 0, 0, 0, 12, 212, 0, 0, 0, 0, box))
    write("render", "preview_selection", render_seed(3, 2, 40, 2, 9, 30, 212, 0, 0, 0, 0, box))
    write("render", "preview_icon", render_seed(5, 0, 1, 0, 0, 0, 0, 0, 0, 0x20, 0, icon_box))
    write("render", "preview_icon_remove", render_seed(5, 0, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0, icon_box))
    write("render", "preview_icon_insert", render_seed(5, 0, 1, 0, 0, 0, 0, 0, 0, 0x30, 0, box))
    write("render", "plain", render_seed(0, 0, 0, 0, 0, 0, 0, 416, 40, 0, 0,
                                         bytes([CC_COLOR, 0x46]) + b" Search!" + bytes([0x7F, 0x80, 0xAA])))
    write("render", "plain_edges", render_seed(2, 0, 0, 0, 0, 0, 0, -30, 330, 0, 3, b"Edge" + bytes([CC_ICON])))


def script_seeds():
    block = "@1000 blue top\n{red}Hello{white} there{sp}\n{icon 5}{shift 12}{sound Poe Giggle}{A}{stick}{box}\n" \
            "\u00c9t\u00e9 \u00a5 \\ {{x} {0x9E 00}{end}{0x00 11}\n\n@1001 same\n@1002 type=9 position=7 reserved=0x12\n" \
            "{@}line{box-delay 30}\n{END}\n"
    write("script", "script", b"\0" + block.encode("utf-8"))
    # Every code by its name, and the older names that give the code byte alone.
    codes = "@1000\n{speed 2}{goto 4013}{box-delay 40}\n{fade 12}{fade-long 300}{background 0x000102}" \
            "{high-score 4}{two-choice}{three-choice}{wait-button}{wait-event}{keep-open}{instant}{by-letter}\n" \
            "{ocarina}{timer}{timer2}{points}{tokens}{fish}{time}{no-skip}{pass15}abc{box-alt}\nQ{end}\n"
    write("script", "codes", b"\0" + codes.encode("utf-8"))
    write("script", "errors", b"\0" + b"junk\n@10000\n{bogus}{0xZZ}{0x06}{end} x\n@0001\nno end\n")
    table, data = pair(MESSAGES)
    write("script", "pair", b"\1" + bytes([5, 0, 16, 64, 100, 160, 200, 255, 255]) + data)
    # A message that goes on with message 0x4013 (its low byte is the icon code) before its end.
    goes_on = b"Go" + bytes([0x0C, 0x02]) + b"on" + bytes([0x07, 0x40, 0x13, 0x02]) + b"\0\0Next" + bytes([0x02])
    write("script", "pair_goes_on", b"\1" + bytes([1, 0, 181, 0, 0, 0, 0, 0, 0]) + goes_on)


def yaz0_body(items):
    """Groups of a flag byte and eight items: bytes are literals, (distance, length) a copy."""
    body, flags_at, count, size = bytearray(), 0, 8, 0
    for item in items:
        for unit in (item if isinstance(item, bytes) else [item]):
            if count == 8:
                flags_at, count = len(body), 0
                body.append(0)
            if isinstance(unit, int):
                body[flags_at] |= 0x80 >> count
                body.append(unit)
                size += 1
            else:
                distance, length = unit
                d = distance - 1
                body += bytes([(length - 2) << 4 | d >> 8, d & 0xFF]) if length < 0x12 else \
                    bytes([d >> 8, d & 0xFF, length - 0x12])
                size += length
            count += 1
    return bytes(body), size


def yaz0_seed(size, mode, stream):
    return struct.pack(">IB", size, mode) + stream


def yaz0_seeds():
    # Mode bit 0: a header made by the target goes first (bit 1: one byte too large), bit 2: the
    # output size is the stream's own header word.
    mixed, size = yaz0_body([b"Hello, ", (7, 5), b"world", (1, 40), (6, 3), (3, 0x111), b"!", (9, 17), (8, 18)])
    write("yaz0", "mixed", yaz0_seed(size, 1, mixed))
    write("yaz0", "own_header", yaz0_seed(0, 4, b"Yaz0" + struct.pack(">I", size) + bytes(8) + mixed))
    window, size = yaz0_body([bytes((i * 37 >> 3) & 0xFF for i in range(4096)), (4096, 20)] + [(1, 0x111)] * 12)
    write("yaz0", "window", yaz0_seed(size, 1, window))
    # The largest group there is, ending the output exactly.
    largest, size = yaz0_body([b"abcdefgh"] + [(8, 0x111)] * 8)
    write("yaz0", "largest_group", yaz0_seed(size, 1, largest))
    cut, _ = yaz0_body([b"ab", (2, 17)])
    write("yaz0", "cut_at_size", yaz0_seed(5, 1, cut))
    back, _ = yaz0_body([b"a", (2, 3)])
    write("yaz0", "reaches_back", yaz0_seed(4, 1, back))
    short, _ = yaz0_body([b"abc", (3, 0x40)])
    write("yaz0", "truncated", yaz0_seed(200, 1, short))
    write("yaz0", "size_differs", yaz0_seed(size, 3, mixed))
    # Plain bytes: no header to decode, the encoder's round trip over message text.
    table, data = pair(MESSAGES)
    write("yaz0", "text", yaz0_seed(0, 0, data * 8))


if __name__ == "__main__":
    store_seeds()
    helper_seeds()
    render_seeds()
    script_seeds()
    yaz0_seeds()
