#!/usr/bin/env python3
"""Writes trevan.hex, the firmware file of the simulated instrument (the demo installation).

It is not firmware for a real instrument: the simulated controller does not run 8051
code. On start it reads the USB device descriptor that the image carries and re-enumerates
as the device described (vendor 0x0DA8, product 0x0001). The code part is a placeholder
that jumps to an idle loop. The descriptors and a table lie at 0x2000 and above, so that a
download exercises the loader path too.

Run from this folder: python3 make_demo_firmware.py > trevan.hex
"""
import math


def device_descriptor():
    return bytes([0x12, 0x01, 0x10, 0x01, 0xFF, 0xFF, 0xFF, 0x40,
                  0xA8, 0x0D, 0x01, 0x00, 0x01, 0x00, 0x01, 0x02, 0x00, 0x01])


def configuration_descriptor():
    interface = bytes([0x09, 0x04, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00])
    bulk_in = bytes([0x07, 0x05, 0x82, 0x02, 0x40, 0x00, 0x00])
    total = 9 + len(interface) + len(bulk_in)
    config = bytes([0x09, 0x02, total & 0xFF, total >> 8, 0x01, 0x01, 0x00, 0x80, 0x32])
    return config + interface + bulk_in


def string_descriptor(text):
    data = text.encode("utf-16-le")
    return bytes([2 + len(data), 0x03]) + data


def image():
    parts = {}
    parts[0x0000] = bytes([0x02, 0x00, 0x40])          # ljmp 0040h
    parts[0x0040] = bytes([0x80, 0xFE])                # idle: sjmp idle
    parts[0x0080] = b"VELMORA2 SIMULATED INSTRUMENT FIRMWARE"
    descriptors = (device_descriptor() + configuration_descriptor() + bytes([0x04, 0x03, 0x09, 0x04]) +
                   string_descriptor("Velmora2") + string_descriptor("Velmora2 oscilloscope (simulated)"))
    parts[0x2000] = descriptors
    # A sine table, 512 entries of one byte, as firmware tables go.
    parts[0x2100] = bytes(int(round(127.5 + 127.5 * math.sin(2 * math.pi * i / 512))) & 0xFF for i in range(512))
    return parts


def record(address, record_type, data):
    body = bytes([len(data), address >> 8, address & 0xFF, record_type]) + data
    checksum = (-sum(body)) & 0xFF
    return ":" + body.hex().upper() + "%02X" % checksum


def main():
    lines = []
    for start, data in sorted(image().items()):
        for offset in range(0, len(data), 16):
            lines.append(record(start + offset, 0, data[offset:offset + 16]))
    lines.append(record(0, 1, b""))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
