#include "message_box.h"

#include "code_page_win.h"

static_assert(ANSWER_YES == IDYES && ANSWER_NO == IDNO, "answers are the message box's own");

int showMessage(const Text& text, const std::string& caption, BoxKind kind) {
    const UINT style = kind == BoxKind::YesNo ? MB_YESNO : MB_OK;
    // As characters, whatever the system's code page: each run decoded by its own encoding.
    std::wstring wideText;
    std::wstring wideCaption;
    decodeToWide(CP_UTF8, 0, readableUtf8(text), wideText);
    decodeToWide(CP_UTF8, 0, caption, wideCaption);
    return MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), style);
}
