#pragma once

#include "text.h"

#include <functional>
#include <string>

enum class BoxKind { Ok, YesNo };

// Answers as the Windows message box returns them. Only the Yes/No box's answer is examined.
constexpr int ANSWER_YES = 6;
constexpr int ANSWER_NO = 7;

// Shows text, as a person reads it (readableUtf8), in a box with the given caption (ASCII) and
// kind; returns the answer.
using MessageSeam = std::function<int(const Text& text, const std::string& caption, BoxKind kind)>;

int showMessage(const Text& text, const std::string& caption, BoxKind kind);
