#pragma once

#include <windows.h>

#include <string>
#include <string_view>

constexpr UINT CODE_PAGE_932 = 932;

// The UTF-16 of text in the given code page, as MultiByteToWideChar gives it with these flags;
// false when the code page refuses it (only with MB_ERR_INVALID_CHARS). Empty text is empty.
bool decodeToWide(UINT codePage, DWORD flags, std::string_view text, std::wstring& wide);

// The text in the given code page of UTF-16, as WideCharToMultiByte gives it with these flags and
// default character. Empty text is empty.
void encodeFromWide(UINT codePage, DWORD flags, const char* defaultCharacter,
                    std::wstring_view wide, std::string& text);
