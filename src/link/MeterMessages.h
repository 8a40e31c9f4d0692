#pragma once

// Messages between the link and the pages, numbered from WM_USER as the meter program has
// always numbered them. WM_METER_STOP and WM_METER_THR_PART1 share a number: the first only
// ever goes to the reception thread, the second only to a page.
inline constexpr int WM_USER = 0x400;

enum MeterMessage : int {
    WM_METER_RECORD = WM_USER + 100,         // answer 0x01; the frame copy
    WM_METER_STOP = WM_USER + 200,           // ClosePort to the reception thread
    WM_METER_THR_PART1 = WM_USER + 200,      // answer 0x02; the frame copy
    WM_METER_THR_PART2 = WM_USER + 250,      // answer 0x03; the frame copy
    WM_METER_THR_PART3 = WM_USER + 251,      // answer 0xBB; the frame copy
    WM_METER_CHUNK = WM_USER + 300,          // received bytes to the reception thread
    WM_METER_UPLOAD_GROUP = WM_USER + 400,   // answer 0xCC; next group, 2 or 3
    WM_METER_UPLOAD_PART2 = WM_USER + 450,   // answer 0x06; current group
    WM_METER_UPLOAD_PART3 = WM_USER + 451,   // answer 0x07; current group
    WM_METER_UPLOAD_START = WM_USER + 500,   // menu "UpLoad Threshold"
    WM_METER_RECORD_DELETED = WM_USER + 550, // answers 0x08 and 0x09; record number or 0
};
