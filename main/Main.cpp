#include "main/Program.h"

int main(int argc, char** argv) {
    CKavirelProgram program(argc, argv);
    return program.run();
}
