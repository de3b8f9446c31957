#include "code_page.h"

#include <iconv.h>
#include <memory>
#include <vector>

bool codePage932ToUtf8(const std::string& bytes, std::string& utf8) {
    const iconv_t opened = iconv_open("UTF-8", "CP932");
    if (opened ==
        reinterpret_cast<iconv_t>(-1)) { // NOLINT(performance-no-int-to-ptr): iconv's error value
        return false;
    }
    const std::unique_ptr<void, int (*)(iconv_t)> converter(opened, iconv_close);
    // A code page 932 character is at most 2 bytes and becomes at most 3 bytes of UTF-8.
    std::vector<char> input(bytes.begin(), bytes.end());
    std::vector<char> output(bytes.size() * 3);
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    // iconv stops at the first byte it cannot convert, so any byte left means failure.
    iconv(converter.get(), &in, &inLeft, &out, &outLeft);
    if (inLeft != 0) {
        return false;
    }
    utf8.assign(output.data(), out);
    return true;
}
