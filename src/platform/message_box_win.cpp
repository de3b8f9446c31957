#include "message_box.h"

#include <windows.h>

static_assert(ANSWER_YES == IDYES && ANSWER_NO == IDNO, "answers are the message box's own");

int showMessage(const std::string& text, const std::string& caption, BoxKind kind) {
    const UINT style = kind == BoxKind::YesNo ? MB_YESNO : MB_OK;
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}
