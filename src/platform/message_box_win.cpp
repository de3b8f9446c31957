#include "message_box.h"

#include "code_page_win.h"

static_assert(ANSWER_YES == IDYES && ANSWER_NO == IDNO, "answers are the message box's own");

int showMessage(const std::string& text, const std::string& caption, BoxKind kind) {
    const UINT style = kind == BoxKind::YesNo ? MB_YESNO : MB_OK;
    // Decoded as MessageBoxA decodes them on a Japanese Windows, so that every Windows shows
    // what a Japanese one does, whatever its own code page.
    std::wstring wideText;
    std::wstring wideCaption;
    decodeToWide(CODE_PAGE_932, 0, text, wideText);
    decodeToWide(CODE_PAGE_932, 0, caption, wideCaption);
    return MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), style);
}
