// Packs a game folder into a big file with the engine's own writer, as a game is shipped:
//   MakeBigFile <folder> <big file>
// The folder's tree becomes the archive's root, so "Dane", "COMMON" and "Wavs" are found in it as on disk.
#include <cstdio>

#include "core/BigFile.h"

using namespace KavirelDLL;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: MakeBigFile <folder> <big file>\n");
        return 2;
    }
    CBigFile bigFile(false);
    if (!bigFile.Create(CXString(argv[1]), CXString("data.bf"), CXString(argv[2]))) {
        std::fprintf(stderr, "MakeBigFile: %s cannot be packed into %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
