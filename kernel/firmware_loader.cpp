#include "firmware_loader.h"

namespace {

// Assembled by hand from firmware/loader.a51 (address: instruction).
const unsigned char kLoader[] = {
    0x02, 0x00, 0x03, // 0000: ljmp start
    0x75, 0x81, 0x5F, // 0003: mov sp,#5Fh
    0x90, 0x7F, 0xAB, // 0006: mov dptr,#USBIRQ
    0xE0,             // 0009: movx a,@dptr
    0x30, 0xE0, 0xF9, // 000A: jnb acc.0,idle
    0x74, 0x01,       // 000D: mov a,#01h
    0xF0,             // 000F: movx @dptr,a
    0x90, 0x7F, 0xE8, // 0010: mov dptr,#SETUPDAT
    0xE0,             // 0013: movx a,@dptr
    0xB4, 0x40, 0xEF, // 0014: cjne a,#40h,idle
    0xA3,             // 0017: inc dptr
    0xE0,             // 0018: movx a,@dptr
    0xB4, 0xA3, 0xEA, // 0019: cjne a,#0A3h,idle
    0xA3,             // 001C: inc dptr
    0xE0,             // 001D: movx a,@dptr
    0xFA,             // 001E: mov r2,a
    0xA3,             // 001F: inc dptr
    0xE0,             // 0020: movx a,@dptr
    0xFB,             // 0021: mov r3,a
    0xA3, 0xA3, 0xA3, // 0022: inc dptr (x3)
    0xE0,             // 0025: movx a,@dptr
    0xFE,             // 0026: mov r6,a
    0xA3,             // 0027: inc dptr
    0xE0,             // 0028: movx a,@dptr
    0xFF,             // 0029: mov r7,a
    0xEE,             // 002A: packet: mov a,r6
    0x4F,             // 002B: orl a,r7
    0x60, 0x31,       // 002C: jz done
    0x90, 0x7F, 0xC5, // 002E: mov dptr,#OUT0BC
    0xF0,             // 0031: movx @dptr,a
    0x90, 0x7F, 0xB4, // 0032: busy: mov dptr,#EP0CS
    0xE0,             // 0035: movx a,@dptr
    0x20, 0xE3, 0xF9, // 0036: jb acc.3,busy
    0x90, 0x7F, 0xC5, // 0039: mov dptr,#OUT0BC
    0xE0,             // 003C: movx a,@dptr
    0xFC,             // 003D: mov r4,a
    0x60, 0x1F,       // 003E: jz done
    0xC3,             // 0040: clr c
    0xEE,             // 0041: mov a,r6
    0x9C,             // 0042: subb a,r4
    0xFE,             // 0043: mov r6,a
    0xEF,             // 0044: mov a,r7
    0x94, 0x00,       // 0045: subb a,#0
    0xFF,             // 0047: mov r7,a
    0x7D, 0xC0,       // 0048: mov r5,#low(OUT0BUF)
    0x8D, 0x82,       // 004A: copy: mov dpl,r5
    0x75, 0x83, 0x7E, // 004C: mov dph,#high(OUT0BUF)
    0xE0,             // 004F: movx a,@dptr
    0x0D,             // 0050: inc r5
    0x8A, 0x82,       // 0051: mov dpl,r2
    0x8B, 0x83,       // 0053: mov dph,r3
    0xF0,             // 0055: movx @dptr,a
    0xA3,             // 0056: inc dptr
    0xAA, 0x82,       // 0057: mov r2,dpl
    0xAB, 0x83,       // 0059: mov r3,dph
    0xDC, 0xED,       // 005B: djnz r4,copy
    0x80, 0xCB,       // 005D: sjmp packet
    0x90, 0x7F, 0xB4, // 005F: done: mov dptr,#EP0CS
    0x74, 0x02,       // 0062: mov a,#02h
    0xF0,             // 0064: movx @dptr,a
    0x80, 0x9F,       // 0065: sjmp idle
    'V',  'E',  'L',  'M', 'O', 'R', 'A', '2', ' ', 'L', 'O', 'A', 'D', 'E', 'R', ' ', 'A', '3', // 0067
};

const LoaderRecord kRecords[] = {
    {static_cast<unsigned short>(sizeof kLoader), 0x0000, 0, kLoader},
    {0, 0, 1, nullptr},
};

} // namespace

const LoaderRecord* loaderRecords() { return kRecords; }
