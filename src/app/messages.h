#pragma once

// User-facing texts. Each message is code page 932 (Shift_JIS) bytes: a Japanese sentence and
// the same sentence in English. The console and the message box decode them from code page 932
// on every Windows, and a pipe or file gets the bytes unchanged. The comment above each gives its
// text, which the end-to-end cases expect of each box and of the progress line on a terminal.

// "pnputil.exeが実行出来ません\n(pnputil.exe cannot be executed.)"
constexpr const char MSG_TOOL_NOT_RUNNABLE[] =
    "pnputil.exe"
    "\x82\xAA\x8E\xC0\x8D\x73\x8F\x6F\x97\x88\x82\xDC\x82\xB9\x82\xF1"
    "\n(pnputil.exe cannot be executed.)";

// "デバイスリストを取得中(Retrieving device list.)\n\n"
constexpr const char MSG_RETRIEVING[] =
    "\x83\x66\x83\x6F\x83\x43\x83\x58\x83\x8A\x83\x58\x83\x67\x82\xF0\x8E\xE6\x93\xBE\x92\x86"
    "(Retrieving device list.)\n\n";

// "削除対象のデバイスが見つかりませんでした\n(No devices were found to remove.)"
constexpr const char MSG_NONE_FOUND[] =
    "\x8D\xED\x8F\x9C\x91\xCE\x8F\xDB\x82\xCC\x83\x66\x83\x6F\x83\x43\x83\x58\x82\xAA\x8C\xA9"
    "\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
    "\n(No devices were found to remove.)";

// "pnputil.exeからもWindowsからもデバイスリストを取得できませんでした\n(Could not get the device
// list from pnputil.exe or from Windows.)"
constexpr const char MSG_NO_DEVICE_LIST[] =
    "pnputil.exe"
    "\x82\xA9\x82\xE7\x82\xE0"
    "Windows"
    "\x82\xA9\x82\xE7\x82\xE0\x83\x66\x83\x6F\x83\x43\x83\x58\x83\x8A\x83\x58\x83\x67"
    "\x82\xF0\x8E\xE6\x93\xBE\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
    "\n(Could not get the device list from pnputil.exe or from Windows.)";

// "\n上記のデバイスを削除しますか\n(Do you want to remove the above device(s)?)"
constexpr const char MSG_CONFIRM_QUESTION[] =
    "\n"
    "\x8F\xE3\x8B\x4C\x82\xCC\x83\x66\x83\x6F\x83\x43\x83\x58\x82\xF0\x8D\xED\x8F\x9C\x82\xB5"
    "\x82\xDC\x82\xB7\x82\xA9"
    "\n(Do you want to remove the above device(s)?)";

// "削除処理を完了しました\n(The deletion process is complete)"
constexpr const char MSG_ALL_REMOVED[] =
    "\x8D\xED\x8F\x9C\x8F\x88\x97\x9D\x82\xF0\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD"
    "\n(The deletion process is complete)";

// "削除できないデバイスがありました\n(Some devices could not be removed)"
constexpr const char MSG_SOME_FAILED[] =
    "\x8D\xED\x8F\x9C\x82\xC5\x82\xAB\x82\xC8\x82\xA2\x83\x66\x83\x6F\x83\x43\x83\x58\x82\xAA"
    "\x82\xA0\x82\xE8\x82\xDC\x82\xB5\x82\xBD"
    "\n(Some devices could not be removed)";

constexpr const char CAPTION_ERROR[] = "Error";
constexpr const char CAPTION_CONFIRM[] = "Confirm";
constexpr const char CAPTION_INFORMATION[] = "Information";
constexpr const char CAPTION_CAUTION[] = "Caution";

// The banner: a title line, the tool's title and the maker's web domain each in brackets, under
// a rule of the same width.
constexpr const char BANNER_TITLE_LINE[] =
    "[EZ-USB FX2 (no EEPROM) driver package remover][tools.example.jp]";
constexpr int BANNER_WIDTH = sizeof(BANNER_TITLE_LINE) - 1;
