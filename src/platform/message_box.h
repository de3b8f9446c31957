#pragma once

#include <functional>
#include <string>

enum class BoxKind { Ok, YesNo };

// Answers as the Windows message box returns them. Only the Yes/No box's answer is examined.
constexpr int ANSWER_YES = 6;
constexpr int ANSWER_NO = 7;

// Shows text (code page 932 bytes) in a box with the given caption and kind; returns the answer.
using MessageSeam =
    std::function<int(const std::string& text, const std::string& caption, BoxKind kind)>;

int showMessage(const std::string& text, const std::string& caption, BoxKind kind);
