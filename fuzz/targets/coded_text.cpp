// Coded text files: read line by line, decoded to a copy, and coded from plain text.
#include "core/TextCoder.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;
using KavirelFuzz::CFuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput input(data, size);
    const int cycle = input.byte() % 12;
    const CXString source = KavirelFuzz::writeScratch("text.cnv", input.rest(), input.restSize());
    {
        CTextCoder coder(nullptr, source, false);
        for (int lines = 0; !coder._eof() && lines < 100000; ++lines) coder.getLine();
    }
    {
        CTextCoder raw(nullptr, source, true);
        for (int lines = 0; !raw._eof() && lines < 100000; ++lines) raw.codeLine();
    }
    const CXString copy = KavirelFuzz::writeScratch("copy.cnv", "", 0);
    CTextCoder::decode(nullptr, source, copy);
    CTextCoder::code(nullptr, source, copy, cycle);
    return 0;
}
