#pragma once
// The built-in loader that the firmware download places in the unprogrammed controller
// before it writes segments at 0x2000 and above (request 0xA3). Its source is
// firmware/loader.a51.

struct LoaderRecord {
    unsigned short length;
    unsigned short address;
    unsigned char type; // 0 data; any other type ends the list
    const unsigned char* data;
};

// The records, ended by one whose type is not 0.
const LoaderRecord* loaderRecords();
