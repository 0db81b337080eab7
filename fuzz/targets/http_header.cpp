// The HTTP header parser over a block of header text.
#include "fuzz/FuzzSupport.h"
#include "net/Internet.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CHttpHeaderParser parser;
    parser.parse(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (parser.getContentLength() < 0) __builtin_trap();
    return 0;
}
