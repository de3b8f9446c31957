#include "code_page.h"

#include <iconv.h>
#include <vector>

bool codePage932ToUtf8(const std::string& bytes, std::string& utf8) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter ==
        reinterpret_cast<iconv_t>(-1)) { // NOLINT(performance-no-int-to-ptr): iconv's error value
        return false;
    }
    // A code page 932 character is at most 2 bytes and becomes at most 3 bytes of UTF-8.
    std::vector<char> input(bytes.begin(), bytes.end());
    std::vector<char> output(bytes.size() * 3);
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    // iconv stops at the first byte it cannot convert, so any byte left means failure.
    iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (inLeft != 0) {
        return false;
    }
    utf8.assign(output.data(), out);
    return true;
}
